#include "display/LuaScreenBuffer.hpp"

#include "script/LuaTestEngine.hpp"

#include <gtest/gtest.h>

using namespace qel;
using test::backgroundText;
using test::foregroundText;
using test::Lines;
using test::screenText;

namespace {

// An engine whose script keeps the current screen as sb; the screen starts with every cell 0.
class ScreenEngine : public test::LuaTestEngine {
public:
    ScreenEngine() : LuaTestEngine("function onSetVideoMode() sb = LuaScreenBuffer(gScreenBuffer) end") {}

    // Gives a rectangle of cells a character and a background to keep or lose.
    void paint(int x, int y, int width, int height, char16_t character, uint8_t background)
    {
        for (int row = y; row < y + height; ++row)
            for (int column = x; column < x + width; ++column)
                screen().put(column, row, character, ColorPair{Gray, background});
    }
};

} // namespace

TEST(LuaScreenBuffer, PutWritesOneCharacterWithoutTheOrigin)
{
    ScreenEngine engine;
    engine.paint(0, 0, 6, 2, u'#', Green);
    engine.screen().setOrigin(3, 1);
    engine.run("sb.put({x = 2, y = 1, text = '\\xC3\\xA9'}) sb.put({x = 3, y = 1}) sb.put({x = 4, y = 1, char = 'xyz'})");
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 6, 2), (Lines{"######", "##\u00E9 x#"}));
    EXPECT_EQ(foregroundText(engine.screen(), 0, 1, 6, 1), Lines{"88fff8"}) << "White, the default colour";
    EXPECT_EQ(backgroundText(engine.screen(), 0, 1, 6, 1), Lines{"333333"})
        << "the default background keeps the cells'";

    engine.run("sb:put({value = 7, color = Color.Red, background = Color.Blue}) sb.put()");
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 1, 1), Lines{" "}) << "no table: every option has its default";
    EXPECT_EQ(foregroundText(engine.screen(), 0, 0, 1, 1), Lines{"f"});
    EXPECT_EQ(engine.run("sb.put({'array item', x = 1, text = 'A'})").err, "") << "array items are skipped";
    EXPECT_EQ(screenText(engine.screen(), 1, 0, 1, 1), Lines{"A"});
}

TEST(LuaScreenBuffer, PrintChoosesItsModeFromTheOptions)
{
    ScreenEngine engine;
    engine.run("sb.print({text = 'hello world', length = 10})"
               "sb.print({y = 2, text = 'hello world', length = 10, wrap = true})"
               "sb.print({x = 14, text = 'abc', vertical = true, asIs = true})"
               "sb.print({y = 5, text = 'a  b', raw = true})");
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 16, 6), (Lines{"hello world...a.",
                                                            "..............b.",
                                                            "hello ........c.",
                                                            "world...........",
                                                            "................",
                                                            "a..b............"}));

    engine.screen().setOrigin(2, 1);
    engine.run("sb.print({x = 1, y = 7, text = 'in', color = Color.Yellow, background = Color.Red})");
    EXPECT_EQ(screenText(engine.screen(), 3, 8, 2, 1), Lines{"in"}) << "print adds the origin";
    EXPECT_EQ(foregroundText(engine.screen(), 3, 8, 2, 1), Lines{"aa"});
    EXPECT_EQ(backgroundText(engine.screen(), 3, 8, 2, 1), Lines{"11"});
}

TEST(LuaScreenBuffer, TextOptionsMustBeText)
{
    ScreenEngine engine;
    EXPECT_EQ(engine.run("sb.print({x = 1, text = true})").err,
              "scripts/snippet.lua:1: LuaScreenBuffer.print: option 'text' must be a string or a number, not boolean\n");
    EXPECT_EQ(engine.run("sb.put({char = {}})").err,
              "scripts/snippet.lua:1: LuaScreenBuffer.put: option 'char' must be a string or a number, not table\n");
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 3, 1), Lines{"..."}) << "a failed call writes nothing";
}

