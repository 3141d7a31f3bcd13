#include "ui/Console.hpp"

#include "base/Hub.hpp"
#include "display/Renderer.hpp"
#include "base/LiveObjects.hpp"

#include <algorithm>

namespace qel {

namespace {

// The off-screen buffer holds this many rows per row of the console.
constexpr int BufferRowsPerRow = 8;
// Screens are at most 80 x 25 cells; a larger side would only cost memory, so it is cut.
constexpr int LargestSide = 256;

int clampSide(int extent)
{
    return std::clamp(extent, 0, LargestSide);
}

} // namespace

Console::Console(Hub* core, int x, int y, int width, int height)
    : core(core), x(x), y(y), width(clampSide(width)), height(clampSide(height)),
      buffer(nullptr, this->width, this->height * BufferRowsPerRow)
{
}

Console::~Console()
{
    LiveObjects::remove(this);
}

void Console::insert(const WideString& text, uint8_t color, bool appendEmptyLine)
{
    WideString entry = text;
    if (!entry.empty() && entry.back() == u' ')
        entry.pop_back();
    lines.push_back({entry, color, appendEmptyLine});
    while (lines.size() > static_cast<std::size_t>(height))
        lines.pop_front();
    display();
}

void Console::insertEmptyLine()
{
    insert(WideString(), Clear, false);
}

void Console::clear()
{
    lines.clear();
    display();
}

void Console::display()
{
    ScreenBuffer* screen = core->getScreenBuffer();
    if (!active || !screen)
        return;
    screen->clearRect(x, y, width, height, 0);
    if (width == 0)
        return;
    buffer.clear(0);
    copyToScreen(*screen, layOut());
}

// Lays the entries out in the off-screen buffer; returns the row below the last one. Text
// taller than the buffer is aligned to its bottom, so that the oldest rows are the ones lost.
int Console::layOut()
{
    int row = std::min(0, buffer.getSize().height - totalRows());
    for (const ConsoleLine& line : lines) {
        row += buffer.print(0, row, line.text, ColorPair{line.color, Clear}, Wrap,
                            static_cast<uint32_t>(width));
        if (line.appendEmptyLine)
            ++row;
    }
    return row;
}

int Console::totalRows() const
{
    int rows = 0;
    for (const ConsoleLine& line : lines)
        rows += ScreenBuffer::measureText(line.text, static_cast<uint32_t>(width)) +
                (line.appendEmptyLine ? 1 : 0);
    return rows;
}

// Shows the bottom `height` rows of the laid-out text. They never reach past the buffer: it
// is eight times the console's height and the text ends at its bottom row at the latest.
void Console::copyToScreen(ScreenBuffer& screen, int endRow) const
{
    const int top = std::max(endRow - height, 0);
    for (int row = top; row < top + height; ++row) {
        for (int column = 0; column < width; ++column) {
            const Cell& cell = buffer.cellAt(column, row);
            screen.put(pinToInt(int64_t{x} + column), pinToInt(int64_t{y} + row - top),
                       cell.character, ColorPair{cell.foreground, cell.background});
        }
    }
}

} // namespace qel
