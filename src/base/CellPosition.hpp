#pragma once

namespace qel {

// A cell of the screen, counted from 0 at the top left.
struct CellPosition {
    int column;
    int row;
    bool operator==(const CellPosition& other) const { return column == other.column && row == other.row; }
    bool operator!=(const CellPosition& other) const { return !(*this == other); }
};

} // namespace qel
