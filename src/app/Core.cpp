#include "app/Core.hpp"

#include "app/LaunchOptions.hpp"
#include "display/Renderer.hpp"
#include "app/ScriptClasses.hpp"
#include "base/GamePaths.hpp"
#include "script/LUAImpl.hpp"
#include "script/ScriptingInterface.hpp"
#include "sound/SoundManager.hpp"
#include "ui/TextField.hpp"
#include "ui/UI.hpp"
#include "ui/Window.hpp"

#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace qel {

namespace {

constexpr float LongestFrame = 0.25f;
constexpr unsigned FrameRateLimit = 60;
// The window system takes titles of a few hundred kilobytes at most and ends the program on
// longer ones; no title bar shows more than this.
constexpr std::size_t LongestTitle = 1024;

// A connection to the X server, held while the window library makes its own. That library aborts
// the process when it cannot reach a server, so the engine asks first; and a connection opened
// right after another was closed is sometimes refused (seen with Xvfb), so the engine's stays open
// until the window exists.
class DisplayProbe {
public:
    DisplayProbe() : display(XOpenDisplay(nullptr)) {}
    ~DisplayProbe()
    {
        if (display)
            XCloseDisplay(display);
    }
    DisplayProbe(const DisplayProbe&) = delete;
    DisplayProbe& operator=(const DisplayProbe&) = delete;

    bool available() const { return display != nullptr; }

private:
    Display* display;
};

unsigned windowStyle(bool fullscreen)
{
    const unsigned windowed = sf::Style::Titlebar | sf::Style::Close;
    return fullscreen ? windowed | sf::Style::Fullscreen : windowed;
}

// A size the window system refuses (zero or negative) falls back to the default, and one
// larger than the screen is cut to the screen's: the window system cannot make windows of
// 65536 pixels or more.
unsigned windowExtent(int requested, unsigned fallback, unsigned screenExtent)
{
    const unsigned extent = requested > 0 ? static_cast<unsigned>(requested) : fallback;
    return screenExtent > 0 ? std::min(extent, screenExtent) : extent;
}

} // namespace

Core::Core() = default;

Core::~Core() = default;

void Core::init(int argc, const char* const* argv)
{
    const std::optional<LaunchOptions> options = LaunchOptions::parse(argc, argv, basePath());
    std::fflush(stdout);
    if (!options)
        std::exit(1000);
    const DisplayProbe probe;
    if (!probe.available()) {
        std::fprintf(stderr, "qel: cannot open a window: no X display is available (is DISPLAY set?)\n");
        std::exit(1);
    }
    build(*options);
}

void Core::build(const LaunchOptions& options)
{
    fullscreen = options.fullscreen;
    const sf::VideoMode screen = sf::VideoMode::getDesktopMode();
    createWindow(windowExtent(options.width, 1280, screen.width), windowExtent(options.height, 720, screen.height));
    renderer = std::make_unique<Renderer>(this);
    soundManager = std::make_unique<SoundManager>(this);
    ui = std::make_unique<UI>(this);
    // A host installed by a test stays.
    if (!script)
        script = std::make_unique<LUAImpl>(scriptEnvironment(*this));
    script->load(options.scriptName);
    renderer->setDisplayStyle(LaunchOptions::displayStyleNamed(options.style), Repaint::Later);
    startScript();
    renderer->setWallpaper(options.wallpaperIndex);
}

void Core::run()
{
    while (window->isOpen()) {
        const int elapsed = clock.getElapsedTime().asMilliseconds();
        clock.restart();
        runFrame(elapsed);
    }
    shutdown();
}

void Core::runFrame(int elapsedMilliseconds)
{
    frameTime = nextFrameTime(elapsedMilliseconds, frameTime);
    beginEvents();
    pollEvents();
    if (script)
        script->update(frameTime);
    ui->draw(frameTime);
    renderer->draw();
    if (std::exchange(fullscreenToggleRequested, false))
        toggleFullscreen();
}

float Core::nextFrameTime(int elapsedMilliseconds, float previous)
{
    const float seconds = static_cast<float>(elapsedMilliseconds) / 1000.f;
    return seconds < LongestFrame ? seconds : previous;
}

void Core::beginEvents()
{
    handled = false;
    textBlocked = false;
}

void Core::pollEvents()
{
    sf::Event event;
    while (window->pollEvent(event)) {
        if (!handleEvent(event))
            break;
    }
}

bool Core::handleEvent(const sf::Event& event)
{
    switch (event.type) {
    case sf::Event::Closed:
        window->close();
        return true;
    case sf::Event::KeyPressed:
        return handleKeyPressed(event.key);
    case sf::Event::KeyReleased:
        handleKeyReleased(event.key);
        return true;
    case sf::Event::TextEntered:
        typeCharacter(event.text.unicode);
        return true;
    default:
        return true;
    }
}

