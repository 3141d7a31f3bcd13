#include "display/ScreenBuffer.hpp"

#include "base/Hub.hpp"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <limits>

namespace qel {

namespace {

const char16_t space = u' ';
const char16_t lineFeed = 10;
const char16_t carriageReturn = 13;

// The double-line box-drawing characters of drawBorder.
const uint16_t horizontalLine = 0x2550;
const uint16_t verticalLine = 0x2551;
const uint16_t topLeftCorner = 0x2554;
const uint16_t topRightCorner = 0x2557;
const uint16_t bottomLeftCorner = 0x255A;
const uint16_t bottomRightCorner = 0x255D;

// Rounds towards negative infinity; divisor > 0.
int64_t floorDiv(int64_t dividend, int64_t divisor)
{
    const int64_t quotient = dividend / divisor;
    return dividend % divisor != 0 && dividend < 0 ? quotient - 1 : quotient;
}

// Rounds towards positive infinity; divisor > 0.
int64_t ceilDiv(int64_t dividend, int64_t divisor)
{
    return -floorDiv(-dividend, divisor);
}

bool isLineBreak(char16_t unit)
{
    return unit == lineFeed || unit == carriageReturn;
}

// The colour that erases a cell: no glyph colour, the background by put's rule.
ColorPair eraseColour(uint8_t background)
{
    return ColorPair{0, background};
}

// A background of 0 keeps the cell's own, 17 makes it transparent; the rest always change.
void writeCell(Cell& cell, uint16_t character, ColorPair colour)
{
    if (colour.background == Clear2)
        cell.background = Clear;
    else if (colour.background != Clear)
        cell.background = colour.background;
    cell.foreground = colour.foreground;
    cell.character = character;
}

// Whether a cell shows no background of its own: Clear, or Clear2 as clear() stores it.
bool hasNoBackground(const Cell& cell)
{
    return cell.background == Clear || cell.background == Clear2;
}

// Whether a cell shows no character: none, a space, or one drawn in no colour.
bool showsNoCharacter(const Cell& cell)
{
    return cell.character == 0 || cell.character == space || cell.foreground == Clear;
}

void copyCellTransparently(const Cell& source, Cell& target)
{
    if (!hasNoBackground(source))
        target.background = source.background;
    if (!showsNoCharacter(source)) {
        target.character = source.character;
        target.foreground = source.foreground;
    }
}

// Shrinks one axis of a copy to the span inside both buffers, in 64 bits so that no position or
// size given can overflow; false when nothing is left.
bool clipAxis(int64_t& from, int64_t& to, int64_t& length, int64_t sourceLength, int64_t targetLength)
{
    const int64_t cut = std::max<int64_t>({0, -from, -to});
    from += cut;
    to += cut;
    length = std::min({length - cut, sourceLength - from, targetLength - to});
    return length > 0;
}

// The cells addressed by 64-bit positions. A column past either edge lands in a neighbouring
// row, as with the linear index column + row * width, but no position, size or index can
// overflow, and a rectangle costs only the cells it can reach.
class CellGrid {
public:
    CellGrid(std::vector<Cell>& cells, int width)
        : cells(cells), cellCount(static_cast<int64_t>(cells.size())), width(width),
          height(cells.empty() ? 0 : cellCount / width)
    {
    }

    void put(int64_t column, int64_t row, uint16_t character, ColorPair colour)
    {
        if (cells.empty())
            return;
        // Split the column into whole rows and a column inside the grid, then test the row.
        const int64_t rowsCrossed = floorDiv(column, width);
        const int64_t wrappedRow = row + rowsCrossed;
        if (wrappedRow < 0 || wrappedRow >= height)
            return;
        const int64_t index = column - rowsCrossed * width + wrappedRow * width;
        writeCell(cells[static_cast<size_t>(index)], character, colour);
    }

    // The same cells as put for every column of every row of the rectangle. Rows are linear
    // spans [x + r * width, x + r * width + w - 1]; only those meeting the grid are visited.
    // When w >= width consecutive spans touch, so their union is one span: as every write
    // is the same, writing the union once gives the row-by-row result.
    void writeRect(int64_t x, int64_t y, int64_t w, int64_t h, uint16_t character,
                   ColorPair colour)
    {
        if (w <= 0 || h <= 0 || cells.empty())
            return;
        // A row meets the grid when its span ends at 0 or later and starts before cellCount.
        const int64_t firstRow = std::max(y, ceilDiv(1 - x - w, width));
        const int64_t lastRow = std::min(y + h - 1, floorDiv(cellCount - 1 - x, width));
        if (firstRow > lastRow)
            return;
        if (w >= width) {
            writeSpan(x + firstRow * width, x + lastRow * width + w - 1, character, colour);
            return;
        }
        for (int64_t row = firstRow; row <= lastRow; ++row)
            writeSpan(x + row * width, x + row * width + w - 1, character, colour);
    }

private:
    void writeSpan(int64_t first, int64_t last, uint16_t character, ColorPair colour)
    {
        const int64_t end = std::min(last, cellCount - 1);
        for (int64_t index = std::max<int64_t>(first, 0); index <= end; ++index)
            writeCell(cells[static_cast<size_t>(index)], character, colour);
    }

