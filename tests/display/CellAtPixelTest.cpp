#include "display/CellAtPixel.hpp"

#include "display/Palette.hpp"
#include "display/Renderer.hpp"
#include "display/ScreenGeometry.hpp"
#include "support/EngineFixture.hpp"
#include "support/FakeScript.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

using namespace qel;

namespace {

struct WindowSize {
    int width;
    int height;
};

// As large as the monitor picture, odd sizes, wider than 4:3, narrower than 4:3 and taller than wide.
const WindowSize Sizes[] = {{1280, 720}, {1281, 723}, {1920, 1080}, {1001, 601}, {640, 480}, {800, 900}, {517, 999}};
// The three styles, and a number of none, which shows the screen as the monitor style does.
const DisplayStyle Styles[] = {DisplayStyle::Default, DisplayStyle::FullFill, DisplayStyle::FullFit,
                               static_cast<DisplayStyle>(7)};
const int ColumnCounts[] = {Columns80, Columns40};

std::string describe(const ShownScreen& screen)
{
    std::ostringstream text;
    text << screen.windowWidth << " x " << screen.windowHeight << ", style " << static_cast<int>(screen.style)
         << ", " << screen.columns << " columns";
    return text.str();
}

// Where the picture shows a point of the screen texture, drawn as the renderer draws it: the
// window point, in pixels from the window's corner.
struct WindowPoint {
    double x;
    double y;
};

WindowPoint shownAt(double u, double v, const ShownScreen& screen)
{
    const double textureWidth = screen.columns * CellWidth;
    if (screen.style == DisplayStyle::FullFill || screen.style == DisplayStyle::FullFit) {
        const FitArea area = screen.style == DisplayStyle::FullFit
                                 ? fitArea(screen.windowWidth, screen.windowHeight)
                                 : FitArea{0, 0, screen.windowWidth, screen.windowHeight};
        return {area.left + u / textureWidth * area.width, area.top + v / FullStylesShownHeight * area.height};
    }
    // Each quarter of the glass is drawn as two triangles, split along the diagonal from its
    // top-left corner: the texture's rows run parallel to the top edge above it, to the bottom
    // edge below it.
    const double glassX = u / textureWidth * GlassWidth, quarterWidth = GlassWidth / double(GlassQuarters);
    const int quarter = std::min(int(glassX / quarterWidth), GlassQuarters - 1);
    const double along = glassX / quarterWidth - quarter;
    const double leftBulge = GlassBulge[quarter], rightBulge = GlassBulge[quarter + 1];
    const double bulge = leftBulge * (1 - along) + rightBulge * along;
    const double top = GlassTop - bulge, bottom = GlassTop + GlassHeight + bulge;
    const double diagonal = GlassTop - leftBulge + (GlassHeight + leftBulge + rightBulge) * along;
    const double share = v / ScreenTextureHeight;
    const double aboveDiagonal = top + share * (GlassHeight + 2 * rightBulge);
    const double y = aboveDiagonal < diagonal ? aboveDiagonal : bottom - (1 - share) * (GlassHeight + 2 * leftBulge);
    const MonitorPlace place = monitorPlace(screen.windowWidth, screen.windowHeight);
    return {place.left + (GlassLeft + glassX) * place.scale, place.top + y * place.scale};
}

// The window pixel that shows the centre of the cell.
std::optional<CellPosition> cellAtCentreOf(int column, int row, const ShownScreen& screen)
{
    const WindowPoint point =
        shownAt((column + 0.5) * CellWidth, CellsTop + (row + 0.5) * CellHeight, screen);
    return cellAtPixel(int(std::floor(point.x)), int(std::floor(point.y)), screen);
}

// The first pixel, going from `from` by `step`, that shows a cell; nothing within the window.
std::optional<sf::Vector2i> firstShowingCell(sf::Vector2i from, sf::Vector2i step, const ShownScreen& screen)
{
    for (sf::Vector2i pixel = from; pixel.x >= 0 && pixel.y >= 0 && pixel.x < screen.windowWidth &&
                                    pixel.y < screen.windowHeight;
         pixel += step)
        if (cellAtPixel(pixel.x, pixel.y, screen))
            return pixel;
    return std::nullopt;
}

} // namespace

