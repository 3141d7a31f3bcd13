#include "base/CodePage437.hpp"

#include <gtest/gtest.h>

using namespace qel;

TEST(CodePage437Test, EachCodeHasACharacterOfItsOwnAndNoOtherCharacterHasACode)
{
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(unicodeToCodePage437(codePage437ToUnicode(static_cast<uint8_t>(code))), code) << code;
    // The control codes show as glyphs, so the control characters themselves have no code.
    for (char16_t other : {u'\x01', u'\n', u'\x7f', u'\x80', u'€', u'日', u'\xffff'})
        EXPECT_FALSE(unicodeToCodePage437(other)) << int(other);
}
