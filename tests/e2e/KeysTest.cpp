#include "e2e/EngineTest.hpp"
#include "support/ErrorLines.hpp"

#include <array>
#include <chrono>
#include <set>
#include <thread>

namespace qel::e2e {

namespace {

// Each listed cell (column, row, palette index) shows its colour at its centre, in a window of
// this size.
PictureCheck cellsShow(sf::Vector2u window, std::vector<std::array<int, 3>> cells, Style style = Style::Default,
                       int columns = 80)
{
    return [=](const sf::Image& picture) -> testing::AssertionResult {
        if (picture.getSize() != window)
            return testing::AssertionFailure() << "the window is " << picture.getSize().x << " x " << picture.getSize().y;
        const ScreenLayout layout(style, columns, window);
        for (const auto& [column, row, colour] : cells)
            if (testing::AssertionResult shown = cellShows(layout, column, row, colour)(picture); !shown)
                return shown;
        return testing::AssertionSuccess();
    };
}

// Whether a light glyph stroke lies in the middle part of a cell of dark background.
bool holdsGlyph(const sf::Image& picture, const ScreenLayout& layout, int column, int row)
{
    const sf::Vector2i centre = layout.cellCentre(column, row);
    for (int y = centre.y - 8; y <= centre.y + 8; ++y)
        for (int x = centre.x - 4; x <= centre.x + 4; ++x)
            if (const sf::Color pixel = picture.getPixel(x, y); pixel.r > 128 && pixel.g > 128)
                return true;
    return false;
}

// The field's text starts at column 2 of row 2; the cursor blinks after it, and nothing lies
// beyond.
PictureCheck showsLetters(int count)
{
    return [count](const sf::Image& picture) -> testing::AssertionResult {
        const ScreenLayout layout(Style::FullFill, 80, picture.getSize());
        const int cursor = 2 + count;
        std::string seen, expected;
        for (int column = 0; column < 12; ++column) {
            seen += column == cursor ? '_' : holdsGlyph(picture, layout, column, 2) ? 'x' : ' ';
            expected += column == cursor ? '_' : column >= 2 && column < cursor ? 'x' : ' ';
        }
        if (seen == expected)
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "row 2 holds glyphs as \"" << seen << "\", not \"" << expected << "\"";
    };
}

using KeysTest = EngineTest;

const char* const FieldScript = R"(
function start()
    local field = LuaTextField(ui.createTextField({x = 2, y = 2, width = 30, mainInput = true}))
    field.onEnter(function(text)
        say("entered " .. text)
        entered = true
        screen.redraw()
    end)
end

function redraw()
    fill(Color.Blue)
    if entered then
        screen.fillRect({x = 40, y = 12, width = 1, height = 1, color = Color.Green})
    end
end
)";

TEST_F(KeysTest, TypedTextReachesTheFieldAndReturnRunsItsHandler)
{
    writeScript("field", FieldScript);
    ASSERT_EQ(replay(typing(3, "hello\bp\r"),
                     {"-script", "field", "-style", "fullFill", "-capture", "2:start.bmp", "-capture", "7:typed.bmp",
                      "-capture", "8:erased.bmp", "-capture", "10:entered.bmp"}),
              0);
    EXPECT_TRUE(savedPicture("start.bmp", cellsShow({1280, 720}, {{40, 12, Blue}}, Style::FullFill)));
    EXPECT_TRUE(savedPicture("typed.bmp", showsLetters(5)));
    EXPECT_TRUE(savedPicture("erased.bmp", showsLetters(4)));
    EXPECT_TRUE(test::contains(output(), "entered hellp\n")) << output();
    EXPECT_TRUE(savedPicture("entered.bmp", cellsShow({1280, 720}, {{40, 12, Green}}, Style::FullFill)));
    EXPECT_TRUE(savedPicture("entered.bmp", showsLetters(5))) << "the handler leaves the text as it was";
}

TEST_F(KeysTest, ACapitalRIsTypedIntoTheFocusedField)
{
    writeScript("field", FieldScript);
    ASSERT_EQ(replay(typing(3, "Rob\r"), {"-script", "field", "-style", "fullFill", "-capture", "2:start.bmp"}), 0);
    EXPECT_TRUE(savedPicture("start.bmp", cellsShow({1280, 720}, {{40, 12, Blue}}, Style::FullFill)));
    EXPECT_TRUE(test::contains(output(), "entered Rob\n")) << output();
}

// Each entry is said and cleared, so that the next one starts afresh.
const char* const EntriesScript = R"(
function start()
    local field = LuaTextField(ui.createTextField({x = 2, y = 2, width = 30, mainInput = true}))
    field.onEnter(function(text)
        say("entered " .. text)
        field.clear()
    end)
    say("ready")
end

function redraw()
    fill(Color.Blue)
end
)";

