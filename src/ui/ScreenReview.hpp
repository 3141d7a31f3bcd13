#pragma once

#include "base/CellPosition.hpp"

#include <functional>
#include <optional>

namespace qel {

class Hub;
class ScreenBuffer;
class Speech;

// Reads the screen to a player who cannot see it, while speech is on: the whole screen row by
// row, or one row at a time from a review position that the player moves up, down or to the
// pointer. Rows with nothing to say (see spokenRow) are passed over.
//
// The review starts above the top row, and reading the whole screen puts it back there, so that
// the next row down is the first row with text. Moving past the first or last such row says
// "top" or "bottom" and that row again, as screen readers do at an edge. The row under the
// pointer is read even when blank, as "blank", and the pointer off the screen says "off screen";
// a whole screen with nothing to say is "blank" too.
class ScreenReview {
public:
    enum class Step { WholeScreen, PreviousRow, NextRow, RowUnderPointer };

    // The pointer's cell as the application sees it (a replay answers as recorded).
    ScreenReview(Hub* core, Speech& speech, std::function<std::optional<CellPosition>()> pointerCell);

    // False while speech is off: the key that asked is then the script's.
    bool review(Step step);

private:
    // A second reading while the first is still heard stops it instead.
    void readScreen(const ScreenBuffer& screen);
    // Direction -1 moves up, 1 down.
    void readNextRow(const ScreenBuffer& screen, int direction);
    void readRowUnderPointer(const ScreenBuffer& screen);
    // Moves the review position to the row and says it, "blank" when it has nothing to say.
    void sayRow(const ScreenBuffer& screen, int row, bool interrupt);

    Hub* core;
    Speech& speech;
    std::function<std::optional<CellPosition>()> pointerCell;
    // The row read last; -1 above the top row.
    int position = -1;
    bool readingScreen = false;
};

} // namespace qel
