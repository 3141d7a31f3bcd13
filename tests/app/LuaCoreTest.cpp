#include "app/LuaCore.hpp"

#include "script/LuaTestEngine.hpp"
#include "support/ReplayedPlay.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace qel;
using test::LuaTestEngine;

namespace {

const char* const withCore = "core = LuaCore(gCore)";

std::string contentsOf(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

} // namespace

TEST(LuaCore, SetsAndReadsTheRendererSettings)
{
    LuaTestEngine engine(withCore);
    EXPECT_EQ(engine.run("core.setVideoMode(1) print(core.getVideoMode())").out,
              "setVideoMode = 1\nBuffer size: 40 x 25\n1\n");
    EXPECT_EQ(engine.run("core.setDisplayStyle(2) print(core.getDisplayStyle())").out, "2\n");
    EXPECT_EQ(engine.run("core.setWallpaper(3) print(core.getWallpaper())").out, "3\n");
    EXPECT_EQ(engine.run("core.setVideoMode('x') print(core.getVideoMode())").out,
              "setVideoMode = 0\nBuffer size: 80 x 25\n0\n")
        << "a non-number reads as 0";
    EXPECT_EQ(engine.run("core.setWallpaper() print(core.getWallpaper())").out, "0\n");
}

// The numbers are those key() receives; a held key is seen in the black-box tests, which can
// hold one down.
TEST(LuaCore, KeyTableNamesTheKeyCodesAndIsKeyDownRefusesOtherNumbers)
{
    LuaTestEngine engine(withCore);
    EXPECT_EQ(engine.run("print(Key.A, Key.Z, Key.Num0, Key.Num9, Key.Escape, Key.Space, Key.Enter, Key.Return, "
                         "Key.Backspace, Key.BackSpace, Key.Left, Key.Down, Key.Numpad0, Key.F1, Key.F15, Key.Pause, "
                         "Key.Unknown)")
                  .out,
              "0\t25\t26\t35\t36\t57\t58\t58\t59\t59\t71\t74\t75\t85\t99\t100\t-1\n");
    EXPECT_EQ(engine.run("print(core.isKeyDown(Key.A), core.isKeyDown(Key.Unknown), core.isKeyDown(101))").out,
              "false\tfalse\tfalse\n");
}

// The replay holds A down, the key numbered 0, which a value read as 0 would ask about.
TEST(LuaCore, IsKeyDownAnswersFalseForWhatIsNoKeyAndWarnsOnceALine)
{
    LuaTestEngine engine(withCore, "", test::replayOf("qel-recording 1\n1 down A\n9 end\n"));
    engine.frame();
    engine.writeScript("held.lua", "for i = 1, 2 do\n"
                                   "  print(core.isKeyDown(Key.A), core.isKeyDown(Key.Unknown))\n"
                                   "  print(core.isKeyDown(nil), core.isKeyDown('Left'), core.isKeyDown('0'))\n"
                                   "  print(core.isKeyDown(Key.Esc), core.isKeyDown(101), core.isKeyDown(0.5))\n"
                                   "end\n");
    const test::Printed printed = test::capturePrinted([&] { engine.core().runScript("held.lua"); });
    const std::string answers = "true\tfalse\nfalse\tfalse\tfalse\nfalse\tfalse\tfalse\n";
    EXPECT_EQ(printed.out, answers + answers);
    const std::string method = "LuaCore.isKeyDown: warning: ";
    EXPECT_EQ(test::errorLines(printed.err),
              (test::Lines{"scripts/held.lua:3: " + method + "argument 1 is nil, not a number from the Key table",
                           "scripts/held.lua:3: " + method + "argument 1 is the string \"Left\", not a number from "
                                                             "the Key table",
                           "scripts/held.lua:3: " + method + "argument 1 is the string \"0\", not a number from "
                                                             "the Key table",
                           "scripts/held.lua:4: " + method + "argument 1 is nil, not a number from the Key table",
                           "scripts/held.lua:4: " + method + "key code 101 is not in the Key table",
                           "scripts/held.lua:4: " + method + "key code 0.5 is not in the Key table"}));
}

TEST(LuaCore, SetHotKeysSwitchesOnlyTheKeysItNames)
{
    LuaTestEngine engine(withCore);
    const auto hotKeys = [&] {
        const KeyRouter::HotKeys keys = engine.core().getHotKeys();
        return std::vector<bool>{keys.reload, keys.fullscreen};
    };
    EXPECT_EQ(hotKeys(), (std::vector<bool>{true, true}));
    engine.run("core.setHotKeys{reload = false}");
    EXPECT_EQ(hotKeys(), (std::vector<bool>{false, true}));
    engine.run("core.setHotKeys({fullscreen = false, reload = true})");
    EXPECT_EQ(hotKeys(), (std::vector<bool>{true, false}));
    EXPECT_TRUE(test::contains(engine.run("core.setHotKeys{reloads = false}").err, "unknown option \"reloads\""));
    EXPECT_EQ(hotKeys(), (std::vector<bool>{true, false}));
}

TEST(LuaCore, SetVideoModeCallsOnSetVideoModeAndRedrawBeforeItReturns)
{
    LuaTestEngine engine(R"(
        core = LuaCore(gCore)
        function onSetVideoMode(mode) print("onSetVideoMode", mode) end
        function redraw() print("redraw") end
    )");
    EXPECT_EQ(engine.run("core.setVideoMode(VideoMode.Text40x25) print('back')").out,
              "setVideoMode = 1\nBuffer size: 40 x 25\nonSetVideoMode\t1\nredraw\nback\n");
    EXPECT_EQ(engine.run("core.setDisplayStyle(DisplayStyle.FullFill) print('back')").out, "redraw\nback\n");
}

TEST(LuaCore, LoadRunsAFileNestedInTheCaller)
{
    LuaTestEngine engine(withCore);
    engine.writeScript("other.lua", "print('other runs') function fromOther() return 7 end");
    EXPECT_EQ(engine.run("core.load('other.lua') print(fromOther())").out, "other runs\n7\n");

    const test::Printed missing = engine.run("core.load('other') print('goes on')");
    EXPECT_EQ(missing.out, "goes on\n") << "no extension is added";
    EXPECT_EQ(missing.err.rfind("cannot open scripts/other", 0), 0u) << missing.err;

    EXPECT_EQ(engine.run("core.load({})").err,
              "scripts/snippet.lua:1: LuaCore.load: argument 1 must be a string or a number, not table\n");
}

TEST(LuaCore, ExitLetsTheScriptAndTheFrameFinish)
{
    LuaTestEngine engine(R"(
        core = LuaCore(gCore)
        function update() core.exit(3) print("update goes on") end
    )");
    EXPECT_EQ(engine.frame().out, "update goes on\n");
    EXPECT_FALSE(engine.core().getWindow()->isOpen());
    EXPECT_EQ(engine.core().getExitCode(), 3);
}

// The engine runs in the game folder, where the paths are taken from.
TEST(LuaCore, ACaptureThatCannotBeSavedIsSaidWithItsPathAndTheSystemsReason)
{
    LuaTestEngine engine(withCore);
    std::filesystem::create_symlink("/dev/full", "full.png");
    engine.run("core.capture('full.png') core.capture('no folder/shot.png') core.capture('saved.png')");
    EXPECT_EQ(engine.frame().err, "qel: cannot save the picture to \"full.png\": No space left on device\n"
                                  "qel: cannot save the picture to \"no folder/shot.png\": No such file or directory\n");
    sf::Image saved;
    EXPECT_TRUE(saved.loadFromFile("saved.png")) << "the other captures of the frame are saved";
}

// Each capture is a file written from the frame's one picture: a script asking for thousands
// would stall the frame for as long.
TEST(LuaCore, AFrameSavesSixteenCapturesAndWarnsOnceAboutTheRest)
{
    LuaTestEngine engine(withCore);
    const std::string twenty = "for i = 1, 20 do core.capture(name .. i .. '.png') end";
    EXPECT_EQ(engine.run("name = 'shot' " + twenty).err,
              "scripts/snippet.lua:1: LuaCore.capture: warning: a frame saves 16 pictures at most; "
              "the others asked for are not saved\n");
    engine.frame();
    EXPECT_EQ(engine.run("name = 'again' " + twenty).err, "") << "the warning is printed once";
    engine.frame();
    for (const std::string name : {"shot", "again"}) {
        EXPECT_TRUE(std::filesystem::exists(name + "16.png"));
        EXPECT_FALSE(std::filesystem::exists(name + "17.png"));
        EXPECT_EQ(contentsOf(name + "16.png"), contentsOf(name + "1.png"));
    }
}

TEST(LuaUtils, HashesTextWithTheEngineHash)
{
    LuaTestEngine engine("utils = LuaUtils(gUtils)");
    EXPECT_EQ(engine.run("print(utils.hash('abc'), utils.hash('a'), utils.hash(''), utils.hash('\\xC3\\xA9'))").out,
              "291\t97\t0\t47\n");
    EXPECT_EQ(engine.run("print(utils.hash(string.rep('A', 40)), utils.hash(12))").out, "63\t80\n");
    EXPECT_EQ(engine.run("utils.hash(nil)").err,
              "scripts/snippet.lua:1: LuaUtils.hash: argument 1 must be a string or a number, not nil\n");
}