bool Core::handleKeyPressed(const sf::Event::KeyEvent& key)
{
    switch (key.code) {
    case sf::Keyboard::BackSpace:
        if (TextField* field = ui->focusedField())
            field->backspace();
        handled = true;
        textBlocked = true;
        break;
    case sf::Keyboard::R:
        if (key.shift && script) {
            reloadScripts();
            return false;
        }
        break;
    case sf::Keyboard::Return:
        handleReturn(key.alt);
        break;
    case sf::Keyboard::Escape:
        dismissWindowByKey(true);
        textBlocked = true;
        break;
    case sf::Keyboard::Tab:
        textBlocked = true;
        break;
    default:
        break;
    }
    if (script && windowPassesKeyPress(key.code))
        script->onGlobalKey(key.code, true, handled);
    return true;
}

// Alt+Return toggles fullscreen and still runs the focused field's enter handler. While a
// closable window is open the main input leaves Return to the window.
void Core::handleReturn(bool alt)
{
    if (alt) {
        toggleFullscreen();
        handled = true;
    }
    TextField* field = ui->focusedField();
    const bool fieldAnswers = field && (field != ui->mainInput() || ui->closableWindowCount() == 0);
    if (fieldAnswers && script && script->onTextFieldEnter(field->getEnterHandler(), field->getText()))
        handled = true;
    dismissWindowByKey(false);
}

// Return and Escape close the topmost closable window unless the key has been used already.
void Core::dismissWindowByKey(bool escape)
{
    if (!handled && ui->dismissTopWindow(escape)) {
        redraw();
        handled = true;
    }
}

// The topmost window's key handler sees each press before the script; a press it keeps
// counts as handled.
bool Core::windowPassesKeyPress(int code)
{
    Window* top = ui->topWindow();
    if (!top || script->onWidgetKey(top->getHandler(HandlerSlot::Key), code, true))
        return true;
    handled = true;
    return false;
}

// Releases take the opposite answer: they reach the script only when the topmost window's
// handler answers false, so a dialog without a key handler keeps every release.
void Core::handleKeyReleased(const sf::Event::KeyEvent& key)
{
    if (!script)
        return;
    Window* top = ui->topWindow();
    if (top && script->onWidgetKey(top->getHandler(HandlerSlot::Key), key.code, false))
        return;
    script->onGlobalKey(key.code, false, false);
}

void Core::typeCharacter(sf::Uint32 unicode)
{
    if (handled || textBlocked)
        return;
    if (TextField* field = ui->focusedField())
        field->appendCharacter(static_cast<uint16_t>(unicode));
}

void Core::reloadScripts()
{
    if (ScreenBuffer* buffer = renderer->getScreenBuffer())
        buffer->clear(0);
    // The old interpreter's handler references die with it, and so must the widgets holding them.
    ui->removeAll();
    script->reload();
    startScript();
    handled = true;
}

void Core::startScript()
{
    if (!renderer->getScreenBuffer())
        renderer->setVideoMode(VideoMode::Text80x25, Repaint::Later);
    if (script)
        script->start();
    redraw();
}

void Core::redraw()
{
    // Scripts may ask for a repaint while loading, before the first screen buffer exists.
    if (ScreenBuffer* buffer = getScreenBuffer())
        buffer->clear(0);
    if (script)
        script->redraw();
}

ScreenBuffer* Core::getScreenBuffer()
{
    return renderer ? renderer->getScreenBuffer() : nullptr;
}

void Core::createWindow(unsigned width, unsigned height)
{
    const sf::ContextSettings context(0, 0, 0, 2, 0);
    window = std::make_unique<sf::RenderWindow>(sf::VideoMode(width, height, 32), "QEL",
                                                windowStyle(fullscreen), context);
    window->setFramerateLimit(FrameRateLimit);
    window->setVerticalSyncEnabled(true);
    window->setMouseCursorVisible(false);
}

// A window that has closed (the script asked to exit) stays closed.
void Core::toggleFullscreen()
{
    if (!window->isOpen())
        return;
    fullscreen = !fullscreen;
    const sf::Vector2u size = window->getSize();
    window.reset();
    createWindow(size.x, size.y);
}

void Core::setWindowTitle(const std::string& title)
{
    window->setTitle(title.substr(0, LongestTitle));
}

void Core::exit(int code)
{
    exitCode = code;
    window->close();
}

void Core::runScript(const std::string& name)
{
    if (script)
        script->runFile(name);
}

void Core::shutdown()
{
    soundManager.reset();
    renderer.reset();
    ui.reset();
}

void Core::setScript(std::unique_ptr<ScriptingInterface> host)
{
    script = std::move(host);
}

} // namespace qel
