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
    EXPECT_EQ(console.getLines().size(), 5u) << "entries the rows cannot show are kept for scrolling back";

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

TEST(Console, KeepsItsNewestThousandEntriesAndScrollsAPageAtATime)
{
    UIEngine engine;
    Console& console = *engine.ui().createConsole(0, 0, 8, 3);
    console.setActive(true);
    for (int i = 1; i <= 1005; ++i)
        console.insert(toWide(std::to_string(i)), White, false);
    EXPECT_EQ(console.getLines().size(), 1000u);
    EXPECT_EQ(console.getLines().front().text, u"6");
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 4, 3), (Lines{"1003", "1004", "1005"}));

    console.scrollBack();
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 4, 3), (Lines{"1000", "1001", "1002"})) << "a page is its height";
    for (int i = 0; i < 400; ++i)
        console.scrollBack();
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 4, 3), (Lines{"6...", "7...", "8..."})) << "it stops at the oldest";
    console.scrollForward();
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 4, 3), (Lines{"9...", "10..", "11.."}));
    console.insert(u"new", White, false);
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 4, 3), (Lines{"1004", "1005", "new."})) << "a new entry shows the newest";
    console.scrollForward();
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 4, 3), (Lines{"1004", "1005", "new."})) << "nothing is past the newest";

    // Rows count, not entries: a wrapped entry and the empty rows scroll as the rows they take.
    console.clear();
    console.setMaxEntries(2);
    console.insert(u"old", White, true);
    console.insert(u"one two three", White, true);
    console.insert(u"last", White, false);
    EXPECT_EQ(console.getLines().size(), 2u);
    console.scrollBack();
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 8, 3), (Lines{"one two ", "three...", "........"}));
    console.scrollBack();
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 8, 1), (Lines{"one two "})) << "the oldest row stays on top";

    console.setActive(false);
    console.scrollForward();
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 8, 1), (Lines{"one two "})) << "an inactive console draws nothing";
}
