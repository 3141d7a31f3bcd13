#pragma once

#include "base/TextConversion.hpp"
#include "script/KeyModifiers.hpp"
#include "script/MouseFact.hpp"

#include <cstdint>
#include <string>

namespace qel {

// Reference to a script function kept by the script host; NoReference means no handler.
constexpr int NoReference = -1;

// Everything the engine asks of its scripts.
class ScriptingInterface {
public:
    virtual ~ScriptingInterface() = default;

    virtual bool load(const std::string& launchScriptName) = 0;
    virtual void reload() = 0;
    virtual void start() = 0;
    virtual void update(float frameTime) = 0;
    virtual void runFile(const std::string& fileName) = 0;
    virtual void onGlobalKey(int keyCode, bool pressed, bool handled, const KeyModifiers& modifiers) = 0;
    // A printable character the player typed, given by its Unicode number.
    virtual void onTextTyped(uint32_t character) = 0;
    // A press, release or wheel turn over the screen, or the pointer entering another cell.
    virtual void onMouse(const MouseFact& fact) = 0;
    virtual void redraw() = 0;
    // The game is about to end; the script may still save. Called once, before anything is torn down.
    virtual void quit() = 0;
    // The window gained or lost the focus.
    virtual void onFocus(bool gained) = 0;
    // A pad's button went down or up.
    virtual void onPadButton(int pad, int button, bool pressed) = 0;
    // A pad was connected or disconnected.
    virtual void onPadConnected(int pad, bool connected) = 0;
    // The widget handlers: each call gets the reference the widget keeps in that slot, and
    // answers false without running anything when it is NoReference.
    virtual bool onWidgetClose(int handler, bool dismissedByEscape) = 0;
    // Whether the key goes on to the script's global key function (it does without a handler).
    virtual bool onWidgetKey(int handler, int keyCode, bool pressed) = 0;
    virtual bool onWidgetDraw(int handler) = 0;
    // Return in a text field: the handler gets the field's text.
    virtual bool onTextFieldEnter(int handler, const WideString& text) = 0;
    virtual void onSetVideoMode(int mode) = 0;
    // Lets go of a handler reference that no widget keeps any more.
    virtual void releaseReference(int reference) = 0;
    // The memory the scripts hold now, in bytes, for the stats overlay.
    virtual std::size_t heapBytes() const { return 0; }
};

} // namespace qel
