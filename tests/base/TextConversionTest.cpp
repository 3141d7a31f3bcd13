#include "base/TextConversion.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace qel {
namespace {

// The bytes of a UTF-8 text, so that failures show which byte is wrong.
std::vector<int> bytesOf(const std::string& text)
{
    return std::vector<int>(reinterpret_cast<const unsigned char*>(text.data()),
                            reinterpret_cast<const unsigned char*>(text.data()) + text.size());
}

TEST(TextConversionTest, ConvertsBothWays)
{
    EXPECT_EQ(toWide("abc"), u"abc");
    EXPECT_EQ(toUtf8(u"abc"), "abc");
    EXPECT_EQ(toWide("\xC3\xA9"), u"\u00E9");
    EXPECT_EQ(bytesOf(toUtf8(u"\u00E9")), (std::vector<int>{0xC3, 0xA9}));
    EXPECT_EQ(toWide(""), u"");
    EXPECT_EQ(toUtf8(u""), "");
    EXPECT_EQ(toWide("\xA9"), u"\u00A9") << "a stray continuation byte stands for itself";
    EXPECT_EQ(toWide("\xF0\x9F\x98\x80!"), u"\uF600!") << "one unit per sequence, low 16 bits";
    EXPECT_EQ(bytesOf(toUtf8(u"\xD83D\xDE00")),
              (std::vector<int>{0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}))
        << "surrogates are encoded one by one";
}

TEST(TextConversionTest, StopsAtTheTerminatingZero)
{
    EXPECT_EQ(toWide(std::string("ab\0cd", 5)), u"ab");
    EXPECT_EQ(toWide(std::string("a\xE2\0\x82\xAC", 5)), u"a\uFFFD");
    EXPECT_EQ(toWide("a\xC3"), u"a\uFFFD");
    EXPECT_EQ(toWide("\xE2\x82"), u"\uFFFD");
    EXPECT_EQ(toWide(std::string("\xF0\x9F\x98")), u"\uFFFD");
    EXPECT_EQ(toWide(static_cast<const char*>(nullptr)), u"");

    // Exactly as long as the text: a read past the zero would leave the allocation.
    const char cut[] = {'x', '\xFC', '\x80', 0};
    auto heapCopy = std::make_unique<char[]>(sizeof cut);
    std::copy(cut, cut + sizeof cut, heapCopy.get());
    EXPECT_EQ(toWide(heapCopy.get()), u"x\uFFFD");
}

TEST(TextConversionTest, CodecBoundaries)
{
    const std::pair<int, int> lengths[] = {{0x00, 1}, {0x7F, 1}, {0xBF, 1}, {0xC0, 2}, {0xDF, 2},
                                           {0xE0, 3}, {0xEF, 3}, {0xF0, 4}, {0xF7, 4}, {0xF8, 5},
                                           {0xFB, 5}, {0xFC, 6}, {0xFF, 6}};
    for (auto [lead, length] : lengths)
        EXPECT_EQ(utf8SequenceLength(static_cast<unsigned char>(lead)), length) << lead;

    const unsigned char fiveBytes[] = {0xF8, 0x88, 0x80, 0x80, 0x80};
    int length = 0;
    EXPECT_EQ(utf8DecodeOne(fiveBytes, &length), 0x200000u);
    EXPECT_EQ(length, 5);

    const std::pair<uint32_t, std::vector<int>> encodings[] = {
        {0x7F, {0x7F}},
        {0x80, {0xC2, 0x80}},
        {0x7FF, {0xDF, 0xBF}},
        {0x800, {0xE0, 0xA0, 0x80}},
        {0xFFFF, {0xEF, 0xBF, 0xBF}},
        {0x10000, {0xF0, 0x90, 0x80, 0x80}},
        {0x10FFFF, {0xF4, 0x8F, 0xBF, 0xBF}},
        {0x110000, {0xEF, 0xBF, 0xBD}},
        {0xFFFFFFFF, {0xEF, 0xBF, 0xBD}},
    };
    for (const auto& [codePoint, expected] : encodings) {
        unsigned char out[4] = {};
        const int written = utf8EncodeOne(codePoint, out);
        EXPECT_EQ(std::vector<int>(out, out + written), expected) << std::hex << codePoint;
    }
}

} // namespace
} // namespace qel
