#pragma once

#include "app/FrameStats.hpp"
#include "app/HeldKeys.hpp"
#include "app/MouseInput.hpp"
#include "app/RunControl.hpp"
#include "base/Hub.hpp"
#include "ui/KeyRouter.hpp"
#include "ui/MouseRouter.hpp"

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/System/Clock.hpp>
#include <SFML/Window/Event.hpp>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qel {

class FolderWatcher;
struct LaunchOptions;
class Renderer;
class SoundManager;
class Speech;
class ScriptingInterface;
class UI;

// The application: owns the window and every subsystem, and runs the main loop.
class Core : public Hub {
public:
    Core();
    virtual ~Core();

    // Reads the launch options and builds everything. Ends the process when no launch script is
    // named (status 1000), or when no display can be opened or the recording to replay or to
    // write cannot be used (status 1).
    void init(int argc, const char* const* argv);
    // Builds everything from settled options; the part of init that tests drive directly.
    void build(const LaunchOptions& options);
    // The main loop; returns once the window has closed and the subsystems are shut down.
    void run();

    // One pass of the main loop, given the clock's elapsed whole milliseconds.
    void runFrame(int elapsedMilliseconds);
    // Treats one window event; false when polling must stop for this frame. A press of a key
    // that is held already is one the window repeats.
    bool handleEvent(const sf::Event& event);
    // The frame time the script sees: stalls of a quarter second or more keep the previous one.
    static float nextFrameTime(int elapsedMilliseconds, float previous);

    void startScript();
    void redraw() override;
    void announce(const std::string& text) override;
    void toggleFullscreen();
    // A script's toggle: applied as the frame ends, so that a script toggling many times in one
    // frame makes the window again once at most (twice toggled is no toggle).
    void requestFullscreenToggle() { fullscreenToggleRequested = !fullscreenToggleRequested; }
    void setWindowTitle(const std::string& title);
    // Shows or hides the frame figures over the picture (a replay never draws them).
    void showStats(bool on);
    bool isStatsShown() const { return statsShown; }
    // A released game switches the reload, fullscreen, screenshot, speech and review keys off.
    void setHotKeys(KeyRouter::HotKeys hotKeys) { keys->setHotKeys(hotKeys); }
    KeyRouter::HotKeys getHotKeys() const { return keys->getHotKeys(); }
    // Ends the run with the code as its status once the frame in progress is drawn: the rest of
    // the script and the frame's update and drawing run, and a capture asked for the frame shows
    // its picture, but the frame's events not yet treated are dropped.
    void exit(int code);
    void runScript(const std::string& name);
    // Shows a script error the host has printed over the picture, unless the options say not to,
    // and says its first line.
    void showScriptError(const std::string& text);
    // Hides the error shown; false when none was.
    bool hideScriptError();
    // Whether the key is down now, as the keyboard answers (or answered, in a replay).
    bool isKeyDown(sf::Keyboard::Key key) { return runControl.isKeyDown(key); }
    // The cell under the pointer now and whether a mouse button is down, as the mouse answers (or
    // answered, in a replay).
    std::optional<CellPosition> mouseCell();
    bool isMouseDown(int button) { return runControl.isMouseDown(button); }
    // Shows or hides the system's pointer over the window, this one and those made after it.
    void setMouseCursorVisible(bool visible);
    // Saves the window's picture once the frame in progress is drawn; false, and not saved, when
    // the frame has as many captures as it takes.
    bool capture(const std::string& path) { return runControl.requestCapture(path); }
    // The game's saved data, as this run sees it (a replay: as the recorded play saw it).
    std::optional<std::string> loadSaved(const std::string& name, std::string& error)
    {
        return runControl.loadSaved(name, error);
    }
    bool save(const std::string& name, const std::optional<std::string>& bytes, std::string& error)
    {
        return runControl.save(name, bytes, error);
    }
    std::vector<std::string> savedNames() { return runControl.savedNames(); }
    // How this run is driven; a play by the player unless init was told otherwise.
    RunControl& getRunControl() { return runControl; }
    void shutdown();
    // Asked by the script host while a call runs long: whether the game is to end (the window's
    // close button, a stop signal). The window's other events wait for the next frame.
    bool endRequestedDuringCall();

    sf::RenderWindow* getWindow() override { return window.get(); }
    Renderer* getRenderer() { return renderer.get(); }
    SoundManager* getSoundManager() { return soundManager.get(); }
    Speech& getSpeech() { return *speech; }
    UI* getUI() override { return ui.get(); }
    ScriptingInterface* getScript() override { return script.get(); }
    ScreenBuffer* getScreenBuffer() override;
    int getExitCode() const { return exitCode; }
    float getFrameTime() const { return frameTime; }
    bool isFullscreen() const { return fullscreen; }

    // For tests: installs a script host in place of the one build makes.
    void setScript(std::unique_ptr<ScriptingInterface> host);

private:
    void createWindow(unsigned width, unsigned height);
    void pollEvents();
    // The events a long script call left for this frame first, then the window's.
    bool nextWindowEvent(sf::Event& event);
    // Treats one event, the window's or a replay's, told whether a held key repeated it.
    bool treatEvent(const sf::Event& event, bool repeated);
    bool treatReplayedEvent(const Recording::Event& replayed);
    void treatMouseFact(const MouseFact& fact);
    // Whether the window's event is a press that a held key repeats; keeps count of the keys held.
    bool repeatsHeldKey(const sf::Event& event);
    void drawFrame();
    void reloadScripts();
    // Saves the picture of the frame in progress in the screenshots folder beside the saved data.
    void saveScreenshot();
    // Gives the stats overlay new figures when they are due.
    void noteFrameStats();
    // Watches scripts/ as the options ask; a recorded or replayed play is never reloaded so.
    void watchScripts(const LaunchOptions& options);
    void reloadChangedScripts();

    std::unique_ptr<sf::RenderWindow> window;
    // Kept for the window a fullscreen toggle makes again.
    std::string windowTitle = "QEL";
    // Where a window made again after fullscreen goes; no position lets the window system choose.
    sf::Vector2u windowedSize;
    std::optional<sf::Vector2i> windowedPosition;
    std::unique_ptr<Renderer> renderer;
    std::unique_ptr<SoundManager> soundManager;
    std::unique_ptr<Speech> speech;
    std::unique_ptr<ScreenReview> review;
    std::unique_ptr<UI> ui;
    std::unique_ptr<ScriptingInterface> script;
    std::unique_ptr<KeyRouter> keys;
    std::unique_ptr<FolderWatcher> scriptWatcher;
    HeldKeys heldKeys;
    MouseInput mouse;
    std::unique_ptr<MouseRouter> mouseRouter;
    bool mouseCursorVisible = false;
    RunControl runControl;
    sf::Clock clock;
    float frameTime = 0.f;
    bool fullscreen = false;
    bool fullscreenToggleRequested = false;
    // The script asked to exit, or the player closed the window: the window closes once the frame
    // in progress is drawn, so that its captures still have a picture to read.
    bool endRequested = false;
    std::deque<sf::Event> heldEvents;
    bool errorPanelEnabled = true;
    int exitCode = 0;
    bool statsShown = false;
    FrameStats frameStats;
};

} // namespace qel
