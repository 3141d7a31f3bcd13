#include "ui/UIWidget.hpp"

#include "base/Hub.hpp"
#include "display/Renderer.hpp"
#include "base/LiveObjects.hpp"

#include <algorithm>

namespace qel {

UIWidget::UIWidget(Hub* core, int x, int y, int width, int height, ColorPair colors)
    : core(core), x(x), y(y), width(width), height(height), colors(colors)
{
}

// A widget that dies in the tree, with the UI, leaves the live objects here.
UIWidget::~UIWidget()
{
    LiveObjects::remove(this);
}

void UIWidget::draw(float dt)
{
    drawChildren(dt);
}

void UIWidget::setRect(const WidgetRect& rect)
{
    x = rect.x;
    y = rect.y;
    width = rect.width;
    height = rect.height;
}

void UIWidget::addChild(std::unique_ptr<UIWidget> child)
{
    child->parent = this;
    children.push_back(std::move(child));
}

std::unique_ptr<UIWidget> UIWidget::detachChild(const UIWidget* target)
{
    for (auto it = children.begin(); it != children.end(); ++it) {
        if (it->get() == target) {
            std::unique_ptr<UIWidget> detached = std::move(*it);
            children.erase(it);
            detached->parent = nullptr;
            return detached;
        }
        if (std::unique_ptr<UIWidget> detached = (*it)->detachChild(target))
            return detached;
    }
    return nullptr;
}

// Summed in 64 bits, so that a far parent and a child placed back towards the screen add up
// exactly; only the total is pinned.
WidgetRect UIWidget::absoluteRect() const
{
    int64_t left = x;
    int64_t top = y;
    for (const UIWidget* ancestor = parent; ancestor; ancestor = ancestor->parent) {
        left += ancestor->x;
        top += ancestor->y;
    }
    return {pinToInt(left), pinToInt(top), width, height};
}

void UIWidget::drawChildren(float dt)
{
    std::vector<UIWidget*> present(children.size());
    std::transform(children.begin(), children.end(), present.begin(),
                   [](const std::unique_ptr<UIWidget>& child) { return child.get(); });
    // A handler run by an earlier child may have removed this widget or the child; removing a
    // widget marks its whole subtree, so the child's own mark tells both.
    for (UIWidget* child : present) {
        if (!child->removed)
            child->draw(dt);
    }
}

ScreenBuffer* UIWidget::screen() const
{
    return core ? core->getScreenBuffer() : nullptr;
}

ScriptingInterface* UIWidget::scriptHost() const
{
    return core ? core->getScript() : nullptr;
}

} // namespace qel
