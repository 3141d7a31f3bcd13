#include "ui/Label.hpp"

#include <algorithm>

namespace qel {

Label::Label(Hub* core, const WideString& text, int x, int y, ColorPair colors)
    : UIWidget(core, x, y, 0, 0, colors), text(text)
{
}

Label::~Label() = default;

void Label::setText(const WideString& value)
{
    text = value;
    band.reset();
}

void Label::setMaxWidth(int width)
{
    maxWidth = width;
    band.reset();
}

void Label::showRows(int first, int count)
{
    firstRow = first;
    rowCount = count;
    band.reset();
}

void Label::draw(float dt)
{
    if (ScreenBuffer* buffer = screen()) {
        const WidgetRect rect = absoluteRect();
        if (rowCount > 0)
            drawBand(*buffer, rect);
        else if (maxWidth > 0)
            buffer->print(rect.x, rect.y, text, getColors(), Wrap, static_cast<uint32_t>(maxWidth));
        else
            buffer->print(rect.x, rect.y, text, getColors(), 0, 0);
    }
    drawChildren(dt);
}

// The band is as wide as the screen, so that a word longer than the wrap width runs on as far
// as it would in the whole text; only the cells the text wrote are copied.
void Label::drawBand(ScreenBuffer& screen, const WidgetRect& rect)
{
    const int screenWidth = screen.getSize().width;
    if (!band || band->getSize().width != screenWidth)
        layOutBand(screenWidth);
    for (int row = 0; row < rowCount; ++row) {
        for (int column = 0; column < screenWidth; ++column) {
            const Cell& cell = band->cellAt(column, row);
            if (cell.character != 0)
                screen.put(pinToInt(int64_t{rect.x} + column), pinToInt(int64_t{rect.y} + row), cell.character,
                           ColorPair{cell.foreground, cell.background});
        }
    }
}

// Rows above the band fall outside the buffer and are not kept.
void Label::layOutBand(int screenWidth)
{
    band = std::make_unique<ScreenBuffer>(nullptr, screenWidth, rowCount);
    const uint32_t flags = maxWidth > 0 ? uint32_t{Wrap} : 0;
    band->print(0, pinToInt(-int64_t{firstRow}), text, getColors(), flags, static_cast<uint32_t>(std::max(maxWidth, 0)));
}

} // namespace qel
