#include "display/SpokenRow.hpp"

#include "display/ScreenBuffer.hpp"

namespace qel {

namespace {

// Cells that say nothing: those that show no character (a clear foreground hides it, and
// blanks draw none) and the lines and blocks of frames and shades.
bool isSilent(const Cell& cell)
{
    const uint16_t character = cell.character;
    const bool blank = character == 0 || character == u' ' || character == u'\t' || character == u'\n' ||
                       character == u'\r';
    return cell.foreground == Clear || blank || (character >= 0x2500 && character <= 0x259F);
}

} // namespace

std::string spokenRow(const ScreenBuffer& screen, int row)
{
    if (!screen.contains(0, row))
        return "";
    WideString text;
    bool gap = false;
    for (int column = 0; column < screen.getSize().width; ++column) {
        const Cell& cell = screen.cellAt(column, row);
        if (isSilent(cell)) {
            gap = true;
            continue;
        }
        if (gap && !text.empty())
            text += u' ';
        gap = false;
        text += static_cast<char16_t>(cell.character);
    }
    return toUtf8(text);
}

} // namespace qel
