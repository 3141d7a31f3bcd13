#pragma once

#include "script/MouseFact.hpp"

#include <set>

namespace qel {

class Hub;
class UIWidget;
class UI;

// Takes the mouse's facts to where they belong, as KeyRouter does the keys': a press on a text
// field focuses it, a press on a message box dismisses it as Return does, and while the topmost
// window keeps the keys (it has a key handler) a press outside it is dropped. Everything else
// goes to the script's mouse function. The release of a press the user interface took is the
// user interface's too, so that the script never sees a release without its press.
class MouseRouter {
public:
    explicit MouseRouter(Hub* core);

    void route(const MouseFact& fact);

private:
    // Whether the user interface takes the press in that cell.
    bool takesPress(CellPosition cell);
    bool isOutsideKeyKeepingWindow(CellPosition cell) const;
    // The widget drawn on top in the cell: the last top-level widget there, and within it the
    // last child there, and so on down; null over no widget.
    UIWidget* widgetAt(CellPosition cell) const;
    UI& ui() const;

    Hub* core;
    // The buttons whose press the user interface took and whose release has not come yet.
    std::set<int> takenButtons;
};

} // namespace qel