// Fast typing, or one slow frame, brings several keys in a frame; Return, Backspace and Escape
// keep only their own characters from the field.
TEST_F(KeysTest, KeysTypedInOneFrameAllReachTheField)
{
    writeScript("entries", EntriesScript);
    ASSERT_EQ(replay(typing(3, "one\rtwx\bo\x1b" "2\r", 0), {"-script", "entries"}), 0);
    EXPECT_TRUE(test::contains(output(), "entered one\nentered two2\n")) << output();

    launch({"-script", "entries"});
    ASSERT_TRUE(waitForOutput("ready\n"));
    ASSERT_TRUE(waitForWindow());
    ASSERT_TRUE(pressAtOnce("a b Return c d Return e f Return"));
    EXPECT_TRUE(waitForOutput("entered ab\nentered cd\nentered ef\n"));
}

// The key 5 opens a dialog whose field has the focus at once.
const char* const DialogScript = R"(
function key(code, pressed)
    if pressed and code == 31 and not opened then
        opened = true
        local window = ui.createWindow({x = 10, y = 5, width = 30, height = 5})
        local field = LuaTextField(ui.createTextField({parent = window, x = 1, y = 1, width = 20}))
        field.onEnter(function(text) say("entered " .. text) end)
        field.focus()
    end
end

function redraw()
    fill(Color.Blue)
end
)";

TEST_F(KeysTest, TheKeyThatOpensADialogIsNotTypedIntoItsField)
{
    writeScript("dialog", DialogScript);
    ASSERT_EQ(replay(typing(3, "5abc\r"), {"-script", "dialog", "-capture", "2:start.bmp"}), 0);
    EXPECT_TRUE(savedPicture("start.bmp", cellsShow({1280, 720}, {{12, 7, Blue}})));
    EXPECT_TRUE(test::contains(output(), "entered abc\n")) << output();
}

// Two windows with close handlers under a message box.
const char* const WindowsScript = R"(
local function openWindow(name, x, background)
    local window = LuaWindow(ui.createWindow({x = x, y = 2, width = 20, height = 6, background = background,
                                              title = name}))
    window.onClose(function(byEscape)
        say(name .. " closed, by escape " .. tostring(byEscape))
    end)
end

function start()
    openWindow("lower", 2, Color.Red)
    openWindow("upper", 10, Color.Magenta)
    ui.showMessageBox("hello")
end

function redraw()
    fill(Color.Blue)
end
)";

TEST_F(KeysTest, ReturnAndEscapeDismissTheTopmostWindow)
{
    writeScript("windows", WindowsScript);
    ASSERT_EQ(replay(typing(3, "\r\x1b\r"),
                     {"-script", "windows", "-capture", "2:start.bmp", "-capture", "3:box.bmp", "-capture",
                      "4:upper.bmp", "-capture", "5:lower.bmp"}),
              0);
    const sf::Vector2u size(1280, 720);
    EXPECT_TRUE(savedPicture("start.bmp", cellsShow(size, {{4, 4, Red}, {15, 4, Magenta}, {35, 11, Brown}})));
    EXPECT_TRUE(savedPicture("box.bmp", cellsShow(size, {{4, 4, Red}, {15, 4, Magenta}, {35, 11, Blue}})));
    EXPECT_TRUE(savedPicture("upper.bmp", cellsShow(size, {{4, 4, Red}, {15, 4, Red}, {35, 11, Blue}})));
    EXPECT_TRUE(savedPicture("lower.bmp", cellsShow(size, {{4, 4, Blue}, {15, 4, Blue}, {35, 11, Blue}})));
    EXPECT_EQ(test::withoutLines(output(), [](const std::string& line) { return !test::contains(line, "closed"); }),
              "upper closed, by escape true\nlower closed, by escape false\n")
        << "the message box has no close handler";
}

