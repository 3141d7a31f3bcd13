// What scripts see of the gamepads: the callbacks for their buttons and their coming and going,
// the questions LuaCore answers about them, and both kept by a recording for its replay. The
// build machines have no pads: the events are fed to the engine as the window delivers them,
// and the pads' states come from replays.

#include "app/Core.hpp"

#include "script/LuaTestEngine.hpp"
#include "support/FakeScript.hpp"
#include "support/ReplayedPlay.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace qel;
using namespace qel::test;

namespace {

sf::Event padButton(bool pressed, unsigned pad, unsigned button)
{
    sf::Event event;
    event.type = pressed ? sf::Event::JoystickButtonPressed : sf::Event::JoystickButtonReleased;
    event.joystickButton = {pad, button};
    return event;
}

sf::Event padConnection(bool connected, unsigned pad)
{
    sf::Event event;
    event.type = connected ? sf::Event::JoystickConnected : sf::Event::JoystickDisconnected;
    event.joystickConnect = {pad};
    return event;
}

sf::Event padMoved(unsigned pad, float position)
{
    sf::Event event;
    event.type = sf::Event::JoystickMoved;
    event.joystickMove = {pad, sf::Joystick::X, position};
    return event;
}

// Prints every pad callback, and in every frame the connected pads, pad 1's button 2 and its Y axis.
const char* const PadLoggingScript = R"(
local core = LuaCore(gCore)
function pad(number, button, pressed) print("pad", number, button, pressed) end
function padConnected(number, connected) print("padConnected", number, connected) end
function update()
    local names = {}
    for _, found in ipairs(core.getPads()) do names[#names + 1] = found.number .. "=" .. found.name end
    print("polled", table.concat(names, ","), core.isPadDown(1, 2), core.getPadAxis(1, PadAxis.Y))
end
)";

// A play with pad 1 plugged in, its button 2 pressed with the stick pushed up, then let go and
// the pad pulled out; the poll lines in the order the script asks.
const std::string PadPlay = "qel-recording 1\nseed 1\n"
                            "1 pad 1 connected\n1 pad 1 present Arcade Stick\n"
                            "2 pad 1 press 2\n2 pad 1 down 2\n2 pad 1 axis Y -0.5\n"
                            "3 pad 1 release 2\n3 pad 1 disconnected\n3 pad 1 absent\n3 pad 1 up 2\n3 pad 1 axis Y 0\n"
                            "4 end\n";

std::string fileText(const std::filesystem::path& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

// Pads are read by their events as they come, in their order among the other events; their
// moves are only polled.
TEST(Gamepads, ButtonEventsAndPadsComingAndGoingReachTheScript)
{
    RecordingEngine<FakeScript> engine;
    Core& core = *engine.core;
    for (const sf::Event& event : {padConnection(true, 7), padButton(true, 7, 31), padMoved(7, 100.f),
                                   keyPress(sf::Keyboard::A), padButton(false, 7, 31), padButton(true, 0, 0),
                                   padConnection(false, 7)})
        EXPECT_TRUE(core.handleEvent(event));
    EXPECT_EQ(engine.script->log, (Lines{"pad 7 connected", "pad 7 button 31 down", "key 0 down",
                                         "pad 7 button 31 up", "pad 0 button 0 down", "pad 7 disconnected"}));
}

TEST(Gamepads, AReplayGivesTheScriptThePadsEventsAndAnswersAndARecordingOfItKeepsThemAlike)
{
    TempDir folder;
    LaunchOptions options = testOptions();
    options.recordPath = (folder.path / "again.rec").string();
    LuaTestEngine replayed(PadLoggingScript, "", replayOf(PadPlay, options), options);
    const Printed printed = capturePrinted([&] { replayed.core().run(); });
    EXPECT_EQ(printed.out, "padConnected\t1\ttrue\npolled\t1=Arcade Stick\tfalse\t0\n"
                           "pad\t1\t2\ttrue\npolled\t1=Arcade Stick\ttrue\t-0.5\n"
                           "pad\t1\t2\tfalse\npadConnected\t1\tfalse\npolled\t\tfalse\t0\n"
                           "polled\t\tfalse\t0\n");
    EXPECT_EQ(printed.err, "");

    const std::string again = fileText(options.recordPath);
    EXPECT_NE(again.find(PadPlay.substr(PadPlay.find("1 pad"))), std::string::npos) << again;
    LuaTestEngine replayedAgain(PadLoggingScript, "", replayOf(again));
    EXPECT_EQ(capturePrinted([&] { replayedAgain.core().run(); }).out, printed.out);
}

// The replay holds pad 0's button 0 down and its X axis at 0.5, which a wrong argument read as
// 0 would ask about.
TEST(Gamepads, PadQuestionsWithWrongArgumentsAnswerNothingWithAWarning)
{
    LuaTestEngine engine("core = LuaCore(gCore)", "",
                         replayOf("qel-recording 1\n1 pad 0 down 0\n1 pad 0 axis X 0.5\n1 pad 0 present P\n9 end\n"));
    engine.frame();
    engine.writeScript("asks.lua",
                       "print(core.isPadDown(0, 0), core.getPadAxis(0, PadAxis.X), #core.getPads(), core.getPads()[1].name)\n"
                       "print(core.isPadDown(8, 0), core.isPadDown(-1, 0), core.isPadDown(0.5, 0))\n"
                       "print(core.isPadDown(nil, 0), core.isPadDown('0', 0), core.isPadDown(0, 32))\n"
                       "print(core.getPadAxis(0, PadAxis.W), core.getPadAxis(0, 8), core.getPadAxis(9, PadAxis.X))\n"
                       "print(PadAxis.X, PadAxis.Y, PadAxis.Z, PadAxis.R, PadAxis.U, PadAxis.V, PadAxis.PovX, PadAxis.PovY)\n");
    const Printed printed = capturePrinted([&] { engine.core().runScript("asks.lua"); });
    EXPECT_EQ(printed.out, "true\t0.5\t1\tP\nfalse\tfalse\tfalse\nfalse\tfalse\tfalse\n0\t0\t0\n0\t1\t2\t3\t4\t5\t6\t7\n");
    const std::string isPadDown = "LuaCore.isPadDown: warning: ", getPadAxis = "LuaCore.getPadAxis: warning: ";
    EXPECT_EQ(errorLines(printed.err),
              (Lines{"scripts/asks.lua:2: " + isPadDown + "pad number 8 is not from 0 to 7",
                     "scripts/asks.lua:2: " + isPadDown + "pad number -1 is not from 0 to 7",
                     "scripts/asks.lua:2: " + isPadDown + "pad number 0.5 is not from 0 to 7",
                     "scripts/asks.lua:3: " + isPadDown + "argument 1 is nil, not a pad number from 0 to 7",
                     "scripts/asks.lua:3: " + isPadDown + "argument 1 is the string \"0\", not a pad number from 0 to 7",
                     "scripts/asks.lua:3: " + isPadDown + "button number 32 is not from 0 to 31",
                     "scripts/asks.lua:4: " + getPadAxis + "argument 2 is nil, not a number from the PadAxis table",
                     "scripts/asks.lua:4: " + getPadAxis + "axis 8 is not in the PadAxis table",
                     "scripts/asks.lua:4: " + getPadAxis + "pad number 9 is not from 0 to 7"}));
}
