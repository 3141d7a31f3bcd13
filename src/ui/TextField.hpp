#pragma once

#include "ui/UIWidget.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace qel {

// Where an editing key moves a text field's caret.
enum class CaretMove { Left, Right, Home, End };

// A one-line input: the focused field collects typed characters at its caret, shows an input
// prefix before its text, may mask the text, and blinks its caret while it has the focus. Text
// wider than the field scrolls sideways so that the caret stays in view.
class TextField : public UIWidget {
public:
    TextField(Hub* core, int x, int y, int width, ColorPair colors);

    WidgetType type() const override { return WidgetType::TextField; }
    void draw(float dt) override;

    // Inserts at the caret and says the character; nothing once the field holds its maximum length.
    void appendCharacter(uint16_t code);
    // Deletes the character before the caret.
    void backspace();
    // Deletes the character at the caret.
    void deleteForward();
    void moveCaret(CaretMove move);
    // Takes the focus, whatever windows are open.
    void focus();
    // Gives the focus up by the UI's focus rule, if this field has it.
    void unfocus();

    WideString getText() const { return text; }
    // Cut to the maximum length; the caret goes to the end.
    void setText(const WideString& value);
    // 0 means no limit. A text already longer is cut.
    void setMaxLength(std::size_t length);
    std::size_t getCaret() const { return caret; }
    void setInputPrefix(const WideString& prefix) { inputPrefix = prefix; }
    void setHidden(bool value) { hidden = value; }
    // The text as the field shows it: masked when hidden.
    WideString shownText() const;
    // Says the prefix and the text, as the field gains the focus.
    void announceFocus() const;
    // Says the text entered, as Return enters it.
    void announceEntered() const;
    // The script function Return runs while this field has the focus.
    int getEnterHandler() const { return enterHandler; }
    void setEnterHandler(int reference) { enterHandler = reference; }
    void releaseHandlers(ScriptingInterface& host) override;

private:
    void announceTyped(char16_t character) const;
    bool hasFocus() const;
    bool isFull() const;
    void showCaret();
    void advanceBlink(float dt);
    std::size_t textColumns() const;
    void scrollToCaret();
    void drawCaret(ScreenBuffer& buffer, const WidgetRect& rect, const WideString& shown);
    void restoreReversedCell(ScreenBuffer& buffer);

    WideString text;
    WideString inputPrefix;
    bool hidden = false;
    std::size_t maxLength = 0;
    // Where typing inserts: 0 is before the first character, text.size() after the last.
    std::size_t caret = 0;
    // The first character shown.
    std::size_t scroll = 0;
    int enterHandler = NoReference;
    bool cursorVisible = true;
    float blinkTime = 0.f;
    // The cell the caret last showed reversed, and the background it had: a clear background
    // is not repainted by the field, so it is given back when the caret moves on.
    struct ReversedCell {
        int x;
        int y;
        uint8_t background;
        uint8_t reversedTo;
    };
    std::optional<ReversedCell> reversedCell;
};

} // namespace qel
