#include "ui/TextField.hpp"

#include "base/Hub.hpp"
#include "ui/UI.hpp"

#include <utility>

namespace qel {

namespace {

constexpr float BlinkPeriod = 1.f;
constexpr float CursorShownFor = 0.5f;
constexpr char16_t CursorGlyph = 0x25A0;
constexpr char16_t HiddenGlyph = u'*';

} // namespace

TextField::TextField(Hub* core, int x, int y, int width, ColorPair colors)
    : UIWidget(core, x, y, width, 1, colors)
{
}

void TextField::appendCharacter(uint16_t code)
{
    text.push_back(static_cast<char16_t>(code));
    // Typing restarts the blink, so the cursor is seen right after every character.
    cursorVisible = true;
    blinkTime = 0.f;
}

void TextField::backspace()
{
    if (!text.empty())
        text.pop_back();
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

bool TextField::hasFocus() const
{
    return core->getUI()->focusedField() == this;
}

void TextField::draw(float dt)
{
    const bool focused = hasFocus();
    if (focused)
        advanceBlink(dt);
    if (ScreenBuffer* buffer = screen()) {
        const WidgetRect rect = absoluteRect();
        const ColorPair colors = getColors();
        buffer->fillRect(rect.x, rect.y, rect.width, rect.height, colors.background);
        // The line is not cut at the field's width: a long text runs on to the right.
        buffer->print(rect.x, rect.y, shownLine(focused), ColorPair{colors.foreground, Clear}, 0, 0);
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

WideString TextField::shownLine(bool focused) const
{
    WideString line = inputPrefix + (hidden ? WideString(text.size(), HiddenGlyph) : text);
    if (focused)
        line.push_back(cursorVisible ? CursorGlyph : u' ');
    return line;
}

} // namespace qel
