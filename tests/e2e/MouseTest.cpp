#include "e2e/EngineTest.hpp"

#include <cmath>
#include <sstream>

namespace qel::e2e {

namespace {

// Steps through display styles and video modes, one for each N pressed, going fullscreen at the
// step that asks for it, and says where the left button was pressed.
const char* const MouseScript = R"(
local steps = {
    {DisplayStyle.Default, VideoMode.Text80x25}, {DisplayStyle.Default, VideoMode.Text40x25},
    {DisplayStyle.FullFill, VideoMode.Text80x25}, {DisplayStyle.FullFill, VideoMode.Text40x25},
    {DisplayStyle.FullFit, VideoMode.Text80x25}, {DisplayStyle.FullFit, VideoMode.Text40x25},
    {DisplayStyle.Default, VideoMode.Text40x25}, {DisplayStyle.FullFill, VideoMode.Text80x25},
    {DisplayStyle.FullFit, VideoMode.Text40x25},
    {DisplayStyle.Default, VideoMode.Text80x25, fullscreen = true}, {DisplayStyle.FullFill, VideoMode.Text40x25},
    {DisplayStyle.FullFit, VideoMode.Text80x25},
}
local step = 0
local function nextStep()
    step = step + 1
    local wanted = steps[step]
    if wanted.fullscreen then core.toggleFullscreen() end
    core.setVideoMode(wanted[2])
    core.setDisplayStyle(wanted[1])
    say("step " .. step)
end
function start() nextStep() end
function key(code, pressed) if pressed and code == Key.N then nextStep() end end
function mouse(kind, column, row, button)
    if kind == "press" then say(("press %d %d %d"):format(column, row, button)) end
end
)";

struct Step {
    Style style;
    int columns;
};

const Step Steps[] = {{Style::Default, 80}, {Style::Default, 40},  {Style::FullFill, 80}, {Style::FullFill, 40},
                      {Style::FullFit, 80}, {Style::FullFit, 40},  {Style::Default, 40},  {Style::FullFill, 80},
                      {Style::FullFit, 40}, {Style::Default, 80},  {Style::FullFill, 40}, {Style::FullFit, 80}};
// The steps in a window resized by the test, and from then on fullscreen.
constexpr int FirstResized = 7, FirstFullscreen = 10;
const sf::Vector2u Resized{1001, 601};

// The pixel whose centre lies just before a window position.
int pixelBefore(float position)
{
    return static_cast<int>(std::ceil(position - 0.5f)) - 1;
}

// Where to click, and what the script must say: the corners, the middles of the edges and the
// middle of the screen at the centres of their cells, and the first pixel inside the left edge
// (and the top edge, on the glass) after the last pixel outside it, which says nothing.
struct Clicks {
    std::vector<sf::Vector2i> pixels;
    std::string said;

    void add(sf::Vector2i pixel, int column, int row)
    {
        pixels.push_back(pixel);
        said += "press " + std::to_string(column) + " " + std::to_string(row) + " 0\n";
    }
};

Clicks clicksFor(const Step& step, sf::Vector2u window)
{
    const ScreenLayout layout(step.style, step.columns, window);
    const int last = step.columns - 1, middle = step.columns / 2;
    Clicks clicks;
    const int middleY = layout.cellCentre(0, 12).y;
    if (step.style == Style::Default) {
        const int outside = pixelBefore(layout.monitorLeft());
        clicks.pixels.push_back({outside, middleY});
        clicks.add({outside + 1, middleY}, 0, 12);
        const int x = layout.cellCentre(middle, 0).x;
        const int above = pixelBefore(layout.topEdge(x + 0.5f));
        clicks.pixels.push_back({x, above});
        clicks.add({x, above + 1}, middle, 0);
    } else if (step.style == Style::FullFit) {
        clicks.pixels.push_back({layout.fullLeft() - 1, middleY});
        clicks.add({layout.fullLeft(), middleY}, 0, 12);
    } else {
        clicks.add({0, 0}, 0, 0);
        clicks.add({int(window.x) - 1, int(window.y) - 1}, last, 24);
    }
    for (const auto& [column, row] : std::vector<std::pair<int, int>>{
             {0, 0}, {last, 0}, {0, 24}, {last, 24}, {middle, 0}, {0, 12}, {last, 12}, {middle, 24}, {middle, 12}})
        clicks.add(layout.cellCentre(column, row), column, row);
    return clicks;
}

std::string describe(const Step& step, sf::Vector2u window)
{
    static const char* const styles[] = {"default", "full fill", "full fit"};
    std::ostringstream text;
    text << styles[static_cast<int>(step.style)] << " style, " << step.columns << " columns, window " << window.x
         << " x " << window.y;
    return text.str();
}

using MouseTest = EngineTest;

} // namespace

// One engine runs every step: each click of the grid says its cell, and the clicks just outside
// the screen say nothing, between the line that announces the step and the last click's line.
TEST_F(MouseTest, AClickReportsTheCellUnderThePointerInEveryStyleModeWindowSizeAndFullscreen)
{
    writeScript("mouse", MouseScript);
    launch({"-script", "mouse"});
    ASSERT_TRUE(waitForWindow());
    // The whole window on the screen, where the pointer can reach every pixel of it.
    ASSERT_TRUE(moveWindow(100, 50));
    for (int number = 1; number <= int(std::size(Steps)); ++number) {
        const Step& step = Steps[number - 1];
        if (number > 1) {
            ASSERT_TRUE(press("n"));
        }
        const std::string announced = "step " + std::to_string(number) + "\n";
        ASSERT_TRUE(waitForOutput(announced));
        if (number == FirstResized) {
            ASSERT_TRUE(resizeWindow(Resized));
        }
        const sf::Vector2u screen = windows.screenSize();
        const std::optional<capture::WindowPlace> window = waitForWindow([&](const capture::WindowPlace& place) {
            const sf::Vector2u size{place.width, place.height};
            if (number >= FirstFullscreen)
                return size == screen;
            return place.x == 100 && place.y == 50 && size == (number >= FirstResized ? Resized : sf::Vector2u{1280, 720});
        });
        ASSERT_TRUE(window) << "step " << number;
        const sf::Vector2u size{window->width, window->height};
        SCOPED_TRACE(describe(step, size));
        const Clicks clicks = clicksFor(step, size);
        ASSERT_TRUE(clickAt(clicks.pixels));
        ASSERT_TRUE(waitForOutput(announced + clicks.said));
    }
}

} // namespace qel::e2e
