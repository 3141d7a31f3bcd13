#pragma once

#include "base/CellPosition.hpp"
#include "display/DisplayModes.hpp"

#include <optional>

namespace qel {

// The window as the screen is shown in it: its size in pixels, the display style and the
// number of columns of the video mode.
struct ShownScreen {
    int windowWidth;
    int windowHeight;
    DisplayStyle style;
    int columns;
};

// The cell the window pixel at (x, y) shows, through the picture the renderer draws: the screen
// texture on the monitor's glass, or stretched or fitted to the window. Nothing for a pixel
// outside the screen area; the few pixel rows of the texture above and below the cells count
// as the first and last row.
std::optional<CellPosition> cellAtPixel(int x, int y, const ShownScreen& screen);

} // namespace qel
