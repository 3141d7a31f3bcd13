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

TEST(LuaScreenBuffer, OffScreenBuffersDrawAndReadByTheScreensRules)
{
    ScreenEngine engine;
    engine.paint(0, 0, 80, 25, u'#', Green);
    EXPECT_EQ(engine.run("b = LuaScreenBuffer.new{width = 300, height = 2} print(b.getSize()) print(sb.getSize())"
                         "b.print{x = 298, text = 'abc', color = Color.Yellow}"
                         "print(b.get{x = 299, y = 0}) print(b.get{x = 0, y = 1}) print(b.get{x = 5, y = 1})"
                         "print(b.get{x = 300, y = 0}, b.get{x = 0, y = -1}, sb.get{x = 80, y = 0})"
                         "print(sb.get{x = 79, y = 24})")
                  .out,
              "300\t2\n80\t25\nb\t10\t0\nc\t10\t0\n\t0\t0\nnil\tnil\tnil\n#\t8\t3\n")
        << "a new buffer is Clear; text runs on into the next row; get reads nothing off the buffer";

    engine.run("b.fillRow{row = 1, color = Color.Red} b.fillRow{row = 256, color = Color.Cyan}");
    EXPECT_EQ(engine.run("print(select(3, b.get{x = 7, y = 1}), select(3, b.get{x = 7, y = 0}))").out, "1\t4\n")
        << "a row inside the buffer counts as it is, one outside by its low 8 bits";

    engine.run("b.clear(Color.Blue) b.print{x = 3, text = 'hi', color = Color.White}"
               "sb.blit{source = b, x = -2, y = 1, width = 6, height = 1, transparent = true}"
               "sb.blit{source = b, x = 10, y = 2, fromX = 3, width = 2, height = 5}");
    EXPECT_EQ(screenText(engine.screen(), 0, 1, 12, 2), (Lines{"#hi#########", "##########hi"}));
    EXPECT_EQ(backgroundText(engine.screen(), 0, 1, 12, 2), (Lines{"555533333333", "333333333355"}));

    engine.run("b.blit{source = gScreenBuffer, fromX = 10, fromY = 2, width = 1}");
    EXPECT_EQ(engine.run("print(b.get{x = 0, y = 0})").out, "h\t15\t5\n") << "the screen's handle is a source too";
}

TEST(LuaScreenBuffer, OffScreenBuffersBelongToTheirScriptObjects)
{
    ScreenEngine engine;
    const std::string out = engine.run("b = LuaScreenBuffer.new{width = 3, height = 3} handle = LuaScreenBuffer(b.instance())"
                                       "LuaCore(gCore).setVideoMode(VideoMode.Text40x25) handle.put{text = 'x'}"
                                       "print(b.get{}, (sb.getSize()))").out;
    EXPECT_EQ(out.substr(out.find("\nx\t") + 1), "x\t40\n")
        << "a video-mode change leaves off-screen buffers alone";
    EXPECT_EQ(engine.run("b = nil collectgarbage() handle.put{}").err,
              "scripts/snippet.lua:1: LuaScreenBuffer.put: object no longer exists\n")
        << "the collector frees a buffer with its object";

    EXPECT_EQ(engine.run("for i = 1, 200 do LuaScreenBuffer.new{width = 1024, height = 1024} end").err, "")
        << "buffers dropped in a loop are freed as it goes";
    EXPECT_EQ(engine.run("kept = {} for i = 1, 100 do kept[i] = LuaScreenBuffer.new{width = 1024, height = 1024} end").err,
              "scripts/snippet.lua:1: LuaScreenBuffer.new: off-screen buffers would take more than 256 MB\n");
    EXPECT_EQ(engine.run("kept = nil collectgarbage() LuaScreenBuffer.new{width = 1024, height = 1024}").err, "");

    EXPECT_EQ(engine.run("LuaScreenBuffer.new{width = 1025, height = 1}").err,
              "scripts/snippet.lua:1: LuaScreenBuffer.new: width and height must be from 1 to 1024, not 1025 x 1\n");
    EXPECT_EQ(engine.run("sb.blit{source = 7}").err,
              "scripts/snippet.lua:1: LuaScreenBuffer.blit: option \"source\" must be a LuaScreenBuffer or a buffer's "
              "handle, not number\n");
    EXPECT_EQ(engine.run("LuaScreenBuffer.new = print").err, "scripts/snippet.lua:1: Attempt to modify read-only table\n");
    EXPECT_EQ(engine.run("print(LuaScreenBuffer(gScreenBuffer).getSize(), getmetatable(LuaScreenBuffer))").out, "40\tfalse\n")
        << "the class is still called to wrap a handle";
}

TEST(LuaScreenBuffer, BuffersSaveAndLoadAsCellArtFiles)
{
    ScreenEngine engine;
    EXPECT_EQ(engine.run("local b = LuaScreenBuffer.new{width = 4, height = 2}"
                         "b.fillRect{width = 4, height = 2, color = Color.Blue}"
                         "b.print{x = 1, y = 1, text = '♦é', color = Color.LightRed, background = Color.Clear2}"
                         "print(b.save('art.xp'))"
                         "local loaded = LuaScreenBuffer.load('art.xp') print(loaded.getSize())"
                         "for x = 0, 3 do print(loaded.get{x = x, y = 1}) end")
                  .out,
              "true\n4\t2\n\t0\t5\n♦\t9\t0\né\t9\t0\n\t0\t5\n")
        << "the cells come back, the Clear2 background as Clear";

    EXPECT_EQ(engine.run("print(LuaScreenBuffer.load('missing.xp')) print(LuaScreenBuffer.load('scripts/test.lua'))"
                         "print(LuaScreenBuffer.new{width = 1, height = 1}.save('no/such/folder/art.xp'))")
                  .out,
              "nil\tcannot load \"missing.xp\": there is no such file\n"
              "nil\tcannot load \"scripts/test.lua\": it is not gzip-compressed\n"
              "false\tcannot save \"no/such/folder/art.xp\": No such file or directory\n");
}
