#include "e2e/EngineTest.hpp"

#include "display/ScreenGeometry.hpp"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace qel::e2e {

namespace {

// Every cell gets a background by its place, so that a cell shown one column or row off shows
// the wrong colour; colour 0 leaves the cell clear, showing what lies under the screen.
const char* const PatternScript = R"(
function start()
    core.setVideoMode(VIDEO_MODE)
end

function patternColour(column, row)
    return (column + 2 * row) % 16
end

function redraw()
    local columns = core.getVideoMode() == VideoMode.Text40x25 and 40 or 80
    for row = 0, 24 do
        for column = 0, columns - 1 do
            local colour = patternColour(column, row)
            if colour ~= Color.Clear then
                screen.fillRect({x = column, y = row, width = 1, height = 1, color = colour})
            end
        end
    end
end
)";

// Points in a cell's pixels of the screen picture, far enough from its sides that smoothing
// leaves them the cell's colour, near enough to see a cell shown a few pixels off.
const sf::Vector2f NearSides[] = {{3, CellHeight / 2}, {CellWidth - 3, CellHeight / 2},
                                  {CellWidth / 2, 5}, {CellWidth / 2, CellHeight - 5}};

const char* const HexDigits = "0123456789ABCDEF";

int patternColour(int column, int row)
{
    return (column + 2 * row) % 16;
}

// A cell as a letter: '.' for what lies under the screen, the hexadecimal palette index for a
// colour of the pattern, '?' for anything else.
char cellLetter(sf::Color seen, sf::Color under)
{
    if (looksLike(seen, under))
        return '.';
    for (int index = 1; index < 16; ++index)
        if (looksLike(seen, paletteColour(index)))
            return HexDigits[index];
    return '?';
}

struct Launch {
    Style style;
    std::string styleWord;
    int columns;
    sf::Vector2u window;
    int wallpaper;
};

std::ostream& operator<<(std::ostream& out, const Launch& launch)
{
    return out << launch.styleWord << ", " << launch.columns << " columns, " << launch.window.x << " x "
               << launch.window.y << ", wallpaper " << launch.wallpaper;
}

class CellGridTest : public EngineTest, public testing::WithParamInterface<Launch> {
protected:
    void SetUp() override
    {
        const Launch& game = GetParam();
        writeScript("pattern", "VIDEO_MODE = " + std::to_string(game.columns == 40 ? 1 : 0) + "\n" + PatternScript);
        launch({"-script", "pattern", "-style", game.styleWord, "-width", std::to_string(game.window.x), "-height",
                std::to_string(game.window.y), "-wallpaper", std::to_string(game.wallpaper)});
    }

    std::string expectedGrid() const
    {
        std::string grid;
        for (int row = 0; row < 25; ++row) {
            for (int column = 0; column < GetParam().columns; ++column) {
                const int colour = patternColour(column, row);
                grid += colour == 0 ? '.' : HexDigits[colour];
            }
            grid += '\n';
        }
        return grid;
    }

    // A cell's letter when its middle and the points near its sides agree; '?' otherwise.
    std::string seenGrid(const sf::Image& picture) const
    {
        const Launch& game = GetParam();
        const ScreenLayout layout(game.style, game.columns, picture.getSize());
        const Backdrop backdrop(gameData(), game.wallpaper);
        const auto letterAt = [&](sf::Vector2i point) {
            return cellLetter(picture.getPixel(point.x, point.y),
                              backdrop.at(game.style, picture.getSize(), point.x, point.y));
        };
        std::string grid;
        for (int row = 0; row < 25; ++row) {
            for (int column = 0; column < game.columns; ++column) {
                const char middle = letterAt(layout.cellCentre(column, row));
                const bool agree = std::all_of(std::begin(NearSides), std::end(NearSides), [&](sf::Vector2f point) {
                    return letterAt(layout.cellPoint(column, row, point)) == middle;
                });
                grid += agree ? middle : '?';
            }
            grid += '\n';
        }
        return grid;
    }

    // Points on a lattice over the window, outside the screen's bounding box, show the backdrop.
    testing::AssertionResult backdropShows(const sf::Image& picture) const
    {
        const Launch& game = GetParam();
        const ScreenLayout layout(game.style, game.columns, picture.getSize());
        const Backdrop backdrop(gameData(), game.wallpaper);
        const sf::FloatRect screen = screenBounds(layout);
        int wrong = 0;
        std::ostringstream report;
        for (unsigned y = 1; y < game.window.y; y += 23) {
            for (unsigned x = 1; x < game.window.x; x += 23) {
                if (screen.contains(x, y))
                    continue;
                const sf::Color seen = picture.getPixel(x, y);
                if (!backdrop.shows(game.style, picture.getSize(), x, y, seen) && ++wrong <= 5)
                    report << "\n  at " << x << ", " << y << ": " << describe(seen) << " instead of about "
                           << describe(backdrop.at(game.style, picture.getSize(), x, y));
            }
        }
        if (wrong == 0)
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << wrong << " backdrop points are wrong, among them:" << report.str();
    }