const char* const FullscreenScript = R"(
function start()
    core.setWindowTitle("Treasure")
    local field = LuaTextField(ui.createTextField({x = 2, y = 2, mainInput = true}))
    field.onEnter(function(text) say("entered") end)
end

function redraw()
    fill(Color.Green)
    screen.fillRect({x = 79, y = 24, width = 1, height = 1, color = Color.Yellow})
end

function key(code, pressed, handled)
    if pressed and code == Key.Return then
        say("return, handled " .. tostring(handled))
    elseif pressed and code == Key.Q then
        core.exit(6)
    end
end
)";

// The windows are found by the script's title, which each new window keeps.
TEST_F(KeysTest, AHeldAltReturnTogglesFullscreenOnceAndTheWindowComesBackInPlace)
{
    writeScript("fullscreen", FullscreenScript);
    launch({"-script", "fullscreen"});
    windowTitle = "Treasure";
    ASSERT_TRUE(waitForWindow());
    ASSERT_TRUE(moveWindow(100, 50));
    const std::optional<capture::WindowPlace> windowed =
        waitForWindow([](const capture::WindowPlace& window) { return window.x == 100 && window.y == 50; });
    ASSERT_TRUE(windowed);
    ASSERT_TRUE(waitForPicture(cellsShow({1280, 720}, {{0, 0, Green}, {79, 24, Yellow}})));

    // Every window the held key leaves behind is a toggle.
    ASSERT_TRUE(keyDown("alt+Return"));
    std::set<unsigned long> windowsSeen{windowed->id};
    const auto heldUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    while (std::chrono::steady_clock::now() < heldUntil) {
        if (const std::optional<capture::WindowPlace> window = windows.find(windowTitle))
            windowsSeen.insert(window->id);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(keyUp("alt+Return"));
    EXPECT_EQ(windowsSeen.size(), 2u) << "the windowed window and one fullscreen one";

    const sf::Vector2u screen = windows.screenSize();
    const std::optional<capture::WindowPlace> fullscreen = waitForWindow([&](const capture::WindowPlace& window) {
        return window.id != windowed->id && window.width == screen.x && window.height == screen.y;
    });
    ASSERT_TRUE(fullscreen) << "no window covers the " << screen.x << " x " << screen.y << " screen";
    EXPECT_EQ(fullscreen->x, 0);
    EXPECT_EQ(fullscreen->y, 0);
    EXPECT_TRUE(waitForPicture(cellsShow(screen, {{0, 0, Green}, {79, 24, Yellow}})));
    EXPECT_TRUE(waitForOutput("return, handled true\n"));

    // The new window may be placed a moment after it appears.
    ASSERT_TRUE(press("alt+Return"));
    EXPECT_TRUE(waitForWindow([&](const capture::WindowPlace& window) {
        return window.id != fullscreen->id &&
               std::array<int, 4>{window.x, window.y, int(window.width), int(window.height)} ==
                   std::array<int, 4>{100, 50, 1280, 720};
    })) << "the window comes back at 100, 50 and 1280 x 720";
    EXPECT_TRUE(waitForPicture(cellsShow({1280, 720}, {{0, 0, Green}, {79, 24, Yellow}})));
    ASSERT_TRUE(press("q"));
    EXPECT_EQ(waitForExit(), 6);
    EXPECT_EQ(output().find("entered"), std::string::npos) << "Alt+Return is no Return for the field:\n" << output();
}

// Counts its starts in a file, which outlives the interpreter that a reload replaces.
const char* const ReloadScript = R"(
local function countStart()
    local file = io.open("starts.txt")
    local starts = file and tonumber(file:read("*a")) or 0
    if file then
        file:close()
    end
    file = io.open("starts.txt", "w")
    file:write(starts + 1)
    file:close()
    return starts + 1
end

function start()
    starts = countStart()
    say("start " .. starts)
    if starts == 1 then
        ui.showMessageBox("first run", function() say("box closed") end)
    end
end

function redraw()
    fill(starts == 1 and Color.Red or Color.LightRed)
end
)";

