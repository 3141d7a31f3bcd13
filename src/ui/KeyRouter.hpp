#pragma once

#include "ui/ScreenReview.hpp"
#include "ui/UI.hpp"

#include <SFML/Window/Event.hpp>

#include <functional>

namespace qel {

class Hub;
class ScriptingInterface;

// Takes the keyboard's events to where they belong, in this order: the engine's own keys
// (Shift+R reloads the scripts unless a text field has the focus, Alt+Return toggles
// fullscreen once per press, F12 hides the script error shown, and only then is kept from the
// script, F10 saves a screenshot, F11 shows or hides the frame figures and Ctrl+F9 switches
// speech off or on, while speech is on F9 reads the screen, Ctrl+Up and Ctrl+Down the row above
// or below the review position and Ctrl+Home the row under the pointer, all kept from the
// script), the text editing keys of the focused field (Backspace, Delete, Left, Right, Home,
// End), PageUp and PageDown for the active consoles, the topmost window's key handler,
// Return and Escape to dismiss it, then the script's key function, told the press's modifiers
// and whether a held key repeated it; typed characters go to the focused field, and the printable
// ones to the script's text function too, field or none. A script may switch the reload,
// fullscreen, screenshot, stats, speech and review keys off, for a released game or one that
// wants the keys.
//
// A press that was used (handled), that never types (Backspace, Escape, Tab, Shift+R's reload) or
// that moved the focus keeps its own character from the field and the script's text function;
// the characters of the keys
// pressed after it arrive, in the same frame too. Within one frame the script is told a press was
// handled once something used it.
class KeyRouter {
public:
    // What the keys the engine keeps for itself do.
    struct EngineKeys {
        std::function<void()> reloadScripts;
        std::function<void()> toggleFullscreen;
        // False when no error was shown.
        std::function<bool()> hideScriptError;
        // Whether the key is down now. A held key repeats its press, and its release is lost
        // when the window is made again, as a fullscreen toggle does.
        std::function<bool(sf::Keyboard::Key)> isKeyDown;
        // Saves the window's picture for the player.
        std::function<void()> saveScreenshot;
        // Shows or hides the frame figures over the picture.
        std::function<void()> toggleStats;
        // Switches speech off, or on again.
        std::function<void()> toggleSpeech;
        // Reads the screen, or part of it; false while speech is off.
        std::function<bool(ScreenReview::Step)> reviewScreen;
    };

    // Which of the engine's keys are on.
    struct HotKeys {
        bool reload = true;
        bool fullscreen = true;
        bool screenshot = true;
        bool stats = true;
        bool speech = true;
        bool review = true;
    };

    KeyRouter(Hub* core, EngineKeys engineKeys);

    // The handled state lasts one frame.
    void beginFrame();
    // False when the rest of the frame's events must wait: the scripts were reloaded.
    bool keyPressed(const sf::Event::KeyEvent& key, bool repeated);
    void keyReleased(const sf::Event::KeyEvent& key);
    void characterTyped(sf::Uint32 unicode);

    void setHotKeys(HotKeys keys) { hotKeys = keys; }
    HotKeys getHotKeys() const { return hotKeys; }

private:
    bool isReloadKey(const sf::Event::KeyEvent& key) const;
    bool isFullscreenKey(const sf::Event::KeyEvent& key) const;
    // Whether the press is a review key that read the screen.
    bool reviewsScreen(const sf::Event::KeyEvent& key);
    bool repeatsFullscreenKey() const;
    void useKey();
    void toggleFullscreen();
    bool editFocusedField(sf::Keyboard::Key code);
    void handleReturn();
    void dismissTopWindow(ClosedBy how);
    // Whether the topmost window's key handler lets a press go on to the script; it does when
    // no window is open.
    bool topWindowPassesPress(int code);
    // Releases take the opposite answer: a window without a key handler keeps every release.
    bool topWindowKeepsRelease(int code);

    UI& ui() const;
    ScriptingInterface* script() const;

    Hub* core;
    EngineKeys engineKeys;
    bool handled = false;
    // Set by a press whose character is no input, until that character has come or the next press.
    bool dropNextCharacter = false;
    HotKeys hotKeys;
    // Set by the press that toggled, until Return is up again.
    bool fullscreenKeyHeld = false;
    bool returnFoundUp = false;
};

} // namespace qel
