#pragma once

#include "display/ScreenBuffer.hpp"

#include <string>
#include <vector>

namespace qel::test {

// A picture of the screen, one string per row, so that a test reads like the screen it checks.
using Lines = std::vector<std::string>;

namespace detail {

template <class CellText>
Lines rows(const ScreenBuffer& screen, int x, int y, int width, int height, CellText cellText)
{
    Lines lines;
    for (int row = y; row < y + height; ++row) {
        std::string line;
        for (int column = x; column < x + width; ++column)
            line += cellText(screen.cellAt(column, row));
        lines.push_back(line);
    }
    return lines;
}

// Palette indices 0 (Clear) to 17 (Clear2) as 0-9 then a-h: Red is 1, Blue 5, Black g.
inline std::string colourDigit(uint8_t index)
{
    return std::string(1, index < 18 ? "0123456789abcdefgh"[index] : '?');
}

} // namespace detail

// The characters of a rectangle of cells, whatever their colours; a cell without a character
// reads as '.', so that written spaces show apart from untouched cells.
inline Lines screenText(const ScreenBuffer& screen, int x, int y, int width, int height)
{
    return detail::rows(screen, x, y, width, height, [](const Cell& cell) {
        return toUtf8(WideString(1, cell.character ? static_cast<char16_t>(cell.character) : u'.'));
    });
}

inline Lines backgroundText(const ScreenBuffer& screen, int x, int y, int width, int height)
{
    return detail::rows(screen, x, y, width, height,
                                   [](const Cell& cell) { return detail::colourDigit(cell.background); });
}

inline Lines foregroundText(const ScreenBuffer& screen, int x, int y, int width, int height)
{
    return detail::rows(screen, x, y, width, height,
                                   [](const Cell& cell) { return detail::colourDigit(cell.foreground); });
}

// The whole screen.
inline Lines screenText(const ScreenBuffer& screen)
{
    return screenText(screen, 0, 0, screen.getSize().width, screen.getSize().height);
}

inline Lines backgroundText(const ScreenBuffer& screen)
{
    return backgroundText(screen, 0, 0, screen.getSize().width, screen.getSize().height);
}

} // namespace qel::test