TEST_F(KeysTest, ShiftRReloadsTheScripts)
{
    writeScript("reload", ReloadScript);
    ASSERT_EQ(replay(typing(3, "R"), {"-script", "reload", "-capture", "2:start.bmp", "-capture", "3:reloaded.bmp"}), 0);
    const sf::Vector2u size(1280, 720);
    EXPECT_TRUE(savedPicture("start.bmp", cellsShow(size, {{5, 5, Red}, {33, 11, Brown}})));
    EXPECT_TRUE(test::contains(output(), "start 1\nstart 2\n")) << output();
    EXPECT_TRUE(savedPicture("reloaded.bmp", cellsShow(size, {{5, 5, LightRed}, {33, 11, LightRed}})))
        << "the reload removes the message box";
    EXPECT_EQ(output().find("box closed"), std::string::npos) << "and runs no handler of the old scripts";
}

const char* const NarrowBoxScript = R"(
function start()
    core.setVideoMode(VideoMode.Text40x25)
    ui.showMessageBox(string.rep("word ", 12), function(byEscape)
        say("box closed, by escape " .. tostring(byEscape))
    end)
end

function redraw()
    fill(Color.Blue)
end
)";

TEST_F(KeysTest, AMessageBoxFitsTheNarrowScreenAndTellsItsClose)
{
    writeScript("narrow", NarrowBoxScript);
    ASSERT_EQ(replay(typing(3, "\x1b"), {"-script", "narrow", "-capture", "2:box.bmp", "-capture", "3:closed.bmp"}), 0);
    const sf::Vector2u size(1280, 720);
    EXPECT_TRUE(savedPicture("box.bmp", cellsShow(size, {{0, 11, Brown}, {38, 11, Brown}, {39, 11, Blue}},
                                                  Style::Default, 40)));
    EXPECT_TRUE(test::contains(output(), "box closed, by escape true\n")) << output();
    EXPECT_TRUE(savedPicture("closed.bmp", cellsShow(size, {{0, 11, Blue}}, Style::Default, 40)));
}

// Says each time the left arrow's held state changes, as a game moving while it is held reads it.
const char* const HeldKeyScript = R"(
local held = false
function update()
    if core.isKeyDown(Key.Left) ~= held then
        held = not held
        say(held and "left held" or "left up")
    end
end
function redraw() fill(Color.Blue) end
)";

TEST_F(KeysTest, IsKeyDownAnswersWhileTheKeyIsHeld)
{
    writeScript("held", HeldKeyScript);
    launch({"-script", "held"});
    ASSERT_TRUE(waitForPicture(cellsShow({1280, 720}, {{5, 5, Blue}})));
    ASSERT_TRUE(keyDown("Left"));
    EXPECT_TRUE(waitForOutput("left held\n"));
    ASSERT_TRUE(keyUp("Left"));
    EXPECT_TRUE(waitForOutput("left held\nleft up\n"));
}

// Says each press of Q with its Shift, and each character typed.
const char* const TypedTextScript = R"(
function start() say("ready") end
function key(code, pressed, handled, modifiers)
    if pressed and code == Key.Q then
        say("Q, shift " .. tostring(modifiers.shift) .. ", repeated " .. tostring(modifiers.repeated))
    end
end
function text(character) say("text " .. character) end
function redraw() fill(Color.Blue) end
)";

// Shift and Q go down and up with no gap: the press is treated when Shift may be up already.
// A held Q repeats its press, at the X server's typing rate.
TEST_F(KeysTest, AQuickShiftQKeepsItsShiftAndTypedSymbolsArriveAsText)
{
    ASSERT_TRUE(startGame("typed", TypedTextScript));
    ASSERT_TRUE(pressAtOnce("shift+q"));
    EXPECT_TRUE(waitForOutput("ready\nQ, shift true, repeated false\ntext Q\n"));
    ASSERT_TRUE(type("?>"));
    EXPECT_TRUE(waitForOutput("ready\nQ, shift true, repeated false\ntext Q\ntext ?\ntext >\n"));

    ASSERT_TRUE(keyDown("q"));
    EXPECT_TRUE(waitForOutput("text >\nQ, shift false, repeated false\ntext q\nQ, shift false, repeated true\ntext q\n"))
        << "a held key's presses after its first are repeats";
    ASSERT_TRUE(keyUp("q"));
}

} // namespace

} // namespace qel::e2e
