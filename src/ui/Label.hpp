#pragma once

#include "ui/UIWidget.hpp"

namespace qel {

// Static text printed at its position every frame, wrapped when it has a maximum width.
class Label : public UIWidget {
public:
    Label(Hub* core, const WideString& text, int x, int y, ColorPair colors);

    WidgetType type() const override { return WidgetType::Label; }
    void draw(float dt) override;

    const WideString& getText() const { return text; }
    void setText(const WideString& value) { text = value; }
    // 0 or less: no wrapping.
    void setMaxWidth(int width) { maxWidth = width; }

private:
    WideString text;
    int maxWidth = 0;
};

} // namespace qel
