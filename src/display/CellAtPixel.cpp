#include "display/CellAtPixel.hpp"

#include "display/ScreenGeometry.hpp"

#include <algorithm>
#include <cmath>

namespace qel {

namespace {

// A point in the screen texture, in its pixels.
struct TexturePoint {
    double u;
    double v;
};

// The cell at the texture point; rows clamp, since the margins above and below the cells are
// drawn too.
CellPosition cellAtTexturePoint(TexturePoint point, int columns)
{
    const int column = static_cast<int>(std::floor(point.u / CellWidth));
    const int row = static_cast<int>(std::floor((point.v - CellsTop) / CellHeight));
    return {std::clamp(column, 0, columns - 1), std::clamp(row, 0, ScreenRows - 1)};
}

// The glass quads show the texture's width spread evenly over each quarter of the glass's
// width, and its full height between the top and bottom edges, which run straight within a
// quarter. The graphics card draws each quad as two triangles split along the diagonal from its
// top-left to its bottom-right corner, and spreads the texture evenly over each triangle: above
// the diagonal the texture's rows run parallel to the top edge, below it to the bottom edge.
std::optional<TexturePoint> onGlass(double x, double y, int windowWidth, int windowHeight, int textureWidth)
{
    const MonitorPlace place = monitorPlace(windowWidth, windowHeight);
    const double glassX = (x - place.left) / place.scale - GlassLeft;
    const double sceneY = (y - place.top) / place.scale;
    if (glassX < 0 || glassX >= GlassWidth)
        return std::nullopt;
    const double quarterWidth = static_cast<double>(GlassWidth) / GlassQuarters;
    const int quarter = std::min(static_cast<int>(glassX / quarterWidth), GlassQuarters - 1);
    const double along = glassX / quarterWidth - quarter;
    const double leftBulge = GlassBulge[quarter], rightBulge = GlassBulge[quarter + 1];
    const double bulge = leftBulge + (rightBulge - leftBulge) * along;
    const double top = GlassTop - bulge, bottom = GlassTop + GlassHeight + bulge;
    if (sceneY < top || sceneY >= bottom)
        return std::nullopt;
    const double topLeft = GlassTop - leftBulge, bottomRight = GlassTop + GlassHeight + rightBulge;
    const double diagonal = topLeft + (bottomRight - topLeft) * along;
    const double v = sceneY < diagonal
                         ? (sceneY - top) / (GlassHeight + 2 * rightBulge)
                         : 1 - (bottom - sceneY) / (GlassHeight + 2 * leftBulge);
    return TexturePoint{glassX * textureWidth / GlassWidth, v * ScreenTextureHeight};
}

// The full styles stretch the texture's shown rows over the window or its fitted area.
std::optional<TexturePoint> onArea(double x, double y, const FitArea& area, int textureWidth)
{
    const double alongX = (x - area.left) / area.width, alongY = (y - area.top) / area.height;
    if (alongX < 0 || alongX >= 1 || alongY < 0 || alongY >= 1)
        return std::nullopt;
    return TexturePoint{alongX * textureWidth, alongY * FullStylesShownHeight};
}

} // namespace

// The pixel's centre is where the picture is sampled when it is drawn.
std::optional<CellPosition> cellAtPixel(int x, int y, const ShownScreen& screen)
{
    const int width = screen.windowWidth, height = screen.windowHeight;
    if (x < 0 || y < 0 || x >= width || y >= height)
        return std::nullopt;
    const double centreX = x + 0.5, centreY = y + 0.5;
    const int textureWidth = screen.columns * CellWidth;
    std::optional<TexturePoint> point;
    switch (screen.style) {
    case DisplayStyle::FullFill:
        point = onArea(centreX, centreY, FitArea{0, 0, width, height}, textureWidth);
        break;
    case DisplayStyle::FullFit:
        point = onArea(centreX, centreY, fitArea(width, height), textureWidth);
        break;
    default:
        point = onGlass(centreX, centreY, width, height, textureWidth);
        break;
    }
    if (!point)
        return std::nullopt;
    return cellAtTexturePoint(*point, screen.columns);
}

} // namespace qel
