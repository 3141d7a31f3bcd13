#include "ui/MouseRouter.hpp"

#include "base/Hub.hpp"
#include "script/ScriptingInterface.hpp"
#include "ui/MessageBox.hpp"
#include "ui/TextField.hpp"
#include "ui/UI.hpp"
#include "ui/Window.hpp"

namespace qel {

namespace {

bool contains(const WidgetRect& rect, CellPosition cell)
{
    return cell.column >= rect.x && cell.row >= rect.y && cell.column - rect.x < rect.width &&
           cell.row - rect.y < rect.height;
}

// The last child of the widget whose rectangle holds the cell, or null.
UIWidget* lastChildAt(const UIWidget& widget, CellPosition cell)
{
    for (std::size_t i = widget.childCount(); i-- > 0;) {
        UIWidget* child = widget.childAt(i);
        if (!child->isRemoved() && contains(child->absoluteRect(), cell))
            return child;
    }
    return nullptr;
}

} // namespace

MouseRouter::MouseRouter(Hub* core) : core(core)
{
}

void MouseRouter::route(const MouseFact& fact)
{
    if (fact.action == MouseAction::Press) {
        // A release the window never saw (it had lost the focus) belongs to no press now.
        takenButtons.erase(fact.button);
        if (fact.cell && takesPress(*fact.cell)) {
            takenButtons.insert(fact.button);
            return;
        }
    }
    if (fact.action == MouseAction::Release && takenButtons.erase(fact.button) > 0)
        return;
    if (ScriptingInterface* script = core->getScript())
        script->onMouse(fact);
}

bool MouseRouter::takesPress(CellPosition cell)
{
    if (isOutsideKeyKeepingWindow(cell))
        return true;
    UIWidget* widget = widgetAt(cell);
    if (!widget)
        return false;
    if (widget->type() == WidgetType::TextField) {
        static_cast<TextField*>(widget)->focus();
        return true;
    }
    // The box itself, or one of its labels.
    auto* box = dynamic_cast<MessageBox*>(lastChildAt(ui().getRoot(), cell));
    if (!box)
        return false;
    if (!box->showNextPage())
        ui().closeWindow(box, ClosedBy::Return);
    core->redraw();
    return true;
}

bool MouseRouter::isOutsideKeyKeepingWindow(CellPosition cell) const
{
    const Window* top = ui().topWindow();
    return top && top->getHandler(HandlerSlot::Key) != NoReference && !contains(top->absoluteRect(), cell);
}

UIWidget* MouseRouter::widgetAt(CellPosition cell) const
{
    UIWidget* found = nullptr;
    for (UIWidget* inside = lastChildAt(ui().getRoot(), cell); inside; inside = lastChildAt(*inside, cell))
        found = inside;
    return found;
}

UI& MouseRouter::ui() const
{
    return *core->getUI();
}

} // namespace qel
