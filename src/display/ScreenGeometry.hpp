#pragma once

// Where the pixels of the text screen lie: the cells in the screen texture, and that texture in
// the window, on the monitor's glass or stretched or fitted to the window. All sizes are pixels.

#include <algorithm>
#include <cmath>

namespace qel {

// ---- The screen texture: the cells at a fixed size, as many columns wide as the video mode has.

constexpr int CellWidth = 16;
constexpr int CellHeight = 24;
constexpr int Columns80 = 80;
constexpr int Columns40 = 40;
constexpr int ScreenRows = 25;
// The cells begin this many pixel rows down the texture and leave CellsBottomMargin rows under them.
constexpr int CellsTop = 2;
constexpr int CellsBottomMargin = 6;
constexpr unsigned ScreenTextureHeight = CellsTop + ScreenRows * CellHeight + CellsBottomMargin;

// Glyphs are rendered at this character size. The game font's glyphs reach from 20 pixels above
// the baseline, which lies GlyphSize below a text's top, to 4 below it: a one-letter text laid
// out TextAboveCell pixels above its cell covers the cell exactly.
constexpr unsigned GlyphSize = 24;
constexpr int TextAboveCell = 4;

// ---- The monitor style: the screen texture shown on the glass of the monitor picture.

// The monitor scene: the monitor picture, standing centred on the scene's bottom edge, with the
// screen on its glass.
constexpr int MonitorPictureWidth = 1280;
constexpr int MonitorPictureHeight = 720;

// Where the monitor scene lies in a window: scaled by the same factor both ways to fill the
// window's width or its height, and centred. Its corner lies on a whole pixel, so that in a window
// of the scene's own size every picture pixel covers one window pixel exactly.
struct MonitorPlace {
    float scale;
    float left;
    float top;
};

inline MonitorPlace monitorPlace(int windowWidth, int windowHeight)
{
    const float scale = std::min(static_cast<float>(windowWidth) / MonitorPictureWidth,
                                 static_cast<float>(windowHeight) / MonitorPictureHeight);
    return {scale, std::floor((windowWidth - MonitorPictureWidth * scale) / 2),
            std::floor((windowHeight - MonitorPictureHeight * scale) / 2)};
}
// The glass in that picture: its top-left corner, and its size at the ends. Its top and bottom
// edges bulge outward towards the middle, by GlassBulge at every quarter of its width, ends
// included, and run straight in between. The monitor stands in the middle of the picture, and the
// glass in the middle of the monitor's width.
constexpr int GlassLeft = 320;
constexpr int GlassTop = 149;
constexpr int GlassWidth = 640;
constexpr int GlassHeight = 456;
constexpr int GlassQuarters = 4;
inline constexpr float GlassBulge[GlassQuarters + 1] = {0, 4.5f, 6, 4.5f, 0};

// ---- The full styles: the screen texture stretched over the window or over a 4:3 area of it.

// The fitted area is three pixels high for every four wide.
constexpr double FitHeightPerWidth = 0.75;
// The fitted area in a window: of full height and centred, or, in a window narrower than 4:3, of
// full width and centred vertically. Whole pixels, so that its edges are sharp.
struct FitArea {
    int left;
    int top;
    int width;
    int height;
};

inline FitArea fitArea(int windowWidth, int windowHeight)
{
    const int fitWidth = static_cast<int>(windowHeight / FitHeightPerWidth);
    if (windowWidth >= fitWidth) {
        const int left = (windowWidth - fitWidth) / 2;
        return {left, 0, windowWidth - 2 * left, windowHeight};
    }
    const int fitHeight = static_cast<int>(windowWidth * FitHeightPerWidth);
    const int top = (windowHeight - fitHeight) / 2;
    return {0, top, windowWidth, windowHeight - 2 * top};
}
// Both show the texture's pixel rows from its top down to this one, which cuts the last
// CellsTop rows of the cells.
constexpr int FullStylesShownHeight = ScreenRows * CellHeight;

} // namespace qel
