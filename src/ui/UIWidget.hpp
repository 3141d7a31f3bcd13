#pragma once

#include "display/ScreenBuffer.hpp"
#include "script/ScriptingInterface.hpp"

#include <cstddef>
#include <memory>
#include <vector>

namespace qel {

class Hub;

enum class WidgetType { Plain = 0, Window = 1, TextField = 2, Label = 3 };

// Which of a window's script handlers; the script host reads them through getHandler.
enum class HandlerSlot { Close, Key, Draw };
constexpr int HandlerSlotCount = 3;

struct WidgetRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// An element of the widget tree: a rectangle relative to its parent, colours, a script id and
// owned children, drawn after the widget itself in list order.
class UIWidget {
public:
    UIWidget(Hub* core, int x, int y, int width, int height, ColorPair colors);
    virtual ~UIWidget();
    UIWidget(const UIWidget&) = delete;
    UIWidget& operator=(const UIWidget&) = delete;

    virtual WidgetType type() const { return WidgetType::Plain; }
    virtual void draw(float dt);
    // The script handler reference in the slot, NoReference when none; only windows have them.
    virtual int getHandler(HandlerSlot) const { return NoReference; }
    // Gives every handler reference this widget keeps back to the script host, keeping none.
    virtual void releaseHandlers(ScriptingInterface&) {}

    void addChild(std::unique_ptr<UIWidget> child);
    // Takes target out of the subtree below this widget (depth-first, in list order) and hands
    // it over; null when it is not there.
    std::unique_ptr<UIWidget> detachChild(const UIWidget* target);
    std::size_t childCount() const { return children.size(); }
    UIWidget* childAt(std::size_t index) const { return children[index].get(); }

    int getId() const { return id; }
    void setId(int newId) { id = newId; }
    ColorPair getColors() const { return colors; }
    WidgetRect getRect() const { return {x, y, width, height}; }
    void setRect(const WidgetRect& rect);
    // The rectangle in screen cells: the position plus every ancestor's.
    WidgetRect absoluteRect() const;

    // A removed widget is out of the tree; while the engine may still hold it (a draw pass,
    // a close handler) the object lives on and must not be drawn or closed again.
    bool isRemoved() const { return removed; }
    void markRemoved() { removed = true; }
    // Set while the close handler runs, so that a nested close of the same window does nothing.
    bool isClosing() const { return closing; }
    void markClosing() { closing = true; }

protected:
    // Draws the children present when the pass reaches them. Handlers run by a child may add
    // or remove widgets: new ones are drawn from the next pass on, removed ones are skipped.
    void drawChildren(float dt);
    // The screen buffer of the moment: a video-mode change replaces it, so it is never kept.
    ScreenBuffer* screen() const;
    ScriptingInterface* scriptHost() const;

    Hub* core;

private:
    int id = 0;
    UIWidget* parent = nullptr;
    int x;
    int y;
    int width;
    int height;
    ColorPair colors;
    std::vector<std::unique_ptr<UIWidget>> children;
    bool removed = false;
    bool closing = false;
};

} // namespace qel
