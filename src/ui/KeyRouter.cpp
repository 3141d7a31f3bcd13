#include "ui/KeyRouter.hpp"

#include "base/Hub.hpp"
#include "script/ScriptingInterface.hpp"
#include "ui/TextField.hpp"
#include "ui/Window.hpp"

#include <optional>
#include <utility>

namespace qel {

namespace {

KeyModifiers modifiersOf(const sf::Event::KeyEvent& key, bool repeated)
{
    return {key.shift, key.control, key.alt, key.system, repeated};
}

// Control codes (Return's, Tab's, Backspace's, Escape's, Delete's among them), the halves of a
// surrogate pair, and numbers past Unicode's last are no text.
bool isPrintable(sf::Uint32 unicode)
{
    const bool control = unicode < 0x20 || (unicode >= 0x7F && unicode < 0xA0);
    const bool surrogate = unicode >= 0xD800 && unicode < 0xE000;
    return !control && !surrogate && unicode <= 0x10FFFF;
}

// F9 alone, Ctrl+Up, Ctrl+Down and Ctrl+Home, whatever else is held; Ctrl+F9 switches speech.
std::optional<ScreenReview::Step> reviewStepOf(const sf::Event::KeyEvent& key)
{
    if (key.code == sf::Keyboard::F9 && !key.control)
        return ScreenReview::Step::WholeScreen;
    if (!key.control)
        return std::nullopt;
    switch (key.code) {
    case sf::Keyboard::Up:
        return ScreenReview::Step::PreviousRow;
    case sf::Keyboard::Down:
        return ScreenReview::Step::NextRow;
    case sf::Keyboard::Home:
        return ScreenReview::Step::RowUnderPointer;
    default:
        return std::nullopt;
    }
}

} // namespace

KeyRouter::KeyRouter(Hub* core, EngineKeys engineKeys) : core(core), engineKeys(std::move(engineKeys))
{
}

void KeyRouter::beginFrame()
{
    handled = false;
    // Catches a release that the window lost: the key found up as two frames begin. One is not
    // enough, since presses the key repeated before it went up may still wait in this frame's events.
    if (fullscreenKeyHeld) {
        const bool up = !engineKeys.isKeyDown(sf::Keyboard::Return);
        if (up && returnFoundUp)
            fullscreenKeyHeld = false;
        returnFoundUp = up;
    }
}

bool KeyRouter::keyPressed(const sf::Event::KeyEvent& key, bool repeated)
{
    // A character comes right after its key's press, so an earlier press has none left to come.
    dropNextCharacter = false;
    if (reviewsScreen(key))
        return true;
    const unsigned focusChangesBefore = ui().focusChangeCount();
    switch (key.code) {
    case sf::Keyboard::BackSpace:
        if (TextField* field = ui().focusedField())
            field->backspace();
        useKey();
        break;
    case sf::Keyboard::R:
        if (isReloadKey(key)) {
            engineKeys.reloadScripts();
            dropNextCharacter = true;
            return false;
        }
        break;
    case sf::Keyboard::Return:
        if (repeatsFullscreenKey())
            useKey();
        else if (isFullscreenKey(key))
            toggleFullscreen();
        else
            handleReturn();
        break;
    case sf::Keyboard::F10:
        if (hotKeys.screenshot) {
            engineKeys.saveScreenshot();
            return true;
        }
        break;
    case sf::Keyboard::F9:
        if (key.control && hotKeys.speech) {
            engineKeys.toggleSpeech();
            return true;
        }
        break;
    case sf::Keyboard::F11:
        if (hotKeys.stats) {
            engineKeys.toggleStats();
            return true;
        }
        break;
    case sf::Keyboard::F12:
        if (engineKeys.hideScriptError())
            return true;
        break;
    case sf::Keyboard::Escape:
        dismissTopWindow(ClosedBy::Escape);
        dropNextCharacter = true;
        break;
    case sf::Keyboard::Tab:
        dropNextCharacter = true;
        break;
    case sf::Keyboard::Delete:
        // Its press types a DEL character, which is no text.
        dropNextCharacter = true;
        [[fallthrough]];
    case sf::Keyboard::Left:
    case sf::Keyboard::Right:
    case sf::Keyboard::Home:
    case sf::Keyboard::End:
        if (editFocusedField(key.code))
            handled = true;
        break;
    case sf::Keyboard::PageUp:
    case sf::Keyboard::PageDown:
        if (ui().scrollConsoles(key.code == sf::Keyboard::PageUp))
            handled = true;
        break;
    default:
        break;
    }
    if (script()) {
        if (topWindowPassesPress(key.code))
            script()->onGlobalKey(key.code, true, handled, modifiersOf(key, repeated));
        else
            useKey();
    }
    // The character of a press that opened or focused a field arrives after it, and is no input;
    // the characters of the keys typed next are, even when they come in the same frame.
    if (ui().focusChangeCount() != focusChangesBefore)
        dropNextCharacter = true;
    return true;
}

void KeyRouter::keyReleased(const sf::Event::KeyEvent& key)
{
    if (key.code == sf::Keyboard::Return)
        fullscreenKeyHeld = false;
    if (script() && !topWindowKeepsRelease(key.code))
        script()->onGlobalKey(key.code, false, false, modifiersOf(key, false));
}

void KeyRouter::characterTyped(sf::Uint32 unicode)
{
    if (std::exchange(dropNextCharacter, false))
        return;
    if (TextField* field = ui().focusedField())
        field->appendCharacter(static_cast<uint16_t>(unicode));
    if (script() && isPrintable(unicode))
        script()->onTextTyped(unicode);
}

// A capital R typed into a field is text, not a reload.
bool KeyRouter::isReloadKey(const sf::Event::KeyEvent& key) const
{
    return key.shift && hotKeys.reload && script() && !ui().focusedField();
}

// With the fullscreen key off, Alt+Return is a Return.
bool KeyRouter::isFullscreenKey(const sf::Event::KeyEvent& key) const
{
    return key.alt && hotKeys.fullscreen;
}

bool KeyRouter::reviewsScreen(const sf::Event::KeyEvent& key)
{
    const std::optional<ScreenReview::Step> step = reviewStepOf(key);
    return step && hotKeys.review && engineKeys.reviewScreen(*step);
}

// The presses a held Alt+Return repeats, with Alt or without it by then, belong to the toggle.
bool KeyRouter::repeatsFullscreenKey() const
{
    return fullscreenKeyHeld;
}

// The press is the script's handled one, and the rest of the frame's presses are too; its own
// character is no input.
void KeyRouter::useKey()
{
    handled = true;
    dropNextCharacter = true;
}

// The toggle is the whole of the key's work: it neither enters a field nor dismisses a window.
void KeyRouter::toggleFullscreen()
{
    useKey();
    fullscreenKeyHeld = true;
    returnFoundUp = false;
    engineKeys.toggleFullscreen();
}

// Delete, Left, Right, Home and End edit the focused field; false when no field has the focus.
bool KeyRouter::editFocusedField(sf::Keyboard::Key code)
{
    TextField* field = ui().focusedField();
    if (!field)
        return false;
    switch (code) {
    case sf::Keyboard::Delete:
        field->deleteForward();
        break;
    case sf::Keyboard::Left:
        field->moveCaret(CaretMove::Left);
        break;
    case sf::Keyboard::Right:
        field->moveCaret(CaretMove::Right);
        break;
    case sf::Keyboard::Home:
        field->moveCaret(CaretMove::Home);
        break;
    default:
        field->moveCaret(CaretMove::End);
        break;
    }
    return true;
}

// While a closable window is open the main input leaves Return to the window.
void KeyRouter::handleReturn()
{
    TextField* field = ui().focusedField();
    const bool fieldAnswers = field && (field != ui().mainInput() || ui().closableWindowCount() == 0);
    if (fieldAnswers)
        field->announceEntered();
    if (fieldAnswers && script() && script()->onTextFieldEnter(field->getEnterHandler(), field->getText()))
        useKey();
    dismissTopWindow(ClosedBy::Return);
}

// Return and Escape close the topmost closable window unless the key has been used already.
void KeyRouter::dismissTopWindow(ClosedBy how)
{
    if (!handled && ui().dismissTopWindow(how)) {
        core->redraw();
        useKey();
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
