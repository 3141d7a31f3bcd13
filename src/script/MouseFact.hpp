#pragma once

#include "base/CellPosition.hpp"

#include <optional>

namespace qel {

enum class MouseAction { Press, Release, Move, Wheel };

// What the mouse did, in the screen's cells rather than the window's pixels, so that a play
// replayed in a window of another size or style sees the same cells.
struct MouseFact {
    MouseAction action;
    // The cell under the pointer; none only for the move that left the screen area or the window.
    std::optional<CellPosition> cell = std::nullopt;
    // The button of a press or release, numbered as the window library numbers them; the wheel's
    // steps, positive away from the player.
    int button = 0;
    bool operator==(const MouseFact& other) const
    {
        return action == other.action && cell == other.cell && button == other.button;
    }
};

} // namespace qel
