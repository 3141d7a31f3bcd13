#include "ui/Console.hpp"

#include "UITestSupport.hpp"

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

// Inserts five one-row entries and returns the console's three rows on screen.
Lines fiveEntries(UIEngine& engine, Console& console, bool appendEmptyLine)
{
    console.clear();
    for (const char16_t* entry : {u"entry 1", u"entry 2", u"entry 3", u"entry 4", u"entry 5"})
        console.insert(entry, White, appendEmptyLine);
    return screenText(engine.screen(), 0, 0, 8, 3);
}

} // namespace

TEST(Console, ShowsTheBottomRowsOfItsNewestEntries)
{
    UIEngine engine;
    Console& console = *engine.ui().createConsole(0, 0, 20, 3);
    console.setActive(true);
    EXPECT_EQ(fiveEntries(engine, console, false), (Lines{"entry 3.", "entry 4.", "entry 5."}));
    EXPECT_EQ(fiveEntries(engine, console, true), (Lines{"........", "entry 5.", "........"}));
    EXPECT_EQ(console.getLines().size(), 3u) << "no more entries are kept than rows can show";

    console.clear();
    console.insert(u"old", White, false);
    console.insert(u"a text that needs two rows", White, false);
    // Past its text a row shows nothing: the transparent foreground (0) hides what the cells held.
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 3, 1), Lines{"old"});
    EXPECT_EQ(screenText(engine.screen(), 0, 1, 20, 2), (Lines{"a text that needs ..", "two rows............"}));
    EXPECT_EQ(foregroundText(engine.screen(), 0, 0, 20, 3),
              (Lines{"fff00000000000000000", "ffffffffffffffffff00", "ffffffff000000000000"}));
}

TEST(Console, DropsOneTrailingSpace)
{
    UIEngine engine;
    Console& console = *engine.ui().createConsole(0, 0, 20, 3);
    console.insert(u"two  ", White, false);
    console.insert(u"one ", White, false);
    console.insertEmptyLine();
    EXPECT_EQ(console.getLines()[0].text, u"two ");
    EXPECT_EQ(console.getLines()[1].text, u"one");
    EXPECT_EQ(console.getLines()[2].text, u"");
}

TEST(Console, TextTallerThanItsBufferShowsItsNewestRows)
{
    UIEngine engine;
    Console& console = *engine.ui().createConsole(0, 0, 10, 2);
    console.setActive(true);
    console.insert(u"first", White, false);
    // Twenty words that each take a row of their own: more than the buffer's 16 rows.
    WideString words;
    for (int i = 1; i <= 20; ++i)
        words += u"word" + toWide(std::to_string(100 + i)).substr(1) + u" ";
    console.insert(words, White, false);
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 10, 2), (Lines{"word19 ...", "word20...."}));
}

TEST(Console, InactiveConsoleRecordsButShowsNothingUntilAsked)
{
    UIEngine engine;
    Console& console = *engine.ui().createConsole(0, 0, 8, 1);
    console.insert(u"recorded", White, false);
    console.setActive(true);
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 8, 1)[0], "........");
    console.display();
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 8, 1)[0], "recorded");
}
