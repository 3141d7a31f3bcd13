#include "e2e/EngineTest.hpp"

#include <SFML/Window/Keyboard.hpp>

#include <csignal>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <sstream>

namespace qel::e2e {

namespace {

// Prints every key the script is given, and every half second a random number and dt, each
// with its frame: two plays print the same lines only if they gave the script the same.
const char* const EchoScript = R"(
local frame = 0
function update(dt)
    frame = frame + 1
    if frame % 30 == 0 then say(("%d random %d dt %.6f"):format(frame, math.random(1000000), dt)) end
end
function key(code, pressed)
    say(("%d key %d %s"):format(frame + 1, code, tostring(pressed)))
end
function redraw() fill(Color.Blue) end
)";

// The lines the echo script printed, without the engine's own.
std::string echoed(const std::string& output)
{
    static const std::regex echo("^[0-9]+ (key|random) .*");
    std::istringstream lines(output);
    std::string kept;
    for (std::string line; std::getline(lines, line);)
        if (std::regex_match(line, echo))
            kept += line + "\n";
    return kept;
}

// Pixel for pixel the expected picture; otherwise says how many pixels differ and the first.
PictureCheck isExactly(const std::filesystem::path& expectedFile)
{
    return [expectedFile](const sf::Image& seen) -> testing::AssertionResult {
        sf::Image expected;
        if (!expected.loadFromFile(expectedFile.string()))
            return testing::AssertionFailure() << "cannot read " << expectedFile;
        if (expected.getSize() != seen.getSize())
            return testing::AssertionFailure() << "the picture is " << seen.getSize().x << " x " << seen.getSize().y
                                               << ", not " << expected.getSize().x << " x " << expected.getSize().y;
        const sf::Vector2u size = seen.getSize();
        int differing = 0;
        sf::Vector2u first;
        for (unsigned y = 0; y < size.y; ++y)
            for (unsigned x = 0; x < size.x; ++x)
                if (seen.getPixel(x, y) != expected.getPixel(x, y) && differing++ == 0)
                    first = {x, y};
        if (differing == 0)
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << differing << " pixels differ from " << expectedFile << ", the first at "
                                           << first.x << ", " << first.y;
    };
}

} // namespace

using ReplayTest = EngineTest;

TEST_F(ReplayTest, APlayRecordedWithRealKeysReplaysTheSameForTheScript)
{
    writeScript("echo", EchoScript);
    launch({"-script", "echo", "-record", "play.rec", "-frames", "180"});
    ASSERT_TRUE(waitForWindow());
    ASSERT_TRUE(press("Left a shift+b"));
    ASSERT_TRUE(waitForOutput(" key " + std::to_string(sf::Keyboard::B) + " false"));
    EXPECT_EQ(waitForExit(), 0) << errors();
    const std::string recorded = echoed(output());
    EXPECT_NE(recorded.find("\n180 random"), std::string::npos) << "-frames 180 runs 180 frames:\n" << recorded;

    EXPECT_EQ(runToTheEnd({"-replay", "play.rec"}), 0) << errors();
    EXPECT_EQ(echoed(output()), recorded);
}

