#pragma once

#include "display/ScreenGeometry.hpp"

#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/Image.hpp>
#include <SFML/System/Vector2.hpp>

#include <filesystem>
#include <string>

namespace qel::e2e {

enum class Style { Default, FullFill, FullFit };

// Where a player sees the text screen in the engine's window: the cells lie in a screen picture
// of fixed size, which is set into the monitor's glass with its curved top and bottom edges,
// stretched over the window, or fitted into a centred 4:3 area of full height. The monitor with
// its glass is scaled alike both ways to fit the window, and centred.
class ScreenLayout {
public:
    ScreenLayout(Style style, int columns, sf::Vector2u windowSize);

    // The window pixel at the centre of a cell: the pixel that holds that point.
    sf::Vector2i cellCentre(int column, int row) const;
    // The window pixel showing a point of a cell's pixels in the screen picture.
    sf::Vector2i cellPoint(int column, int row, sf::Vector2f withinCell) const;
    // The window pixel showing a point of the screen picture.
    sf::Vector2f picturePoint(float x, float y) const;

    // In the monitor: the screen's left edge and width, and its top and bottom edges above a
    // window column.
    float monitorLeft() const;
    float glassWidth() const;
    float topEdge(float x) const;
    float bottomEdge(float x) const;
    // In the full styles: the window columns the screen covers.
    int fullLeft() const;
    int fullRight() const;

private:
    float glassTop() const;

    Style style;
    int pictureWidth;
    sf::Vector2i window;
    MonitorPlace monitor;
};

// What the window shows behind the screen: the wallpaper tiled from the top-left corner with
// the monitor picture over it, or the wallpaper beside a black area, or black.
class Backdrop {
public:
    Backdrop(const std::filesystem::path& dataFolder, int wallpaper);

    sf::Color at(Style style, sf::Vector2u windowSize, int x, int y) const;
    // Whether the pixel seen at a window point is the backdrop there, as near as smoothing
    // leaves it: in a scaled monitor, a blend of the picture's pixels around the point.
    bool shows(Style style, sf::Vector2u windowSize, int x, int y, sf::Color seen) const;
    sf::Color wallpaperAt(int x, int y) const;

private:
    // The monitor picture's pixel under a window point; transparent outside the picture.
    sf::Color monitorAt(sf::Vector2u windowSize, sf::Vector2f point) const;

    sf::Image wallpaper;
    sf::Image monitor;
};

// The palette entries as scripts name them.
enum PaletteIndex {
    Red = 1, Brown, Green, Cyan, Blue, Magenta, LightGray, Gray, LightRed, Yellow, LightGreen, LightCyan,
    LightBlue, LightMagenta, White, Black
};

// The colour of palette entry 1 (Red) to 16 (Black).
sf::Color paletteColour(int index);
// Channels that differ by no more than smoothing and blending leave.
bool looksLike(sf::Color seen, sf::Color expected);
std::string describe(sf::Color colour);

} // namespace qel::e2e
