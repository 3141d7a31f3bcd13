#include "ui/TextField.hpp"

#include "base/Hub.hpp"
#include "base/TextConversion.hpp"
#include "ui/UI.hpp"

#include <algorithm>
#include <utility>

namespace qel {

namespace {

constexpr float BlinkPeriod = 1.f;
constexpr float CursorShownFor = 0.5f;
// The caret after the last character; on a character it shows that character in reverse.
constexpr char16_t CursorGlyph = 0x25A0;
constexpr char16_t HiddenGlyph = u'*';

} // namespace

TextField::TextField(Hub* core, int x, int y, int width, ColorPair colors)
    : UIWidget(core, x, y, width, 1, colors)
{
}

void TextField::appendCharacter(uint16_t code)
{
    if (isFull())
        return;
    text.insert(caret, 1, static_cast<char16_t>(code));
    ++caret;
    showCaret();
    announceTyped(static_cast<char16_t>(code));
}

void TextField::backspace()
{
    if (caret == 0)
        return;
    text.erase(--caret, 1);
    showCaret();
}

void TextField::deleteForward()
{
    if (caret == text.size())
        return;
    text.erase(caret, 1);
    showCaret();
}

void TextField::moveCaret(CaretMove move)
{
    switch (move) {
    case CaretMove::Left:
        caret -= caret > 0 ? 1 : 0;
        break;
    case CaretMove::Right:
        caret += caret < text.size() ? 1 : 0;
        break;
    case CaretMove::Home:
        caret = 0;
        break;
    case CaretMove::End:
        caret = text.size();
        break;
    }
    showCaret();
}

void TextField::setText(const WideString& value)
{
    text = maxLength > 0 ? value.substr(0, maxLength) : value;
    caret = text.size();
    scrollToCaret();
}

void TextField::setMaxLength(std::size_t length)
{
    maxLength = length;
    if (maxLength > 0 && text.size() > maxLength)
        setText(text);
}

void TextField::focus()
{
    core->getUI()->setFocus(this);
}

void TextField::unfocus()
{
    if (hasFocus())
        core->getUI()->unfocus();
}

void TextField::releaseHandlers(ScriptingInterface& host)
{
    host.releaseReference(std::exchange(enterHandler, NoReference));
}

WideString TextField::shownText() const
{
    return hidden ? WideString(text.size(), HiddenGlyph) : text;
}

void TextField::announceFocus() const
{
    const WideString gap = inputPrefix.empty() ? u"" : u" ";
    core->announce(toUtf8(inputPrefix + gap + shownText()));
}

void TextField::announceEntered() const
{
    core->announce(toUtf8(shownText()));
}

// A space is said by name: spoken as it is, it would be silence.
void TextField::announceTyped(char16_t character) const
{
    if (hidden)
        character = HiddenGlyph;
    core->announce(character == u' ' ? std::string("space") : toUtf8(WideString(1, character)));
}

bool TextField::hasFocus() const
{
    return core->getUI()->focusedField() == this;
}

bool TextField::isFull() const
{
    return maxLength > 0 && text.size() >= maxLength;
}

// Every edit restarts the blink, so the caret is seen where the key left it.
void TextField::showCaret()
{
    cursorVisible = true;
    blinkTime = 0.f;
    scrollToCaret();
}

void TextField::draw(float dt)
{
    const bool focused = hasFocus();
    if (focused)
        advanceBlink(dt);
    if (ScreenBuffer* buffer = screen()) {
        const WidgetRect rect = absoluteRect();
        const ColorPair colors = getColors();
        restoreReversedCell(*buffer);
        buffer->fillRect(rect.x, rect.y, rect.width, rect.height, colors.background);
        // The prefix may have changed since the caret last moved.
        scrollToCaret();
        const WideString shown = shownText();
        // Written cell by cell, so that every character keeps its own column under the caret.
        const WideString line = inputPrefix + shown.substr(scroll, textColumns());
        for (std::size_t i = 0; i < line.size(); ++i)
            buffer->put(pinToInt(int64_t{rect.x} + static_cast<int64_t>(i)), rect.y, line[i],
                        ColorPair{colors.foreground, Clear});
        if (focused)
            drawCaret(*buffer, rect, shown);
    }
    drawChildren(dt);
}

// Shown for the first half of every period that the field holds the focus.
void TextField::advanceBlink(float dt)
{
    blinkTime += dt;
    if (blinkTime >= BlinkPeriod) {
        cursorVisible = true;
        blinkTime = 0.f;
    } else if (blinkTime >= CursorShownFor) {
        cursorVisible = false;
    }
}

// The columns after the prefix; a prefix as wide as the field leaves one, past its edge.
std::size_t TextField::textColumns() const
{
    const int64_t columns = int64_t{getRect().width} - static_cast<int64_t>(inputPrefix.size());
    return static_cast<std::size_t>(std::max<int64_t>(columns, 1));
}

// Keeps the caret's column in view, and no column empty at the end while text before the
// first one shown is out of view (the caret after the text takes a column of its own).
void TextField::scrollToCaret()
{
    const std::size_t columns = textColumns();
    if (caret < scroll)
        scroll = caret;
    else if (caret >= scroll + columns)
        scroll = caret - columns + 1;
    const std::size_t used = text.size() + 1;
    if (scroll + columns > used)
        scroll = used > columns ? used - columns : 0;
}

// After the text the caret is a block, or a space in the off half of the blink; on a character
// it shows the character in the field's colours reversed (black on a clear background).
void TextField::drawCaret(ScreenBuffer& buffer, const WidgetRect& rect, const WideString& shown)
{
    const int64_t column = int64_t{rect.x} + static_cast<int64_t>(inputPrefix.size() + caret - scroll);
    const ColorPair colors = getColors();
    if (caret == shown.size()) {
        buffer.put(pinToInt(column), rect.y, cursorVisible ? CursorGlyph : u' ',
                   ColorPair{colors.foreground, Clear});
        return;
    }
    if (!cursorVisible)
        return;
    const GridSize size = buffer.getSize();
    if (column < 0 || column >= size.width || rect.y < 0 || rect.y >= size.height)
        return;
    const int x = static_cast<int>(column);
    const uint8_t reversedForeground = colors.background == Clear ? uint8_t{Black} : colors.background;
    reversedCell = ReversedCell{x, rect.y, buffer.cellAt(x, rect.y).background, colors.foreground};
    buffer.put(x, rect.y, shown[caret], ColorPair{reversedForeground, colors.foreground});
}

// Unless something else has painted the cell since.
void TextField::restoreReversedCell(ScreenBuffer& buffer)
{
    const std::optional<ReversedCell> cell = std::exchange(reversedCell, std::nullopt);
    const GridSize size = buffer.getSize();
    if (!cell || cell->x >= size.width || cell->y >= size.height)
        return;
    const Cell& now = buffer.cellAt(cell->x, cell->y);
    // A clear background is written back with Clear2: put keeps a cell's background for Clear.
    const uint8_t background = cell->background == Clear ? uint8_t{Clear2} : cell->background;
    if (now.background == cell->reversedTo)
        buffer.put(cell->x, cell->y, now.character, ColorPair{now.foreground, background});
}

} // namespace qel
