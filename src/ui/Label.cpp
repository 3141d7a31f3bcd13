#include "ui/Label.hpp"

namespace qel {

Label::Label(Hub* core, const WideString& text, int x, int y, ColorPair colors)
    : UIWidget(core, x, y, 0, 0, colors), text(text)
{
}

void Label::draw(float dt)
{
    if (ScreenBuffer* buffer = screen()) {
        const WidgetRect rect = absoluteRect();
        if (maxWidth > 0)
            buffer->print(rect.x, rect.y, text, getColors(), Wrap, static_cast<uint32_t>(maxWidth));
        else
            buffer->print(rect.x, rect.y, text, getColors(), 0, 0);
    }
    drawChildren(dt);
}

} // namespace qel