TEST(LuaScreenBuffer, FillsRowsAndRectangles)
{
    ScreenEngine engine;
    engine.paint(0, 0, 80, 25, u'#', Green);
    engine.run("sb.fillRow({row = 256}) sb.fillRow({y = -1, color = Color.Red}) sb.fillRect({})");
    EXPECT_EQ(backgroundText(engine.screen(), 0, 0, 3, 2), (Lines{"555", "333"}))
        << "row 256 is row 0, the default is Blue";
    EXPECT_EQ(screenText(engine.screen(), 0, 0, 3, 2), (Lines{"...", "###"}));
    EXPECT_EQ(backgroundText(engine.screen(), 0, 24, 3, 1), Lines{"333"}) << "row 255 lies outside the screen";

    engine.run("sb.fillRect({x = 1, y = 1, width = 2, height = 1})"
               "sb.clearRect({x = 1, y = 2, width = 2, height = 1})"
               "sb.fillRect({x = 1, y = 3, width = 2, height = 1, color = Color.Cyan, background = Color.Red})");
    EXPECT_EQ(backgroundText(engine.screen(), 0, 1, 4, 3), (Lines{"3883", "3gg3", "3443"}))
        << "Gray, Black, then the colour option";
    EXPECT_EQ(screenText(engine.screen(), 0, 1, 4, 3), (Lines{"#..#", "#..#", "#..#"}));

    engine.run("sb.fillRect({width = 80, height = 25, color = 0})");
    EXPECT_EQ(screenText(engine.screen(), 0, 4, 3, 1), Lines{"..."});
    EXPECT_EQ(backgroundText(engine.screen(), 0, 4, 3, 1), Lines{"333"}) << "colour 0 keeps the backgrounds";
}

TEST(LuaScreenBuffer, DrawBorderFramesFillsAndShadows)
{
    ScreenEngine engine;
    engine.run("sb.drawBorder({x = 1, y = 1, width = 10, height = 5, fill = true, shadow = true, "
               "background = Color.Blue, merge = true})");
    EXPECT_EQ(screenText(engine.screen(), 1, 1, 11, 6),
              (Lines{"\u2554\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2557.",
                     "\u2551........\u2551.",
                     "\u2551........\u2551.",
                     "\u2551........\u2551.",
                     "\u255A\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u2550\u255D.",
                     "..........."}));
    EXPECT_EQ(backgroundText(engine.screen(), 1, 1, 11, 6),
              (Lines{"55555555550", "5555555555g", "5555555555g", "5555555555g", "5555555555g", "0gggggggggg"}));
    EXPECT_EQ(foregroundText(engine.screen(), 1, 1, 1, 1), Lines{"f"});
}

TEST(LuaScreenBuffer, ClearTakesAColourOnlyAsItsOneArgument)
{
    ScreenEngine engine;
    engine.run("sb.clear(Color.Blue)");
    EXPECT_EQ(backgroundText(engine.screen(), 0, 0, 2, 1), Lines{"55"});
    engine.run("sb:clear(Color.Blue)");
    EXPECT_EQ(backgroundText(engine.screen(), 0, 0, 2, 1), Lines{"00"}) << "a colon call passes the object first";
    engine.run("sb.clear(Color.Blue) sb.clear()");
    EXPECT_EQ(backgroundText(engine.screen(), 0, 0, 2, 1), Lines{"00"});
}

TEST(LuaScreenBuffer, RedrawClearsAndCallsTheScript)
{
    ScreenEngine engine;
    engine.run("sb.clear(Color.Blue) function redraw() print('redraw') end");
    EXPECT_EQ(engine.run("sb.redraw() print(sb.instance() == gScreenBuffer)").out, "redraw\ntrue\n");
    EXPECT_EQ(backgroundText(engine.screen(), 0, 0, 2, 1), Lines{"00"});
}
