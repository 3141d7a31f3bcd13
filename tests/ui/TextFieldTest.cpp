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
    EXPECT_EQ(fieldRow(engine, 0.f), "abcdefgh") << "a long text runs on past the field";
}
