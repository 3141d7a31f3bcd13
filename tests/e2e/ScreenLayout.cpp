#include "e2e/ScreenLayout.hpp"

#include "display/ScreenGeometry.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace qel::e2e {

namespace {

// How far the glass's edges stand out at a distance from its left end: straight between the
// bulges given at every quarter of its width.
float bulgeAt(float offset)
{
    const float quarter = static_cast<float>(GlassWidth) / GlassQuarters;
    const float position = std::clamp(offset / quarter, 0.f, GlassQuarters - 0.001f);
    const int index = static_cast<int>(position);
    const float t = position - index;
    return GlassBulge[index] + (GlassBulge[index + 1] - GlassBulge[index]) * t;
}

sf::Color blend(sf::Color over, sf::Color under)
{
    const auto mix = [&](sf::Uint8 a, sf::Uint8 b) {
        return static_cast<sf::Uint8>(std::lround((a * over.a + b * (255 - over.a)) / 255.0));
    };
    return sf::Color(mix(over.r, under.r), mix(over.g, under.g), mix(over.b, under.b));
}

} // namespace

ScreenLayout::ScreenLayout(Style style, int columns, sf::Vector2u windowSize)
    : style(style), pictureWidth(columns * CellWidth), window(windowSize), monitor(monitorPlace(window.x, window.y))
{
}

sf::Vector2i ScreenLayout::cellCentre(int column, int row) const
{
    return cellPoint(column, row, {CellWidth / 2.f, CellHeight / 2.f});
}

sf::Vector2i ScreenLayout::cellPoint(int column, int row, sf::Vector2f withinCell) const
{
    const sf::Vector2f point =
        picturePoint(CellWidth * column + withinCell.x, CellHeight * row + CellsTop + withinCell.y);
    return {static_cast<int>(std::floor(point.x)), static_cast<int>(std::floor(point.y))};
}

sf::Vector2f ScreenLayout::picturePoint(float x, float y) const
{
    if (style == Style::Default) {
        const float windowX = monitorLeft() + x * glassWidth() / pictureWidth;
        const float top = topEdge(windowX);
        return {windowX, top + (bottomEdge(windowX) - top) * y / ScreenTextureHeight};
    }
    const float width = fullRight() - fullLeft();
    return {fullLeft() + x * width / pictureWidth, y * window.y / FullStylesShownHeight};
}

float ScreenLayout::monitorLeft() const
{
    return monitor.left + GlassLeft * monitor.scale;
}

float ScreenLayout::glassWidth() const
{
    return GlassWidth * monitor.scale;
}

float ScreenLayout::glassTop() const
{
    return monitor.top + GlassTop * monitor.scale;
}

float ScreenLayout::topEdge(float x) const
{
    return glassTop() - bulgeAt((x - monitorLeft()) / monitor.scale) * monitor.scale;
}

float ScreenLayout::bottomEdge(float x) const
{
    return glassTop() + (GlassHeight + bulgeAt((x - monitorLeft()) / monitor.scale)) * monitor.scale;
}

int ScreenLayout::fullLeft() const
{
    if (style == Style::FullFill)
        return 0;
    const int fitWidth = static_cast<int>(window.y / FitHeightPerWidth);
    return (window.x - fitWidth) / 2;
}

int ScreenLayout::fullRight() const
{
    return window.x - fullLeft();
}

Backdrop::Backdrop(const std::filesystem::path& dataFolder, int wallpaperNumber)
{
    wallpaper.loadFromFile((dataFolder / "wallpapers" / (std::to_string(wallpaperNumber) + ".png")).string());
    monitor.loadFromFile((dataFolder / "monitor.png").string());
}

sf::Color Backdrop::at(Style style, sf::Vector2u windowSize, int x, int y) const
{
    switch (style) {
    case Style::Default:
        return blend(monitorAt(windowSize, {static_cast<float>(x), static_cast<float>(y)}), wallpaperAt(x, y));
    case Style::FullFit: {
        const ScreenLayout layout(style, 80, windowSize);
        const bool underScreen = x >= layout.fullLeft() && x < layout.fullRight();
        return underScreen ? paletteColour(16) : wallpaperAt(x, y);
    }
    case Style::FullFill:
        break;
    }
    return paletteColour(16);
}

