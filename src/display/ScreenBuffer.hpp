#pragma once

#include "base/TextConversion.hpp"

#include <cstdint>
#include <vector>

namespace qel {

class Hub;

// Colour indices 0 to 16 name palette entries; 17 only means something as a background in put.
enum Color : uint8_t {
    Clear = 0, Red, Brown, Green, Cyan, Blue, Magenta, LightGray, Gray, LightRed,
    Yellow, LightGreen, LightCyan, LightBlue, LightMagenta, White, Black, Clear2
};

struct Cell {
    uint8_t background = 0;
    uint8_t foreground = 0;
    uint16_t character = 0;
};

// Travels through scripts as one 16-bit value: foreground in the low byte.
struct ColorPair {
    uint8_t foreground = 0;
    uint8_t background = 0;

    static ColorPair fromPacked(uint16_t packed);
    uint16_t packed() const;
};

enum PrintFlags : uint32_t { Wrap = 1, AsIs = 2, Vertical = 4 };
enum BorderFlags : uint32_t { Fill = 1, Shadow = 2, Merge = 4 };

struct GridPoint {
    int x = 0;
    int y = 0;
};

struct GridSize {
    int width = 0;
    int height = 0;
};

// A rectangle of one buffer and the cell of another that its top-left cell is copied to.
struct CopyArea {
    GridPoint from;
    GridSize size;
    GridPoint to;
};

// Geometry that adds script-given ints (a position and its parents', an edge and a size) works
// in 64 bits and pins the result back into int: nothing overflows, and a position pinned at
// either end of int is as far off the screen as a position can be.
int pinToInt(int64_t value);

// The character-cell grid everything visible is written to. Plain data plus its write rules;
// the Renderer turns it into pixels.
class ScreenBuffer {
public:
    ScreenBuffer(Hub* core, int width, int height);

    GridSize getSize() const { return {width, height}; }
    const std::vector<Cell>& getCells() const { return cells; }
    std::vector<Cell>& getCells() { return cells; }

    GridPoint getOrigin() const { return origin; }
    void setOrigin(int x, int y) { origin = {x, y}; }

    void clear(uint8_t background);
    void put(int column, int row, uint16_t character, ColorPair colour);
    int print(int column, int row, const WideString& text, ColorPair colour, uint32_t flags,
              uint32_t wrapWidth);
    static int measureText(const WideString& text, uint32_t wrapWidth);
    void fillRect(int x, int y, int w, int h, uint8_t background);
    void clearRect(int x, int y, int w, int h, uint8_t background);
    void fillRow(int row, uint8_t background);
    void drawBorder(int x, int y, int w, int h, ColorPair colour, uint32_t flags);
    // Copies the area of the source (which may be this buffer) onto this buffer, leaving out
    // whatever lies outside either. A transparent copy keeps the background of this buffer's
    // cells where the source has none, and their character where the source shows none.
    void blit(const ScreenBuffer& source, const CopyArea& area, bool transparent);

    // Asks the application to clear the screen and let the script repaint it.
    void redraw();

    bool contains(int column, int row) const
    {
        return column >= 0 && column < width && row >= 0 && row < height;
    }
    const Cell& cellAt(int column, int row) const { return cells[column + row * width]; }

private:
    Hub* core;
    int width;
    int height;
    GridPoint origin;
    std::vector<Cell> cells;
};

} // namespace qel
