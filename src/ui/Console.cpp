#include "ui/Console.hpp"

#include "base/Hub.hpp"
#include "base/TextConversion.hpp"
#include "base/LiveObjects.hpp"
#include "base/MemoryBudget.hpp"
#include "display/Renderer.hpp"

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

Console::Console(Hub* core, std::shared_ptr<MemoryBudget> budget, int x, int y, int width, int height)
    : core(core), budget(std::move(budget)), x(x), y(y), width(clampSide(width)), height(clampSide(height)),
      buffer(nullptr, this->width, this->height * BufferRowsPerRow)
{
}

Console::~Console()
{
    LiveObjects::remove(this);
    budget->give(bytesFor(width, height) + entryBytes);
}

// A console of no cells still costs its own object.
std::size_t Console::bytesFor(int width, int height)
{
    const auto cells = static_cast<std::size_t>(clampSide(width)) * static_cast<std::size_t>(clampSide(height)) *
                       BufferRowsPerRow;
    return sizeof(Console) + cells * sizeof(Cell);
}

std::size_t Console::bytesOf(const ConsoleLine& line)
{
    return sizeof(ConsoleLine) + line.text.size() * sizeof(WideString::value_type);
}

bool Console::insert(const WideString& text, uint8_t color, bool appendEmptyLine)
{
    ConsoleLine line{text, color, appendEmptyLine};
    if (!line.text.empty() && line.text.back() == u' ')
        line.text.pop_back();
    if (!budget->take(bytesOf(line)))
        return false;
    line.rows = ScreenBuffer::measureText(line.text, static_cast<uint32_t>(width)) + (appendEmptyLine ? 1 : 0);
    entryBytes += bytesOf(line);
    totalRows += line.rows;
    lines.push_back(std::move(line));
    while (lines.size() > maxEntries)
        dropOldestLine();
    scrolledBack = 0;
    display();
    // An inactive console is off the screen: a game may keep one for each video mode.
    if (active)
        core->announce(toUtf8(lines.back().text));
    return true;
}

bool Console::insertEmptyLine()
{
    return insert(WideString(), Clear, false);
}

void Console::clear()
{
    while (!lines.empty())
        dropOldestLine();
    scrolledBack = 0;
    display();
}

void Console::setMaxEntries(std::size_t count)
{
    maxEntries = std::max<std::size_t>(count, 1);
    while (lines.size() > maxEntries)
        dropOldestLine();
}

void Console::scrollBack()
{
    scrollBy(height);
}

void Console::scrollForward()
{
    scrollBy(-int64_t{height});
}

void Console::scrollBy(int64_t rows)
{
    scrolledBack = std::clamp<int64_t>(scrolledBack + rows, 0, furthestBack());
    display();
}

// Far enough back that the oldest row is at the top.
int64_t Console::furthestBack() const
{
    return std::max<int64_t>(totalRows - height, 0);
}

void Console::dropOldestLine()
{
    const std::size_t bytes = bytesOf(lines.front());
    budget->give(bytes);
    entryBytes -= bytes;
    totalRows -= lines.front().rows;
    lines.pop_front();
    scrolledBack = std::min(scrolledBack, furthestBack());
}

void Console::display()
{
    ScreenBuffer* screen = core->getScreenBuffer();
    if (!active || !screen)
        return;
    screen->clearRect(x, y, width, height, 0);
    if (width == 0)
        return;
    // Characters as well as colours: rows that held other entries before must show nothing.
    buffer.fillRect(0, 0, width, height, 0);
    const int64_t endRow = totalRows - scrolledBack;
    layOut(std::max<int64_t>(endRow - height, 0));
    copyToScreen(*screen);
}

// Lays out, from the buffer's top row, the rows from `top` on that the console shows: only the
// entries that reach into them are printed, and rows outside the buffer are cut off.
void Console::layOut(int64_t top)
{
    int64_t row = 0;
    for (const ConsoleLine& line : lines) {
        if (row >= top + height)
            return;
        if (row + line.rows > top)
            buffer.print(0, static_cast<int>(row - top), line.text, ColorPair{line.color, Clear}, Wrap,
                         static_cast<uint32_t>(width));
        row += line.rows;
    }
}

// Because the buffer's cells carry a clear background, the screen keeps its own under the text.
void Console::copyToScreen(ScreenBuffer& screen) const
{
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const Cell& cell = buffer.cellAt(column, row);
            screen.put(pinToInt(int64_t{x} + column), pinToInt(int64_t{y} + row), cell.character,
                       ColorPair{cell.foreground, cell.background});
        }
    }
}

} // namespace qel