    // With a margin for the smoothing of the screen's edges.
    sf::FloatRect screenBounds(const ScreenLayout& layout) const
    {
        const Launch& game = GetParam();
        if (game.style == Style::Default) {
            const float left = layout.monitorLeft(), middle = left + layout.glassWidth() / 2;
            return {left - 2, layout.topEdge(middle) - 2, layout.glassWidth() + 4,
                    layout.bottomEdge(middle) - layout.topEdge(middle) + 4};
        }
        return sf::FloatRect(layout.fullLeft() - 2, 0, layout.fullRight() - layout.fullLeft() + 4, game.window.y);
    }
};

TEST_P(CellGridTest, EveryCellShowsItsColourWhereTheStylePutsIt)
{
    const std::optional<capture::WindowPlace> window = waitForWindow();
    ASSERT_TRUE(window);
    ASSERT_EQ(sf::Vector2u(window->width, window->height), GetParam().window);
    const PictureCheck showsPatternOverBackdrop = [&](const sf::Image& picture) -> testing::AssertionResult {
        if (picture.getSize() != GetParam().window)
            return testing::AssertionFailure() << "the window has another size";
        const std::string seen = seenGrid(picture);
        if (seen != expectedGrid())
            return testing::AssertionFailure() << "cells seen:\n" << seen << "cells expected:\n" << expectedGrid();
        return backdropShows(picture);
    };
    EXPECT_TRUE(waitForPicture(showsPatternOverBackdrop));
}

INSTANTIATE_TEST_SUITE_P(
    StylesAndModes, CellGridTest,
    testing::Values(Launch{Style::Default, "default", 80, {1280, 720}, 18},
                    Launch{Style::Default, "default", 40, {1000, 650}, 1},
                    Launch{Style::Default, "default", 40, {800, 600}, 18},
                    Launch{Style::Default, "default", 80, {1920, 1080}, 3},
                    Launch{Style::FullFill, "fullFill", 80, {1280, 720}, 18},
                    Launch{Style::FullFill, "full-fill", 40, {900, 700}, 2},
                    Launch{Style::FullFit, "fullFit", 80, {1280, 720}, 6},
                    Launch{Style::FullFit, "full_fit", 40, {1200, 600}, 4}));

struct Probe {
    int x, y;
    bool onScreen;
};

// The window columns beside each end and each bend of the glass's edges, on both sides of a bend.
std::vector<int> besideBends(const ScreenLayout& layout)
{
    const int left = layout.monitorLeft(), quarter = GlassWidth / GlassQuarters;
    std::vector<int> columns = {left + 2};
    for (int bend = 1; bend < GlassQuarters; ++bend)
        columns.insert(columns.end(), {left + bend * quarter - 2, left + bend * quarter + 2});
    columns.push_back(left + GlassWidth - 2);
    return columns;
}

// Pixels just inside and just outside the edges of the monitor's screen. The cells' rows end
// 4 to 5 pixels above the bottom edge, where the screen picture holds no cells. Beside each
// corner of the edges' outline the edges are probed on both sides, so that each bend counts.
std::vector<Probe> edgeProbes(const ScreenLayout& layout)
{
    const int cellsBottom = CellsTop + ScreenRows * CellHeight;
    std::vector<Probe> probes;
    for (int x : besideBends(layout)) {
        const float top = layout.topEdge(x + 0.5f), bottom = layout.bottomEdge(x + 0.5f);
        const float rowsEnd = top + (bottom - top) * cellsBottom / ScreenTextureHeight;
        probes.push_back({x, static_cast<int>(std::floor(top + 3)), true});
        probes.push_back({x, static_cast<int>(std::ceil(top)) - 2, false});
        probes.push_back({x, static_cast<int>(std::floor(rowsEnd - 3)), true});
        probes.push_back({x, static_cast<int>(std::ceil(rowsEnd)) + 1, false});
    }
    const int left = layout.monitorLeft(), right = left + GlassWidth;
    for (int y : {200, 375, 550})
        probes.insert(probes.end(), {{left + 1, y, true}, {left - 1, y, false}, {right - 2, y, true}, {right, y, false}});
    return probes;
}

using MonitorTest = EngineTest;

// The engine's default window is as large as the monitor picture, which then fills it.
TEST_F(MonitorTest, ScreenEdgesCurveTowardsTheMiddle)
{
    writeScript("red", "function redraw() fill(Color.LightRed) end");
    launch({"-script", "red"});
    ASSERT_TRUE(waitForWindow());
    const sf::Vector2u size(MonitorPictureWidth, MonitorPictureHeight);
    const std::vector<Probe> probes = edgeProbes(ScreenLayout(Style::Default, 80, size));
    const Backdrop backdrop(gameData(), 18);
    const PictureCheck showsEdges = [&](const sf::Image& picture) -> testing::AssertionResult {
        if (picture.getSize() != size)
            return testing::AssertionFailure() << "the window has another size";
        for (const Probe& probe : probes) {
            const sf::Color expected = probe.onScreen ? paletteColour(LightRed) : backdrop.at(Style::Default, size, probe.x, probe.y);
            const sf::Color seen = picture.getPixel(probe.x, probe.y);
            if (!looksLike(seen, expected))
                return testing::AssertionFailure() << "at " << probe.x << ", " << probe.y << ": " << describe(seen)
                                                   << " instead of " << describe(expected);
        }
        return testing::AssertionSuccess();
    };
    EXPECT_TRUE(waitForPicture(showsEdges));
}

} // namespace

} // namespace qel::e2e