    std::vector<Cell>& cells;
    int64_t cellCount;
    int64_t width;
    int64_t height;
};

// A maximal run of non-space units: its position in the text and its length.
struct Word {
    size_t start;
    size_t length;
};

std::vector<Word> splitWords(const WideString& text)
{
    std::vector<Word> words;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == space)
            continue;
        if (i == 0 || text[i - 1] == space)
            words.push_back({i, 0});
        ++words.back().length;
    }
    return words;
}

// Lays text out word by word, calling place(dx, dy, unit) for every cell it writes; returns
// the number of lines used. Spaces are re-placed rather than copied: one may precede a word,
// one follows every word but the last, and whatever spaces remain uncounted go at the end.
template <typename Place>
int64_t layoutWords(const WideString& text, bool wrapping, uint32_t wrapWidth, Place place)
{
    const std::vector<Word> words = splitWords(text);
    int64_t dx = 0;
    int64_t dy = 0;
    size_t consumed = 0;
    auto write = [&](char16_t unit) {
        place(dx, dy, unit);
        ++dx;
        ++consumed;
    };
    for (size_t wordIndex = 0; wordIndex < words.size(); ++wordIndex) {
        const Word& word = words[wordIndex];
        // Tested at dx 0 too: a word longer than the width leaves an empty line before it.
        if (wrapping && word.length + static_cast<uint64_t>(dx) > wrapWidth) {
            dx = 0;
            ++dy;
        }
        if (consumed < text.size() && text[consumed] == space)
            write(space);
        for (size_t i = word.start; i < word.start + word.length; ++i) {
            if (!isLineBreak(text[i])) {
                write(text[i]);
                continue;
            }
            dx = 0;
            ++dy;
            ++consumed;
        }
        if (wordIndex + 1 < words.size())
            write(space);
    }
    while (consumed < text.size())
        write(space);
    return dy + 1;
}

// Stops at the last row; spaces leave their cells alone.
void printVertical(CellGrid& grid, int64_t column, int64_t row, int64_t height,
                   const WideString& text, ColorPair colour)
{
    if (row < 0)
        return;
    for (size_t i = 0; i < text.size() && row + static_cast<int64_t>(i) < height; ++i)
        if (text[i] != space)
            grid.put(column, row + static_cast<int64_t>(i), text[i], colour);
}

// Spaces skip their cells; every line feed and every carriage return starts a new line.
void printAsIs(CellGrid& grid, int64_t column, int64_t row, const WideString& text,
               ColorPair colour)
{
    int64_t dx = 0;
    int64_t dy = 0;
    for (char16_t unit : text) {
        if (isLineBreak(unit)) {
            dx = 0;
            ++dy;
            continue;
        }
        if (unit != space)
            grid.put(column + dx, row + dy, unit, colour);
        ++dx;
    }
}

} // namespace

int pinToInt(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, std::numeric_limits<int>::min(),
                                                 std::numeric_limits<int>::max()));
}

ColorPair ColorPair::fromPacked(uint16_t packed)
{
    return ColorPair{static_cast<uint8_t>(packed & 0xFF), static_cast<uint8_t>(packed >> 8)};
}

uint16_t ColorPair::packed() const
{
    return static_cast<uint16_t>(foreground | background << 8);
}

// A negative size holds no cells rather than failing to allocate.
ScreenBuffer::ScreenBuffer(Hub* core, int width, int height)
    : core(core), width(width), height(height),
      cells(static_cast<size_t>(std::max(width, 0)) * static_cast<size_t>(std::max(height, 0)))
{
}

void ScreenBuffer::clear(uint8_t background)
{
    for (Cell& cell : cells) {
        cell.background = background;
        cell.foreground = 0;
    }
}

void ScreenBuffer::put(int column, int row, uint16_t character, ColorPair colour)
{
    CellGrid(cells, width).put(column, row, character, colour);
}