// Ctrl+C in the terminal, kill, a terminal that closes, the window's close button: the game hears
// of its end and the recording gets its end line. A replay of a recording cut off before that line
// still runs on to -frames.
TEST_F(ReplayTest, EveryWayOfStoppingAPlayEndsItsRecording)
{
    writeScript("quitting", std::string(EchoScript) + "function quit() say('quit') end\n");
    using Stop = std::function<void(const capture::WindowPlace&)>;
    const std::vector<std::pair<std::string, Stop>> stops{
        {"SIGINT", [&](const capture::WindowPlace&) { signalEngine(SIGINT); }},
        {"SIGTERM", [&](const capture::WindowPlace&) { signalEngine(SIGTERM); }},
        {"SIGHUP", [&](const capture::WindowPlace&) { signalEngine(SIGHUP); }},
        {"the close button", [&](const capture::WindowPlace& window) { ASSERT_TRUE(windows.askToClose(window)); }}};
    std::string recorded;
    for (const auto& [name, stop] : stops) {
        SCOPED_TRACE(name);
        launch({"-script", "quitting", "-record", "play.rec"});
        const std::optional<capture::WindowPlace> window = waitForWindow();
        ASSERT_TRUE(window);
        stop(*window);
        EXPECT_EQ(waitForExit(), 0) << errors();
        EXPECT_NE(output().find("quit\n"), std::string::npos) << output();
        std::ifstream recording(gameFolder() / "play.rec");
        recorded.assign(std::istreambuf_iterator<char>(recording), std::istreambuf_iterator<char>());
        EXPECT_TRUE(std::regex_search(recorded, std::regex("\n[0-9]+ end\n$"))) << recorded;
    }

    const std::size_t endLine = recorded.rfind('\n', recorded.rfind(" end\n")) + 1;
    std::ofstream(gameFolder() / "cut.rec") << recorded.substr(0, endLine);
    EXPECT_EQ(runToTheEnd({"-replay", "cut.rec", "-frames", "90"}), 0) << errors();
    EXPECT_NE(echoed(output()).find("90 random"), std::string::npos) << output();
}

TEST_F(ReplayTest, TheBundledGamesRecordedPlaysGiveTheCommittedPictures)
{
    const std::filesystem::path replays = std::filesystem::path(QEL_GAME_DIR) / "tests" / "replays";
    // A minute of keys; and clicks, wheel turns and a pad's buttons and sticks.
    const std::vector<std::pair<std::string, std::vector<std::string>>> plays{
        {"one-minute", {"0600", "1200", "1800", "3600"}}, {"mouse-and-pad", {"0100", "0400", "0440"}}};
    for (const auto& [play, frames] : plays) {
        SCOPED_TRACE(play);
        std::vector<std::string> arguments{QEL_GAME_DIR, "-replay", (replays / (play + ".rec")).string()};
        for (const std::string& frame : frames)
            arguments.insert(arguments.end(), {"-capture", frame + ":" + frame + ".png"});
        EXPECT_EQ(runToTheEnd(arguments), 0) << errors();
        for (const std::string& frame : frames)
            EXPECT_TRUE(savedPicture(frame + ".png", isExactly(replays / (play + "-" + frame + ".png"))));
    }
}

// A player who cannot see the screen plays from the title to the first gem on what is said: the
// committed lines are every utterance of the play, in order.
TEST_F(ReplayTest, TheBundledGameSaysWhatASightedPlayerSeesFromTheTitleToTheFirstGem)
{
    const std::filesystem::path replays = std::filesystem::path(QEL_GAME_DIR) / "tests" / "replays";
    EXPECT_EQ(runToTheEnd({QEL_GAME_DIR, "-replay", (replays / "first-gem.rec").string(), "-speech", "log"}), 0)
        << errors();
    std::istringstream lines(output());
    std::string said;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("speech: ", 0) == 0)
            said += line + "\n";
    std::ifstream expected(replays / "first-gem.speech");
    EXPECT_EQ(said, std::string(std::istreambuf_iterator<char>(expected), std::istreambuf_iterator<char>()));
}

// Packed into one archive, the bundled game replays its recorded play to the same pictures; an
// archive that is none is refused in one line before any window opens.
TEST_F(ReplayTest, ThePackedBundledGameReplaysToTheCommittedPictures)
{
    const std::filesystem::path replays = std::filesystem::path(QEL_GAME_DIR) / "tests" / "replays";
    const ProgramResult packed = runProgram({enginePath(), "--pack", QEL_GAME_DIR, (gameFolder() / "cave.qel").string()});
    ASSERT_EQ(packed.status, 0) << packed.errors;
    EXPECT_EQ(runToTheEnd({"cave.qel", "-replay", (replays / "one-minute.rec").string(), "-frames", "1800",
                           "-capture", "600:0600.png", "-capture", "1800:1800.png"}),
              0)
        << errors();
    for (const char* frame : {"0600", "1800"})
        EXPECT_TRUE(savedPicture(std::string(frame) + ".png", isExactly(replays / ("one-minute-" + std::string(frame) + ".png"))));

    std::ofstream(gameFolder() / "broken.qel") << "not an archive";
    EXPECT_EQ(runToTheEnd({"broken.qel"}), 1);
    EXPECT_EQ(errors(), "qel: cannot run the game archive \"broken.qel\": it is not a zip archive\n");
}

