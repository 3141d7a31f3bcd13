#include "app/RunControl.hpp"

#include "script/LuaTestEngine.hpp"
#include "support/ReplayedPlay.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace qel;
using qel::test::recordingOf;
using qel::test::replayOf;

namespace {

// Logs what the script is given, frame by frame: dt, whether Left is held, a random number, and
// every key; it also asks for a picture in frame 2.
const char* const LoggingScript = R"(
local core = LuaCore(gCore)
frame = 0
log = {}
function update(dt)
    frame = frame + 1
    log[#log + 1] = ("%d update %.6f %s %d"):format(frame, dt, tostring(core.isKeyDown(Key.Left)), math.random(1000000))
    if frame == 2 then core.capture("asked.png") end
end
function key(code, pressed)
    log[#log + 1] = ("%d key %d %s"):format(frame + 1, code, tostring(pressed))
end
)";

// Runs the engine until the run ends, as the main loop does; gives the script's log.
std::string playToTheEnd(test::LuaTestEngine& engine)
{
    for (int frame = 0; engine.core().getWindow()->isOpen() && frame < 100; ++frame)
        engine.frame(1000);
    return engine.run("io.write(table.concat(log, '\\n'), '\\n')").out;
}

const std::string Play = "qel-recording 1\nseed 42\n2 press Left\n2 text 97\n3 down Left\n"
                         "4 release Left\n4 up Left\n6 end\n";

} // namespace

TEST(RunControl, AReplayGivesTheScriptTheRecordedKeysPollsAndSeedInTheirFramesWithAFixedFrameTime)
{
    LaunchOptions options = test::testOptions();
    options.captures = {{3, "three.png"}, {99, "never.png"}};
    test::LuaTestEngine engine(LoggingScript, "", replayOf(Play, options));
    const std::string log = playToTheEnd(engine);

    const std::string left = std::to_string(sf::Keyboard::Left);
    std::istringstream lines(log);
    std::vector<std::string> shapes;
    for (std::string line; std::getline(lines, line);)
        shapes.push_back(line.substr(0, line.rfind(' ')));
    EXPECT_EQ(shapes, (std::vector<std::string>{"1 update 0.016667 false", "2 key " + left, "2 update 0.016667 false",
                                                "3 update 0.016667 true", "4 key " + left, "4 update 0.016667 false",
                                                "5 update 0.016667 false", "6 update 0.016667 false"}))
        << log;
    EXPECT_NE(log.find("2 key " + left + " true\n"), std::string::npos);
    EXPECT_NE(log.find("4 key " + left + " false\n"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists("asked.png"));
    EXPECT_TRUE(std::filesystem::exists("three.png"));
    sf::Image picture;
    ASSERT_TRUE(picture.loadFromFile("three.png"));
    EXPECT_EQ(picture.getSize(), engine.core().getWindow()->getSize());

    testing::internal::CaptureStderr();
    engine.core().getRunControl().finish();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "qel: the run ended after frame 6, before frame 99: no picture was saved to \"never.png\"\n");

    test::LuaTestEngine again(LoggingScript, "", replayOf(Play));
    EXPECT_EQ(playToTheEnd(again), log) << "the same recording, the same play";
    test::LuaTestEngine otherSeed(LoggingScript, "", replayOf("qel-recording 1\nseed 43\n6 end\n"));
    test::LuaTestEngine nothing(LoggingScript, "", replayOf("qel-recording 1\n"));
    EXPECT_EQ(playToTheEnd(nothing).find("2 update"), std::string::npos) << "a recording of nothing ends after frame 1";
    const std::string otherLog = playToTheEnd(otherSeed);
    EXPECT_NE(otherLog.substr(0, otherLog.find('\n')), log.substr(0, log.find('\n'))) << "another seed, other numbers";
}

TEST(RunControl, ARecordingKeepsTheSeedTheGameSettingsAndEachKeyEventInItsFrame)
{
    test::TempDir folder;
    LaunchOptions options = test::testOptions();
    options.recordPath = (folder.path / "play.rec").string();
    options.lastFrame = 3;
    std::optional<RunControl> control = RunControl::open(options, std::nullopt);
    ASSERT_TRUE(control);
    const unsigned seed = control->randomSeed();
    test::LuaTestEngine engine(LoggingScript, "", std::move(*control));
    engine.frame();
    engine.press(sf::Keyboard::Left);
    engine.frame();
    engine.frame();
    EXPECT_FALSE(engine.core().getWindow()->isOpen()) << "-frames 3 ends the run after frame 3";
    engine.core().getRunControl().finish();

    std::ifstream written(options.recordPath);
    // The window system may tell of the focus in any frame.
    std::string text;
    for (std::string line; std::getline(written, line);)
        if (line.find(" focus ") == std::string::npos)
            text += line + "\n";
    EXPECT_EQ(text, "qel-recording 1\nseed " + std::to_string(seed) +
                              "\nsetting script test\nsetting wallpaper 18\nsetting width 1280\n"
                              "setting height 720\nsetting fullscreen 0\nsetting style default\n"
                              "setting errorpanel 1\nsetting scriptlimit 5\nsetting scriptmemory 1024\nsetting identity \n1 press Left\n3 end\n");

    options.recordPath = (folder.path / "no such folder" / "play.rec").string();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(RunControl::open(options, std::nullopt));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "qel: cannot record to \"" + options.recordPath + "\": No such file or directory\n");
}