TEST(CellAtPixel, TheCentreOfEveryCellIsThatCellInEveryStyleModeAndWindow)
{
    for (const WindowSize size : Sizes)
        for (const DisplayStyle style : Styles)
            for (const int columns : ColumnCounts) {
                const ShownScreen screen{size.width, size.height, style, columns};
                SCOPED_TRACE(describe(screen));
                int wrong = 0;
                for (int row = 0; row < ScreenRows; ++row)
                    for (int column = 0; column < columns; ++column)
                        if (cellAtCentreOf(column, row, screen) != CellPosition{column, row} && ++wrong <= 3)
                            ADD_FAILURE() << "the centre of cell " << column << ", " << row << " is not that cell";
                EXPECT_EQ(wrong, 0);
            }
}

// Coming from outside the window's edges towards the screen, through the middle of a cell of
// the edge: the first pixel that shows a cell shows that edge cell, the pixel before it shows
// none, and it lies at the edge of the picture, within a pixel.
TEST(CellAtPixel, PixelsOneOutsideTheScreenAreaShowNoCell)
{
    for (const WindowSize size : Sizes)
        for (const DisplayStyle style : Styles)
            for (const int columns : ColumnCounts) {
                const ShownScreen screen{size.width, size.height, style, columns};
                SCOPED_TRACE(describe(screen));
                const int lastColumn = columns - 1, lastRow = ScreenRows - 1;
                // Columns and rows through which the edges are crossed: the ends, the middle,
                // and where the glass bulges most.
                for (const int column : {0, columns / 4, columns / 2, lastColumn}) {
                    const WindowPoint top = shownAt((column + 0.5) * CellWidth, 0, screen);
                    const WindowPoint bottom = shownAt((column + 0.5) * CellWidth,
                                                       style == DisplayStyle::FullFill || style == DisplayStyle::FullFit
                                                           ? FullStylesShownHeight
                                                           : ScreenTextureHeight,
                                                       screen);
                    const int x = int(std::floor(top.x));
                    const auto downwards = firstShowingCell({x, 0}, {0, 1}, screen);
                    const auto upwards = firstShowingCell({x, size.height - 1}, {0, -1}, screen);
                    ASSERT_TRUE(downwards && upwards) << "column " << column;
                    EXPECT_EQ(cellAtPixel(x, downwards->y, screen), (CellPosition{column, 0}));
                    EXPECT_EQ(cellAtPixel(x, upwards->y, screen), (CellPosition{column, lastRow}));
                    EXPECT_NEAR(downwards->y + 0.5, std::max(top.y, 0.0), 1) << "column " << column;
                    EXPECT_NEAR(upwards->y + 0.5, std::min(bottom.y, double(size.height)), 1) << "column " << column;
                    EXPECT_FALSE(cellAtPixel(x, downwards->y - 1, screen));
                    EXPECT_FALSE(cellAtPixel(x, upwards->y + 1, screen));
                }
                for (const int row : {0, ScreenRows / 2, lastRow}) {
                    const double v = CellsTop + (row + 0.5) * CellHeight;
                    const WindowPoint left = shownAt(0, v, screen), right = shownAt(columns * CellWidth, v, screen);
                    const int y = int(std::floor(left.y));
                    const auto rightwards = firstShowingCell({0, y}, {1, 0}, screen);
                    const auto leftwards = firstShowingCell({size.width - 1, y}, {-1, 0}, screen);
                    ASSERT_TRUE(rightwards && leftwards) << "row " << row;
                    EXPECT_EQ(cellAtPixel(rightwards->x, y, screen), (CellPosition{0, row}));
                    EXPECT_EQ(cellAtPixel(leftwards->x, y, screen), (CellPosition{lastColumn, row}));
                    EXPECT_NEAR(rightwards->x + 0.5, std::max(left.x, 0.0), 1) << "row " << row;
                    EXPECT_NEAR(leftwards->x + 0.5, std::min(right.x, double(size.width)), 1) << "row " << row;
                    EXPECT_FALSE(cellAtPixel(rightwards->x - 1, y, screen));
                    EXPECT_FALSE(cellAtPixel(leftwards->x + 1, y, screen));
                }
                EXPECT_FALSE(cellAtPixel(-1, size.height / 2, screen));
                EXPECT_FALSE(cellAtPixel(size.width, size.height / 2, screen));
                EXPECT_FALSE(cellAtPixel(size.width / 2, size.height, screen));
            }
}