sf::Color Backdrop::wallpaperAt(int x, int y) const
{
    const sf::Vector2u tile = wallpaper.getSize();
    return wallpaper.getPixel(x % tile.x, y % tile.y);
}

bool Backdrop::shows(Style style, sf::Vector2u windowSize, int x, int y, sf::Color seen) const
{
    const MonitorPlace place = monitorPlace(windowSize.x, windowSize.y);
    if (style != Style::Default || place.scale == 1)
        return looksLike(seen, at(style, windowSize, x, y));
    // A scaled picture shows blends of the pixels around the point: the colour seen lies between
    // the lowest and highest of each channel there.
    sf::Color lowest = sf::Color::White, highest = sf::Color::Black;
    for (float dy = -2; dy <= 2; ++dy) {
        for (float dx = -2; dx <= 2; ++dx) {
            const sf::Color near = blend(monitorAt(windowSize, {x + dx * place.scale, y + dy * place.scale}),
                                         wallpaperAt(x, y));
            lowest = sf::Color(std::min(lowest.r, near.r), std::min(lowest.g, near.g), std::min(lowest.b, near.b));
            highest = sf::Color(std::max(highest.r, near.r), std::max(highest.g, near.g), std::max(highest.b, near.b));
        }
    }
    const auto within = [](int channel, int low, int high) { return channel >= low - 10 && channel <= high + 10; };
    return within(seen.r, lowest.r, highest.r) && within(seen.g, lowest.g, highest.g) &&
           within(seen.b, lowest.b, highest.b);
}

// The monitor picture stands centred on the bottom edge of the monitor scene, which is scaled to
// the window and centred in it.
sf::Color Backdrop::monitorAt(sf::Vector2u windowSize, sf::Vector2f point) const
{
    const sf::Vector2u size = monitor.getSize();
    const MonitorPlace place = monitorPlace(windowSize.x, windowSize.y);
    const int left = (MonitorPictureWidth - static_cast<int>(size.x)) / 2;
    const int top = MonitorPictureHeight - static_cast<int>(size.y);
    const int pictureX = static_cast<int>(std::floor((point.x - place.left) / place.scale)) - left;
    const int pictureY = static_cast<int>(std::floor((point.y - place.top) / place.scale)) - top;
    if (pictureX < 0 || pictureY < 0 || pictureX >= static_cast<int>(size.x) || pictureY >= static_cast<int>(size.y))
        return sf::Color::Transparent;
    return monitor.getPixel(pictureX, pictureY);
}

sf::Color paletteColour(int index)
{
    static const std::array<sf::Color, 17> colours = {
        sf::Color::Transparent,
        sf::Color(170, 0, 0),     sf::Color(170, 85, 0),    sf::Color(0, 170, 0),
        sf::Color(0, 170, 170),   sf::Color(4, 0, 170),     sf::Color(170, 0, 170),
        sf::Color(170, 170, 170), sf::Color(85, 85, 85),    sf::Color(255, 85, 85),
        sf::Color(255, 255, 85),  sf::Color(85, 255, 85),   sf::Color(85, 255, 255),
        sf::Color(85, 85, 255),   sf::Color(255, 85, 255),  sf::Color(253, 253, 253),
        sf::Color(19, 15, 15),
    };
    return colours.at(index);
}

bool looksLike(sf::Color seen, sf::Color expected)
{
    constexpr int Tolerance = 10;
    return std::abs(seen.r - expected.r) <= Tolerance && std::abs(seen.g - expected.g) <= Tolerance &&
           std::abs(seen.b - expected.b) <= Tolerance;
}

std::string describe(sf::Color colour)
{
    return "(" + std::to_string(colour.r) + ", " + std::to_string(colour.g) + ", " + std::to_string(colour.b) + ")";
}

} // namespace qel::e2e
