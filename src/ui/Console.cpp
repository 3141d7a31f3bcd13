#include "ui/Console.hpp"

#include "base/Hub.hpp"
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
    entryBytes += bytesOf(line);
    lines.push_back(std::move(line));
    while (lines.size() > static_cast<std::size_t>(height))
        dropOldestLine();
    display();
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
    display();
}

void Console::dropOldestLine()
{
    const std::size_t bytes = bytesOf(lines.front());
    budget->give(bytes);
    entryBytes -= bytes;
    lines.pop_front();
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