int ScreenBuffer::print(int column, int row, const WideString& text, ColorPair colour,
                        uint32_t flags, uint32_t wrapWidth)
{
    CellGrid grid(cells, width);
    const int64_t left = static_cast<int64_t>(column) + origin.x;
    const int64_t top = static_cast<int64_t>(row) + origin.y;
    if (flags & Vertical) {
        printVertical(grid, left, top, height, text, colour);
        return static_cast<int>(text.size());
    }
    if (flags & AsIs) {
        printAsIs(grid, left, top, text, colour);
        return 1;
    }
    const bool wrapping = (flags & Wrap) && wrapWidth != 0;
    auto place = [&](int64_t dx, int64_t dy, char16_t unit) {
        grid.put(left + dx, top + dy, unit, colour);
    };
    return static_cast<int>(layoutWords(text, wrapping, wrapWidth, place));
}

int ScreenBuffer::measureText(const WideString& text, uint32_t wrapWidth)
{
    auto placeNothing = [](int64_t, int64_t, char16_t) {};
    const bool wrapping = true;
    return static_cast<int>(layoutWords(text, wrapping, wrapWidth, placeNothing));
}

void ScreenBuffer::fillRect(int x, int y, int w, int h, uint8_t background)
{
    CellGrid(cells, width).writeRect(x, y, w, h, 0, eraseColour(background));
}

void ScreenBuffer::clearRect(int x, int y, int w, int h, uint8_t background)
{
    fillRect(x, y, w, h, background);
}

void ScreenBuffer::fillRow(int row, uint8_t background)
{
    fillRect(0, row, width, 1, background);
}

// The steps overlap on purpose: the shadow goes first so the frame covers all but its right
// column and bottom row, and the corners replace the line ends.
void ScreenBuffer::drawBorder(int x, int y, int w, int h, ColorPair colour, uint32_t flags)
{
    CellGrid grid(cells, width);
    const int64_t left = x;
    const int64_t top = y;
    const int64_t right = left + w - 1;
    const int64_t bottom = top + h - 1;
    if (flags & Shadow)
        grid.writeRect(left + 1, top + 1, w, h, 0, eraseColour(Black));
    grid.writeRect(left, top, w, 1, horizontalLine, colour);
    if (h > 1)
        grid.writeRect(left, bottom, w, 1, horizontalLine, colour);
    grid.writeRect(left, top, 1, h, verticalLine, colour);
    if (w > 1)
        grid.writeRect(right, top, 1, h, verticalLine, colour);
    if (w > 1 && h > 1) {
        grid.put(left, top, topLeftCorner, colour);
        grid.put(right, top, topRightCorner, colour);
        grid.put(left, bottom, bottomLeftCorner, colour);
        grid.put(right, bottom, bottomRightCorner, colour);
    }
    if (flags & Fill)
        grid.writeRect(left + 1, top + 1, static_cast<int64_t>(w) - 2, static_cast<int64_t>(h) - 2,
                       0, eraseColour(colour.background));
}

static_assert(std::is_trivially_copyable_v<Cell>, "blit moves rows of cells as bytes");

// Rows and cells go in the order that reads every source cell before the copy overwrites it,
// as memmove does, so a buffer copied onto itself gives what a copy of a snapshot would.
void ScreenBuffer::blit(const ScreenBuffer& source, const CopyArea& area, bool transparent)
{
    int64_t fromX = area.from.x, fromY = area.from.y, toX = area.to.x, toY = area.to.y;
    int64_t columns = area.size.width, rows = area.size.height;
    if (!clipAxis(fromX, toX, columns, source.width, width) || !clipAxis(fromY, toY, rows, source.height, height))
        return;
    const bool upwards = toY > fromY;
    const bool leftwards = toY == fromY && toX > fromX;
    for (int64_t step = 0; step < rows; ++step) {
        const int64_t row = upwards ? rows - 1 - step : step;
        const Cell* sourceRow = &source.cells[static_cast<size_t>((fromY + row) * source.width + fromX)];
        Cell* targetRow = &cells[static_cast<size_t>((toY + row) * width + toX)];
        if (!transparent) {
            std::memmove(targetRow, sourceRow, static_cast<size_t>(columns) * sizeof(Cell));
            continue;
        }
        if (leftwards)
            for (int64_t column = columns - 1; column >= 0; --column)
                copyCellTransparently(sourceRow[column], targetRow[column]);
        else
            for (int64_t column = 0; column < columns; ++column)
                copyCellTransparently(sourceRow[column], targetRow[column]);
    }
}

void ScreenBuffer::redraw()
{
    if (core)
        core->redraw();
}

} // namespace qel
