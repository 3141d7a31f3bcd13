#pragma once

#include "ui/UIWidget.hpp"

#include <cstdint>

namespace qel {

// A one-line input: the focused field collects typed characters, shows an input prefix before
// its text, may mask the text, and blinks a block cursor while it has the focus.
class TextField : public UIWidget {
public:
    TextField(Hub* core, int x, int y, int width, ColorPair colors);

    WidgetType type() const override { return WidgetType::TextField; }
    void draw(float dt) override;

    void appendCharacter(uint16_t code);
    void backspace();
    // Takes the focus, whatever windows are open.
    void focus();
    // Gives the focus up by the UI's focus rule, if this field has it.
    void unfocus();

    WideString getText() const { return text; }
    void setText(const WideString& value) { text = value; }
    void setInputPrefix(const WideString& prefix) { inputPrefix = prefix; }
    void setHidden(bool value) { hidden = value; }
    // The script function Return runs while this field has the focus.
    int getEnterHandler() const { return enterHandler; }
    void setEnterHandler(int reference) { enterHandler = reference; }
    void releaseHandlers(ScriptingInterface& host) override;

private:
    bool hasFocus() const;
    void advanceBlink(float dt);
    WideString shownLine(bool focused) const;

    WideString text;
    WideString inputPrefix;
    bool hidden = false;
    int enterHandler = NoReference;
    bool cursorVisible = true;
    float blinkTime = 0.f;
};

} // namespace qel