// The picture of the exit frame is the picture the frame drew, as that of any frame; the keys
// still waiting in the frame are the play's after it ended.
TEST(RunControl, AnExitEndsTheRunAfterItsFrameWithItsPictureAndWithoutItsLaterKeys)
{
    test::LuaTestEngine engine(R"(
        local core = LuaCore(gCore)
        log = {}
        local frame = 0
        function update()
            frame = frame + 1
            log[#log + 1] = "update"
            if frame == 1 then core.capture("earlier.png") end
        end
        function key(code, pressed)
            log[#log + 1] = "key " .. code
            if code == Key.A then core.capture("exit.png") core.exit(4) end
        end
    )", "", replayOf("qel-recording 1\nseed 42\n2 press A\n2 press B\n3 end\n"));
    EXPECT_EQ(playToTheEnd(engine), "update\nkey " + std::to_string(sf::Keyboard::A) + "\nupdate\n");
    EXPECT_EQ(engine.core().getExitCode(), 4);
    sf::Image earlier;
    sf::Image exit;
    ASSERT_TRUE(earlier.loadFromFile("earlier.png"));
    ASSERT_TRUE(exit.loadFromFile("exit.png"));
    ASSERT_EQ(exit.getSize(), earlier.getSize());
    const std::size_t bytes = 4u * exit.getSize().x * exit.getSize().y;
    EXPECT_TRUE(std::equal(exit.getPixelsPtr(), exit.getPixelsPtr() + bytes, earlier.getPixelsPtr()))
        << "the exit frame's picture is the screen, not a closed window's blank";
}

TEST(RunControl, AReplayIsReadOnlyFromARegularFileAndMayHaveCarriageReturns)
{
    test::TempDir folder;
    const std::string path = (folder.path / "play.rec").string();
    folder.write("play.rec", "qel-recording 1\r\nseed 42\r\n2 press Left\r\n6 end\r\n");
    const std::optional<Recording> replay = RunControl::readReplay(path);
    ASSERT_TRUE(replay);
    EXPECT_EQ(replay->seed, 42u);
    EXPECT_EQ(replay->endFrame, 6);

    for (const std::string& notAFile : {std::string("/dev/zero"), folder.path.string()}) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(RunControl::readReplay(notAFile));
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "qel: cannot replay \"" + notAFile + "\": it is not a regular file\n");
    }
}

// The game hears of the focus as the play did, and of its end once, by its quit.
TEST(RunControl, AReplayGivesTheRecordedFocusAndItsEndCallsQuitOnce)
{
    test::LuaTestEngine engine(R"(
        local frame = 0
        function update() frame = frame + 1 end
        function focus(gained) print(frame, "focus", gained) end
        function quit() print(frame, "quit") end
    )", "", replayOf("qel-recording 1\nseed 42\n2 focus lost\n3 focus gained\n4 end\n"));
    const test::Printed printed = test::capturePrinted([&] { engine.core().run(); });
    EXPECT_EQ(printed.out, "1\tfocus\tfalse\n2\tfocus\ttrue\n4\tquit\n");
}
