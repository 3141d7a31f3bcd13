#pragma once

#include "ui/UIWidget.hpp"

#include <array>

namespace qel {

class Label;

// A framed dialog: double-line border, optional shadow, filled inside, a centred title on
// the top border, and the script's close, key and draw handlers.
class Window : public UIWidget {
public:
    Window(Hub* core, int x, int y, int width, int height, ColorPair colors);

    WidgetType type() const override { return WidgetType::Window; }
    void draw(float dt) override;
    int getHandler(HandlerSlot slot) const override { return handlers[static_cast<size_t>(slot)]; }
    void setHandler(HandlerSlot slot, int reference) { handlers[static_cast<size_t>(slot)] = reference; }
    void releaseHandlers(ScriptingInterface& host) override;

    // Runs the close handler (not by Escape), removes the window and lets the script repaint.
    void close();

    // A new title is said, as the window opening with it, or retitled, shows it.
    void setTitle(const WideString& text);
    const WideString& getTitle() const { return title; }
    void setClosable(bool value) { closable = value; }
    bool isClosable() const { return closable; }
    void setShadow(bool value) { shadow = value; }
    bool hasShadow() const { return shadow; }

private:
    void runDrawHandler();

    bool closable = true;
    bool shadow = false;
    std::array<int, HandlerSlotCount> handlers{NoReference, NoReference, NoReference};
    WideString title;
    Label* titleLabel = nullptr;
};

} // namespace qel
