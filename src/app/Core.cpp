#include "app/Core.hpp"

#include "app/DisplayConnection.hpp"
#include "app/FramePacer.hpp"
#include "app/LaunchOptions.hpp"
#include "app/ScriptClasses.hpp"
#include "base/GamePaths.hpp"
#include "display/Renderer.hpp"
#include "script/LUAImpl.hpp"
#include "script/ScriptingInterface.hpp"
#include "sound/SoundManager.hpp"
#include "ui/KeyRouter.hpp"
#include "ui/UI.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

namespace qel {

namespace {

constexpr float LongestFrame = 0.25f;
constexpr unsigned FrameRateLimit = 60;
// The window system takes titles of a few hundred kilobytes at most and ends the program on
// longer ones; no title bar shows more than this.
constexpr std::size_t LongestTitle = 1024;

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

// The game runs as if started inside its folder, so that every relative path (config.dat, the
// scripts, require, the game's data) finds its files.
void enterGameFolder(const std::string& folder)
{
    if (folder.empty())
        return;
    std::error_code error;
    std::filesystem::current_path(folder, error);
    if (!error)
        return;
    std::fprintf(stderr, "qel: cannot run the game folder \"%s\": %s\n", folder.c_str(), error.message().c_str());
    std::exit(1);
}

} // namespace

Core::Core() = default;

Core::~Core() = default;

void Core::init(int argc, const char* const* argv)
{
    if (LaunchOptions::asksForHelp(argc, argv)) {
        std::fputs(LaunchOptions::help().c_str(), stdout);
        std::exit(0);
    }
    enterGameFolder(LaunchOptions::gameFolderIn(argc, argv));
    const std::optional<LaunchOptions> options = LaunchOptions::parse(argc, argv, basePath());
    std::fflush(stdout);
    if (!options)
        std::exit(1000);
    const DisplayConnection display;
    if (!display.open()) {
        std::fprintf(stderr, "qel: cannot open a window: no X display is available (is DISPLAY set?)\n");
        std::exit(1);
    }
    build(*options);
}

void Core::build(const LaunchOptions& options)
{
    fullscreen = options.fullscreen;
    errorPanelEnabled = options.errorPanel;
    const sf::VideoMode screen = sf::VideoMode::getDesktopMode();
    windowedSize = {windowExtent(options.width, 1280, screen.width), windowExtent(options.height, 720, screen.height)};
    createWindow(windowedSize.x, windowedSize.y);
    renderer = std::make_unique<Renderer>(this);
    soundManager = std::make_unique<SoundManager>(this);
    ui = std::make_unique<UI>(this);
    keys = std::make_unique<KeyRouter>(this, KeyRouter::EngineKeys{[this] { reloadScripts(); },
                                                                   [this] { toggleFullscreen(); },
                                                                   [this] { return hideScriptError(); },
                                                                   [](sf::Keyboard::Key key) { return sf::Keyboard::isKeyPressed(key); }});
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
    FramePacer pacer(FrameRateLimit);
    while (window->isOpen()) {
        const int elapsed = clock.getElapsedTime().asMilliseconds();
        clock.restart();
        runFrame(elapsed);
        pacer.waitForNextFrame();
    }
    shutdown();
}

void Core::runFrame(int elapsedMilliseconds)
{
    frameTime = nextFrameTime(elapsedMilliseconds, frameTime);
    keys->beginFrame();
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
        return keys->keyPressed(event.key);
    case sf::Event::KeyReleased:
        keys->keyReleased(event.key);
        return true;
    case sf::Event::TextEntered:
        keys->characterTyped(event.text.unicode);
        return true;
    case sf::Event::GainedFocus:
    case sf::Event::LostFocus:
    case sf::Event::Resized:
        renderer->windowSpoiled();
        return true;
    default:
        return true;
    }
}

void Core::reloadScripts()
{
    if (ScreenBuffer* buffer = renderer->getScreenBuffer())
        buffer->clear(0);
    // The old interpreter's handler references die with it, and so must the widgets holding them.
    ui->removeAll();
    hideScriptError();
    script->reload();
    startScript();
}

void Core::showScriptError(const std::string& text)
{
    if (errorPanelEnabled && renderer)
        renderer->getErrorPanel().show(text);
}

bool Core::hideScriptError()
{
    if (!renderer || !renderer->getErrorPanel().isShown())
        return false;
    renderer->getErrorPanel().hide();
    return true;
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
    window = std::make_unique<sf::RenderWindow>(sf::VideoMode(width, height, 32), windowTitle,
                                                windowStyle(fullscreen), context);
    window->setVerticalSyncEnabled(true);
    window->setMouseCursorVisible(false);
}

// A window that has closed (the script asked to exit) stays closed. Going fullscreen keeps the
// window's size and place, and going back restores them.
void Core::toggleFullscreen()
{
    if (!window->isOpen())
        return;
    if (!fullscreen) {
        windowedSize = window->getSize();
        windowedPosition = window->getPosition();
    }
    const sf::Vector2u size = fullscreen ? windowedSize : window->getSize();
    fullscreen = !fullscreen;
    window.reset();
    createWindow(size.x, size.y);
    if (!fullscreen && windowedPosition)
        window->setPosition(*windowedPosition);
    renderer->windowSpoiled();
}

void Core::setWindowTitle(const std::string& title)
{
    windowTitle = title.substr(0, LongestTitle);
    window->setTitle(windowTitle);
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