// The picture itself: the screen filled with cells of colours that differ from every neighbour's,
// drawn by the renderer in each style and mode, shows every pixel's cell in that cell's colour
// (away from the blend at cell boundaries and the rows above and below the cells, which show
// no cell's colour).
TEST(CellAtPixel, EveryPixelShowsTheColourOfItsCellInTheDrawnPicture)
{
    const auto colourOf = [](CellPosition cell) { return static_cast<uint8_t>(1 + (cell.column + 2 * cell.row) % 15); };
    for (const WindowSize size : {WindowSize{1280, 720}, WindowSize{1001, 601}, WindowSize{700, 900}}) {
        auto core = test::buildEngine(test::testOptions(size.width, size.height), std::make_unique<test::FakeScript>());
        Renderer& renderer = *core->getRenderer();
        for (const VideoMode mode : {VideoMode::Text80x25, VideoMode::Text40x25}) {
            renderer.setVideoMode(mode, Repaint::Later);
            ScreenBuffer& buffer = *renderer.getScreenBuffer();
            const int columns = buffer.getSize().width;
            for (int row = 0; row < ScreenRows; ++row)
                for (int column = 0; column < columns; ++column)
                    buffer.fillRect(column, row, 1, 1, colourOf({column, row}));
            for (const DisplayStyle style : {DisplayStyle::Default, DisplayStyle::FullFill, DisplayStyle::FullFit}) {
                renderer.setDisplayStyle(style, Repaint::Later);
                const sf::Image picture = test::screenshot(*core);
                const ShownScreen screen{size.width, size.height, style, columns};
                SCOPED_TRACE(describe(screen));
                // Pixels this far from a cell boundary show the cell's colour unblended.
                const int blend = 2;
                int checked = 0, wrong = 0;
                for (int y = blend; y < size.height - blend; y += 3)
                    for (int x = blend; x < size.width - blend; x += 3) {
                        const std::optional<CellPosition> cell = cellAtPixel(x, y, screen);
                        if (!cell || cell->row == 0 || cell->row == ScreenRows - 1)
                            continue;
                        if (cellAtPixel(x - blend, y, screen) != cell || cellAtPixel(x + blend, y, screen) != cell ||
                            cellAtPixel(x, y - blend, screen) != cell || cellAtPixel(x, y + blend, screen) != cell)
                            continue;
                        ++checked;
                        const sf::Color shown = picture.getPixel(x, y), expected = palette()[colourOf(*cell)];
                        if (shown != expected && ++wrong <= 3)
                            ADD_FAILURE() << "pixel " << x << ", " << y << " shows " << int(shown.r) << ","
                                          << int(shown.g) << "," << int(shown.b) << ", not the colour of cell "
                                          << cell->column << ", " << cell->row;
                    }
                EXPECT_EQ(wrong, 0) << "of " << checked;
                EXPECT_GT(checked, 250) << "too few pixels away from the cells' boundaries";
            }
        }
    }
}
