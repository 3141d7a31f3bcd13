#include "e2e/ScreenLayout.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace qel::e2e {

namespace {

constexpr int MonitorWidth = 640;
constexpr float PictureHeight = 608;
// The full styles show the screen picture down to this row; the rest of it holds no cells.
constexpr float ShownPictureHeight = 600;

// The monitor's screen edges bulge by up to 6 pixels at its middle: heights at every quarter
// of its width, relative to the top of its ends.
constexpr std::array<float, 5> TopProfile = {0, -4.5f, -6, -4.5f, 0};
constexpr std::array<float, 5> BottomProfile = {456, 460.5f, 462, 460.5f, 456};

float profileAt(const std::array<float, 5>& profile, float offset)
{
    const float quarter = MonitorWidth / 4.f;
    const float position = std::clamp(offset / quarter, 0.f, 3.999f);
    const int index = static_cast<int>(position);
    const float t = position - index;
    return profile[index] + (profile[index + 1] - profile[index]) * t;
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
    : style(style), pictureWidth(columns * 16), window(windowSize)
{
}

sf::Vector2i ScreenLayout::cellCentre(int column, int row) const
{
    return cellPoint(column, row, {8, 12});
}

sf::Vector2i ScreenLayout::cellPoint(int column, int row, sf::Vector2f withinCell) const
{
    const sf::Vector2f point = picturePoint(16 * column + withinCell.x, 24 * row + 2 + withinCell.y);
    return {static_cast<int>(std::lround(point.x)), static_cast<int>(std::lround(point.y))};
}

sf::Vector2f ScreenLayout::picturePoint(float x, float y) const
{
    if (style == Style::Default) {
        const float windowX = monitorLeft() + x * MonitorWidth / pictureWidth;
        const float top = topEdge(windowX);
        return {windowX, top + (bottomEdge(windowX) - top) * y / PictureHeight};
    }
    const float width = fullRight() - fullLeft();
    return {fullLeft() + x * width / pictureWidth, y * window.y / ShownPictureHeight};
}

int ScreenLayout::monitorLeft() const
{
    return (window.x - 1280) / 2 + 272;
}

float ScreenLayout::topEdge(float x) const
{
    return window.y - 571 + profileAt(TopProfile, x - monitorLeft());
}

float ScreenLayout::bottomEdge(float x) const
{
    return window.y - 571 + profileAt(BottomProfile, x - monitorLeft());
}

int ScreenLayout::fullLeft() const
{
    if (style == Style::FullFill)
        return 0;
    const int fitWidth = static_cast<int>(window.y / 0.75);
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
        return blend(monitorAt(windowSize, x, y), wallpaperAt(x, y));
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

// The monitor picture stands centred on the window's bottom edge.
sf::Color Backdrop::monitorAt(sf::Vector2u windowSize, int x, int y) const
{
    const sf::Vector2u size = monitor.getSize();
    const int left = (static_cast<int>(windowSize.x) - static_cast<int>(size.x)) / 2;
    const int top = static_cast<int>(windowSize.y) - static_cast<int>(size.y);
    const int pictureX = x - left, pictureY = y - top;
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
