#include "ui/TextField.hpp"

#include "UITestSupport.hpp"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

// The field's row after one frame of dt seconds.
std::string fieldRow(UIEngine& engine, float dt)
{
    engine.drawFrame(dt);
    return screenText(engine.screen(), 0, 0, 8, 1)[0];
}

} // namespace

TEST(TextField, CursorBlinksHalfOfEverySecondWhileFocused)
{
    UIEngine engine;
    TextField* field = engine.ui().createTextField(nullptr, 0, 0, 8, ColorPair{White, Clear});
    field->setInputPrefix(u"> ");
    field->setText(u"ab");
    EXPECT_EQ(fieldRow(engine, 0.3f), "> ab....") << "no cursor without the focus";
    EXPECT_EQ(fieldRow(engine, 0.3f), "> ab....");
    field->focus();
    // Had the blink run while unfocused, the cursor would be hidden in the first focused frame.
    const Lines expected{"> ab■...", "> ab ...", "> ab ...", "> ab■...", "> ab■...", "> ab ..."};
    Lines seen;
    for (int frame = 0; frame < 6; ++frame)
        seen.push_back(fieldRow(engine, 0.3f));
    EXPECT_EQ(seen, expected) << "at 1.2 s a new period starts at 0, not at 0.2";
    field->appendCharacter('c');
    EXPECT_EQ(fieldRow(engine, 0.3f), "> abc■..") << "typing shows the cursor again";
}

TEST(TextField, HiddenTextShowsStarsOverItsBackground)
{
    UIEngine engine;
    TextField* field = engine.ui().createTextField(nullptr, 0, 0, 6, ColorPair{Yellow, Blue});
    field->setText(u"abc");
    field->setHidden(true);
    EXPECT_EQ(fieldRow(engine, 0.f), "***.....");
    EXPECT_EQ(field->getText(), u"abc");
    EXPECT_EQ(backgroundText(engine.screen(), 0, 0, 8, 1), (Lines{"55555500"}));
    field->setText(u"abcdefghi");
    field->setHidden(false);
    EXPECT_EQ(fieldRow(engine, 0.f), "efghi...") << "a long text stays in the field, its end and the caret's column in view";

    field->setHidden(true);
    field->focus();
    field->moveCaret(CaretMove::Home);
    field->moveCaret(CaretMove::Right);
    EXPECT_EQ(fieldRow(engine, 0.f), "******..") << "the caret moves over the stars";
    EXPECT_EQ(foregroundText(engine.screen(), 0, 0, 6, 1), (Lines{"a5aaaa"})) << "the caret's star is reversed";
}

TEST(TextField, EditsAtTheCaretWithinItsMaximumLength)
{
    UIEngine engine;
    TextField* field = engine.ui().createTextField(nullptr, 0, 0, 8, ColorPair{White, Clear});
    for (char16_t typed : WideString(u"abc"))
        field->appendCharacter(typed);
    field->moveCaret(CaretMove::Left);
    field->moveCaret(CaretMove::Left);
    field->appendCharacter('X');
    EXPECT_EQ(field->getText(), u"aXbc") << "typing inserts at the caret";
    EXPECT_EQ(field->getCaret(), 2u);
    field->backspace();
    field->deleteForward();
    EXPECT_EQ(field->getText(), u"ac") << "Backspace takes the character before the caret, Delete the one after";

    field->moveCaret(CaretMove::Home);
    field->backspace();
    field->moveCaret(CaretMove::Left);
    EXPECT_EQ(field->getText(), u"ac") << "nothing before the first character";
    EXPECT_EQ(field->getCaret(), 0u);
    field->moveCaret(CaretMove::End);
    field->deleteForward();
    field->moveCaret(CaretMove::Right);
    EXPECT_EQ(field->getText(), u"ac") << "nothing after the last character";
    EXPECT_EQ(field->getCaret(), 2u);

    field->setMaxLength(3);
    field->appendCharacter('d');
    field->appendCharacter('e');
    field->moveCaret(CaretMove::Home);
    field->appendCharacter('f');
    EXPECT_EQ(field->getText(), u"acd") << "a full field takes no more characters, wherever the caret is";
    field->setText(u"abcdef");
    EXPECT_EQ(field->getText(), u"abc") << "nor a longer text from the script";
    EXPECT_EQ(field->getCaret(), 3u) << "a new text puts the caret after it";
    field->setMaxLength(2);
    EXPECT_EQ(field->getText(), u"ab");
    field->setMaxLength(0);
    field->appendCharacter('c');
    EXPECT_EQ(field->getText(), u"abc") << "0 is no limit";
}

TEST(TextField, ScrollsSidewaysToKeepTheCaretInView)
{
    UIEngine engine;
    TextField* field = engine.ui().createTextField(nullptr, 0, 0, 6, ColorPair{White, Clear});
    field->setInputPrefix(u"> ");
    field->focus();
    for (char typed : std::string("abcdefgh"))
        field->appendCharacter(static_cast<uint16_t>(typed));
    EXPECT_EQ(fieldRow(engine, 0.f), "> fgh■..") << "four columns after the prefix: the text's end and the caret";

    field->moveCaret(CaretMove::Home);
    EXPECT_EQ(fieldRow(engine, 0.f), "> abcd..");
    EXPECT_EQ(foregroundText(engine.screen(), 0, 0, 6, 1), (Lines{"ffgfff"})) << "the caret shows 'a' reversed";
    EXPECT_EQ(backgroundText(engine.screen(), 0, 0, 6, 1), (Lines{"00f000"}));
    field->moveCaret(CaretMove::Right);
    EXPECT_EQ(backgroundText(engine.screen(), 0, 0, 6, 1), (Lines{"00f000"})) << "drawn again in the next frame";
    fieldRow(engine, 0.f);
    EXPECT_EQ(backgroundText(engine.screen(), 0, 0, 6, 1), (Lines{"000f00"}));
    engine.ui().draw(0.6f);
    EXPECT_EQ(backgroundText(engine.screen(), 0, 0, 6, 1), (Lines{"000000"}))
        << "in the off half of the blink the clear background the caret left is given back";
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 6, 1), (Lines{"> abcd"}));

    field->moveCaret(CaretMove::End);
    for (int i = 0; i < 5; ++i)
        field->moveCaret(CaretMove::Left);
    EXPECT_EQ(fieldRow(engine, 0.f), "> defg..") << "the view moves only as far as the caret needs";
    field->moveCaret(CaretMove::End);
    field->backspace();
    field->backspace();
    field->backspace();
    EXPECT_EQ(fieldRow(engine, 0.f), "> cde■..") << "deleting at the end brings earlier text back into view";
}
