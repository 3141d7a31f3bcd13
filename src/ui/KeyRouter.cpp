#include "ui/KeyRouter.hpp"

#include "base/Hub.hpp"
#include "script/ScriptingInterface.hpp"
#include "ui/TextField.hpp"
#include "ui/Window.hpp"

#include <utility>

namespace qel {

KeyRouter::KeyRouter(Hub* core, EngineKeys engineKeys) : core(core), engineKeys(std::move(engineKeys))
{
}

void KeyRouter::beginFrame()
{
    handled = false;
    textBlocked = false;
}

bool KeyRouter::keyPressed(const sf::Event::KeyEvent& key)
{
    switch (key.code) {
    case sf::Keyboard::BackSpace:
        if (TextField* field = ui().focusedField())
            field->backspace();
        handled = true;
        textBlocked = true;
        break;
    case sf::Keyboard::R:
        if (key.shift && script()) {
            engineKeys.reloadScripts();
            return false;
        }
        break;
    case sf::Keyboard::Return:
        handleReturn(key.alt);
        break;
    case sf::Keyboard::F12:
        if (engineKeys.hideScriptError())
            return true;
        break;
    case sf::Keyboard::Escape:
        dismissTopWindow(ClosedBy::Escape);
        textBlocked = true;
        break;
    case sf::Keyboard::Tab:
        textBlocked = true;
        break;
    default:
        break;
    }
    if (!script())
        return true;
    if (topWindowPassesPress(key.code))
        script()->onGlobalKey(key.code, true, handled);
    else
        handled = true;
    return true;
}

void KeyRouter::keyReleased(const sf::Event::KeyEvent& key)
{
    if (script() && !topWindowKeepsRelease(key.code))
        script()->onGlobalKey(key.code, false, false);
}

void KeyRouter::characterTyped(sf::Uint32 unicode)
{
    if (handled || textBlocked)
        return;
    if (TextField* field = ui().focusedField())
        field->appendCharacter(static_cast<uint16_t>(unicode));
}

// Alt+Return toggles fullscreen and still runs the focused field's enter handler. While a
// closable window is open the main input leaves Return to the window.
void KeyRouter::handleReturn(bool alt)
{
    if (alt) {
        engineKeys.toggleFullscreen();
        handled = true;
    }
    TextField* field = ui().focusedField();
    const bool fieldAnswers = field && (field != ui().mainInput() || ui().closableWindowCount() == 0);
    if (fieldAnswers && script() && script()->onTextFieldEnter(field->getEnterHandler(), field->getText()))
        handled = true;
    dismissTopWindow(ClosedBy::Return);
}

// Return and Escape close the topmost closable window unless the key has been used already.
void KeyRouter::dismissTopWindow(ClosedBy how)
{
    if (!handled && ui().dismissTopWindow(how)) {
        core->redraw();
        handled = true;
    }
}

bool KeyRouter::topWindowPassesPress(int code)
{
    const Window* top = ui().topWindow();
    return !top || script()->onWidgetKey(top->getHandler(HandlerSlot::Key), code, true);
}

bool KeyRouter::topWindowKeepsRelease(int code)
{
    const Window* top = ui().topWindow();
    return top && script()->onWidgetKey(top->getHandler(HandlerSlot::Key), code, false);
}

UI& KeyRouter::ui() const
{
    return *core->getUI();
}

ScriptingInterface* KeyRouter::script() const
{
    return core->getScript();
}

} // namespace qel
