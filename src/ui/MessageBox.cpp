#include "ui/MessageBox.hpp"

#include "base/Hub.hpp"
#include "base/TextConversion.hpp"
#include "ui/Label.hpp"
#include "ui/UI.hpp"

#include <algorithm>

namespace qel {

namespace {

constexpr ColorPair BoxColours{Yellow, Brown};
constexpr int Margin = 6;
constexpr int WidthCap = 50;
// The dismiss text stays right of the left border.
constexpr int Narrowest = UI::DismissTextFromRight + 1;
// The frame and an empty row above and below the text.
constexpr int ExtraRows = 4;
constexpr GridPoint TextPosition{3, 2};
// Shown instead of the dismiss text while pages follow; as long, so it stands in the same place.
const WideString MoreText = u" [Enter \u25BC] ";

} // namespace

MessageBox::MessageBox(Hub* core) : Window(core, 0, 0, 0, 0, BoxColours)
{
}

void MessageBox::open(const WideString& text, GridSize screen)
{
    UI& ui = *core->getUI();
    message = ui.createLabel(this, text, TextPosition.x, TextPosition.y, ColorPair{White, Clear});
    dismiss = ui.addDismissText(*this);
    layOut(screen);
    core->announce(toUtf8(text));
}

bool MessageBox::showNextPage()
{
    if (isOnLastPage())
        return false;
    showPageFrom(firstRow + pageRows);
    return true;
}

void MessageBox::draw(float dt)
{
    if (const ScreenBuffer* buffer = screen()) {
        const GridSize size = buffer->getSize();
        if (size.width != laidOutFor.width || size.height != laidOutFor.height)
            layOut(size);
    }
    Window::draw(dt);
}

// As wide as the text and six columns more, odd, and at most 51 or two columns less than the
// screen; as tall as the wrapped text and four rows more, or as the screen. A new layout starts
// the page at the row that holds the text that was on top, counted in proportion and rounded
// down: the reader may see a row again, but misses none.
void MessageBox::layOut(GridSize screen)
{
    const WideString& text = message->getText();
    const int widest = std::min(WidthCap, screen.width - 2);
    int width = static_cast<int>(std::min<size_t>(text.size() + Margin, std::max(widest, 0)));
    width = std::max(width, Narrowest);
    if (width % 2 == 0)
        ++width;
    const int textWidth = width - Margin;
    const int64_t rowsRead = firstRow;
    const int oldTextRows = textRows;
    textRows = ScreenBuffer::measureText(text, static_cast<uint32_t>(textWidth));
    pageRows = std::clamp(screen.height - ExtraRows, 1, textRows);
    const int height = pageRows + ExtraRows;
    setRect({screen.width / 2 - (width - 1) / 2 - 1, screen.height / 2 - height / 2, width, height});
    message->setMaxWidth(textWidth);
    const WidgetRect dismissRect = dismiss->getRect();
    dismiss->setRect({width - UI::DismissTextFromRight, height - 1, dismissRect.width, dismissRect.height});
    laidOutFor = screen;
    showPageFrom(static_cast<int>(rowsRead * textRows / oldTextRows));
}

void MessageBox::showPageFrom(int row)
{
    firstRow = std::clamp(row, 0, textRows - 1);
    message->showRows(firstRow, pageRows);
    dismiss->setText(isOnLastPage() ? UI::DismissText : MoreText);
}

} // namespace qel