TEST_F(ReplayTest, ARecordingThatCannotBeReadOrWrittenStopsTheRunWithWhy)
{
    writeScript("echo", EchoScript);
    EXPECT_EQ(runToTheEnd({"-replay", "missing.rec"}), 1);
    EXPECT_NE(errors().find("qel: cannot replay \"" + (gameFolder() / "missing.rec").string() +
                            "\": there is no such file"),
              std::string::npos)
        << errors();
    EXPECT_EQ(runToTheEnd({"-replay", "/dev/zero"}), 1);
    EXPECT_NE(errors().find("qel: cannot replay \"/dev/zero\": it is not a regular file"), std::string::npos)
        << errors();
    EXPECT_EQ(replay("5 press Left\n3 press Right\n"), 1);
    EXPECT_NE(errors().find("play.rec\": line 3: frame 3 comes after frame 5"), std::string::npos) << errors();
    EXPECT_EQ(runToTheEnd({"-script", "echo", "-record", "no/such/folder/play.rec"}), 1);
    EXPECT_NE(errors().find("qel: cannot record to"), std::string::npos) << errors();

    EXPECT_EQ(replay("setting script echo\n30 end\n", {"-capture", "45:late.png", "-capture", "30:last.png"}), 0);
    EXPECT_NE(errors().find("qel: the run ended after frame 30, before frame 45: no picture was saved to"),
              std::string::npos)
        << errors();
    EXPECT_TRUE(savedPicture("last.png", [](const sf::Image& picture) -> testing::AssertionResult {
        const ScreenLayout layout(Style::Default, 80, picture.getSize());
        return cellShows(layout, 40, 12, Blue)(picture);
    }));
}

// A play with a pad replays on a machine without one: the pad's events reach the script in their
// frames, and its answers draw the pictures they drew.
TEST_F(ReplayTest, APlayWithAPadReplaysItsEventsAndAnswers)
{
    writeScript("pads", R"(
function pad(number, button, pressed) say(("pad %d %d %s"):format(number, button, tostring(pressed))) end
function padConnected(number, connected) say(("padConnected %d %s"):format(number, tostring(connected))) end
function update()
    local pads = core.getPads()
    if core.isPadDown(0, 3) then fill(Color.Red)
    elseif core.getPadAxis(0, PadAxis.X) > 0.5 then fill(Color.Green)
    elseif #pads == 1 and pads[1].name == "Arcade Stick" then fill(Color.Blue)
    else fill(Color.Gray) end
end
)");
    std::vector<std::string> captures;
    for (const char* frame : {"1", "2", "3", "4", "6"})
        captures.insert(captures.end(), {"-capture", std::string(frame) + ":" + frame + ".png"});
    EXPECT_EQ(replay("setting script pads\n2 pad 0 connected\n2 pad 0 present Arcade Stick\n3 pad 0 press 3\n"
                     "3 pad 0 down 3\n4 pad 0 release 3\n4 pad 0 up 3\n4 pad 0 axis X 0.75\n5 pad 0 axis X 0\n6 end\n",
                     captures),
              0)
        << errors();
    EXPECT_NE(output().find("padConnected 0 true\npad 0 3 true\npad 0 3 false\n"), std::string::npos) << output();
    const std::pair<const char*, int> shown[] = {{"1.png", Gray}, {"2.png", Blue}, {"3.png", Red}, {"4.png", Green},
                                                 {"6.png", Blue}};
    for (const auto& [picture, colour] : shown)
        EXPECT_TRUE(savedPicture(picture, [colour = colour](const sf::Image& seen) {
            return cellShows(ScreenLayout(Style::Default, 80, seen.getSize()), 40, 12, colour)(seen);
        })) << picture;
}

} // namespace qel::e2e
