#include "app/MouseInput.hpp"

#include "app/Recording.hpp"
#include "script/LuaTestEngine.hpp"
#include "support/ReplayedPlay.hpp"
#include "support/TempDir.hpp"

#include <SFML/Window/Mouse.hpp>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace qel;

namespace {

// Logs every mouse call, and in every update where the pointer is and whether Left is down.
const char* const MouseScript = R"(
local core = LuaCore(gCore)
log = {}
function start() core.setDisplayStyle(DisplayStyle.FullFill) end
function mouse(kind, column, row, button)
    log[#log + 1] = ("%s %s %s %s"):format(kind, tostring(column), tostring(row), tostring(button))
end
function update()
    local column, row = core.getMouse()
    log[#log + 1] = ("at %s %s %s"):format(tostring(column), tostring(row), tostring(core.isMouseDown(MouseButton.Left)))
end
)";

// In the full fill style a 1280 x 720 window shows a column every 16 pixels and the texture's
// rows at 1.2 pixels each: the middle of cell (3, 4).
constexpr int CellX = 3 * 16 + 8, CellY = (2 + 4 * 24 + 12) * 6 / 5;

sf::Event moved(int x, int y)
{
    sf::Event event;
    event.type = sf::Event::MouseMoved;
    event.mouseMove = {x, y};
    return event;
}

sf::Event button(sf::Event::EventType type, int x, int y, sf::Mouse::Button which = sf::Mouse::Left)
{
    sf::Event event;
    event.type = type;
    event.mouseButton = {which, x, y};
    return event;
}

sf::Event wheel(float delta, int x, int y, sf::Mouse::Wheel which = sf::Mouse::VerticalWheel)
{
    sf::Event event;
    event.type = sf::Event::MouseWheelScrolled;
    event.mouseWheelScroll = {which, delta, x, y};
    return event;
}

sf::Event ofType(sf::Event::EventType type)
{
    sf::Event event;
    event.type = type;
    return event;
}

sf::Event resized(unsigned width, unsigned height)
{
    sf::Event event;
    event.type = sf::Event::Resized;
    event.size = {width, height};
    return event;
}

// The script's log since it was last taken.
std::string takeLog(test::LuaTestEngine& engine)
{
    return engine.run("io.write(table.concat(log, '\\n'), '\\n') log = {}").out;
}

std::string faultOf(const std::string& body)
{
    TextFileReader lines(std::make_unique<std::istringstream>("qel-recording 1\n" + body), Recording::FileLimits);
    std::string error;
    Recording::read(lines, error);
    return error;
}

} // namespace

TEST(MouseInput, WindowEventsBecomeCellFactsForTheScriptsMouseFunction)
{
    test::LuaTestEngine engine(MouseScript);
    Core& core = engine.core();
    for (const sf::Event& event :
         {moved(CellX, CellY), moved(CellX + 1, CellY + 1), button(sf::Event::MouseButtonPressed, CellX, CellY),
          button(sf::Event::MouseButtonReleased, CellX, CellY, sf::Mouse::XButton2), wheel(1, CellX, CellY),
          wheel(-2, 0, 0), wheel(3, CellX, CellY, sf::Mouse::HorizontalWheel), moved(1279, 719),
          ofType(sf::Event::MouseLeft), ofType(sf::Event::MouseLeft), moved(0, 0)})
        core.handleEvent(event);
    EXPECT_EQ(takeLog(engine), "move 3 4 nil\npress 3 4 0\nrelease 3 4 4\nwheel 3 4 1\nwheel 0 0 -2\n"
                               "move 79 24 nil\nmove nil nil nil\nmove 0 0 nil\n")
        << "a move within the cell, the horizontal wheel and the second leaving tell nothing";

    core.handleEvent(resized(640, 360));
    core.handleEvent(button(sf::Event::MouseButtonPressed, 639, 359));
    core.handleEvent(button(sf::Event::MouseButtonPressed, 640, 100));
    EXPECT_EQ(takeLog(engine), "press 79 24 0\n") << "pixels of the window's size at the event";

    engine.run("LuaCore(gCore).setDisplayStyle(DisplayStyle.Default)");
    core.handleEvent(resized(1280, 720));
    core.handleEvent(button(sf::Event::MouseButtonPressed, 100, 100));
    core.handleEvent(button(sf::Event::MouseButtonReleased, 100, 100));
    core.handleEvent(wheel(1, 100, 100));
    core.handleEvent(moved(100, 100));
    EXPECT_EQ(takeLog(engine), "move nil nil nil\n")
        << "nothing pressed, released or turned on the monitor's frame; a move there leaves the screen";

    const test::Printed misuse = engine.run(R"(
        local core = LuaCore(gCore)
        io.write(MouseButton.Left, MouseButton.Right, MouseButton.Middle, MouseButton.XButton1, MouseButton.XButton2)
        io.write(tostring(core.isMouseDown("Left")), tostring(core.isMouseDown(5)), tostring(core.isMouseDown()))
        core.setMouseCursor(true)
        core.setMouseCursor(nil)
    )");
    EXPECT_EQ(misuse.out, "01234falsefalsefalse");
    EXPECT_NE(misuse.errWithTracebacks.find("LuaCore.isMouseDown: warning: argument 1 is the string \"Left\", not a number "
                                 "from the MouseButton table"),
              std::string::npos)
        << misuse.errWithTracebacks;
}

// A recorded play keeps the facts and the polls' answers in cells, so that its replay in a
// window of another size answers the same.
TEST(MouseInput, ARecordingKeepsTheMouseInCellsAndAReplayAnswersTheSame)
{
    test::TempDir folder;
    LaunchOptions options = test::testOptions();
    options.recordPath = (folder.path / "mouse.rec").string();
    test::LuaTestEngine recorded(MouseScript, "", *RunControl::open(options, std::nullopt));
    Core& core = recorded.core();
    recorded.frame();
    // The pointer itself goes there too, and the window's own events agree with the test's.
    sf::Mouse::setPosition({CellX, CellY}, *core.getWindow());
    core.handleEvent(moved(CellX, CellY));
    core.handleEvent(button(sf::Event::MouseButtonPressed, CellX, CellY, sf::Mouse::Right));
    // A button the window library has no name for is no fact: a recording could not name it.
    core.handleEvent(button(sf::Event::MouseButtonPressed, CellX, CellY, sf::Mouse::ButtonCount));
    recorded.frame();
    core.handleEvent(wheel(-1, CellX, CellY));
    recorded.frame();
    core.getRunControl().finish();
    const std::string log = takeLog(recorded);
    // The first frame finds the pointer wherever the window system left it.
    const std::string firstAnswer = log.substr(0, log.find('\n') + 1);
    EXPECT_EQ(log.substr(firstAnswer.size()),
              "move 3 4 nil\npress 3 4 1\nat 3 4 false\nwheel 3 4 -1\nat 3 4 false\n");

    std::ifstream file(options.recordPath);
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_NE(text.str().find("1 mouse move 3 4\n1 mouse press 3 4 Right\n2 mouse at 3 4\n2 mouse wheel 3 4 -1\n"
                              "3 end\n"),
              std::string::npos)
        << text.str();

    // The replay gives each frame's facts before its update, as the window gives its events.
    test::LuaTestEngine replayed(MouseScript, "", test::replayOf(text.str(), test::testOptions(700, 900)));
    for (int frame = 0; replayed.core().getWindow()->isOpen() && frame < 10; ++frame)
        replayed.frame();
    EXPECT_EQ(takeLog(replayed), "move 3 4 nil\npress 3 4 1\n" + firstAnswer +
                                     "wheel 3 4 -1\nat 3 4 false\nat 3 4 false\n");

    const std::string polls = "qel-recording 1\n2 mouse down Left\n2 mouse at 0 24\n3 mouse up Left\n3 mouse at none\n4 end\n";
    test::LuaTestEngine answered(MouseScript, "", test::replayOf(polls));
    for (int frame = 0; answered.core().getWindow()->isOpen() && frame < 10; ++frame)
        answered.frame();
    EXPECT_EQ(takeLog(answered), "at nil nil false\nat 0 24 true\nat nil nil false\nat nil nil false\n");
}

TEST(MouseInput, MouseLinesReadBackAsWrittenAndFaultyOnesAreRefusedWithTheLine)
{
    const std::vector<MouseFact> facts = {{MouseAction::Move, CellPosition{79, 24}},
                                          {MouseAction::Move, std::nullopt},
                                          {MouseAction::Press, CellPosition{0, 0}, sf::Mouse::XButton1},
                                          {MouseAction::Release, CellPosition{39, 1}, sf::Mouse::Middle},
                                          {MouseAction::Wheel, CellPosition{5, 6}, -3}};
    std::string text = Recording::header(1, {});
    for (const MouseFact& fact : facts)
        text += Recording::mouseLine(7, fact);
    text += Recording::pointerPollLine({8, std::nullopt}) + Recording::pointerPollLine({8, CellPosition{1, 2}}) +
            Recording::buttonPollLine({9, sf::Mouse::Right, true});
    EXPECT_NE(text.find("7 mouse press 0 0 XButton1\n"), std::string::npos) << text;
    const Recording read = test::recordingOf(text);
    ASSERT_EQ(read.events.size(), facts.size());
    for (std::size_t i = 0; i < facts.size(); ++i) {
        EXPECT_EQ(read.events[i].frame, 7);
        EXPECT_EQ(read.events[i].mouse, facts[i]) << "fact " << i;
    }
    ASSERT_EQ(read.pointerPolls.size(), 2u);
    EXPECT_EQ(read.pointerPolls[0].cell, std::nullopt);
    EXPECT_EQ(read.pointerPolls[1].cell, (CellPosition{1, 2}));
    ASSERT_EQ(read.buttonPolls.size(), 1u);
    EXPECT_EQ(read.buttonPolls[0].button, sf::Mouse::Right);
    EXPECT_TRUE(read.buttonPolls[0].down);

    EXPECT_EQ(faultOf("1 mouse press 3\n"), "line 2: a cell is a column and a row, from 0");
    EXPECT_EQ(faultOf("1 mouse press none Left\n"), "line 2: a cell is a column and a row, from 0");
    EXPECT_EQ(faultOf("1 mouse move -1 2\n"), "line 2: a cell is a column and a row, from 0, or \"none\"");
    EXPECT_EQ(faultOf("1 mouse move 1 99999999999\n"), "line 2: a cell is a column and a row, from 0, or \"none\"");
    EXPECT_EQ(faultOf("\n1 mouse release 3 4 Thumb\n"), "line 3: \"Thumb\" is no mouse button");
    EXPECT_EQ(faultOf("1 mouse press 3 4\n"), "line 2: \"\" is no mouse button");
    EXPECT_EQ(faultOf("1 mouse wheel 3 4 up\n"), "line 2: a wheel turns by a whole number of steps");
    EXPECT_EQ(faultOf("1 mouse move 3 4 Left\n"), "line 2: \"Left\" was not expected");
    EXPECT_EQ(faultOf("1 mouse at 3\n"), "line 2: a cell is a column and a row, from 0, or \"none\"");
    EXPECT_EQ(faultOf("1 mouse down 0\n"), "line 2: \"0\" is no mouse button");
    EXPECT_EQ(faultOf("1 mouse fly\n"), "line 2: \"fly\" is not a mouse press, release, move, wheel, at, down or up");
}
