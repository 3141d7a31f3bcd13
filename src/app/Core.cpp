#include "app/Core.hpp"

#include "app/DisplayConnection.hpp"
#include "app/FramePacer.hpp"
#include "app/GamePacker.hpp"
#include "app/LaunchOptions.hpp"
#include "app/NewGame.hpp"
#include "app/PadLines.hpp"
#include "app/Recording.hpp"
#include "app/ScriptClasses.hpp"
#include "app/StopSignals.hpp"
#include "base/FolderWatcher.hpp"
#include "base/FreshFile.hpp"
#include "base/GameFiles.hpp"
#include "base/GamePaths.hpp"
#include "display/PictureFiles.hpp"
#include "display/Renderer.hpp"
#include "script/LUAImpl.hpp"
#include "script/ScriptingInterface.hpp"
#include "sound/SoundManager.hpp"
#include "sound/Speech.hpp"
#include "ui/KeyRouter.hpp"
#include "ui/UI.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <utility>

namespace qel {

namespace {

constexpr float LongestFrame = 0.25f;
constexpr unsigned FrameRateLimit = 60;
// The frame time of recorded and replayed plays.
constexpr float FixedFrameTime = 1.f / FrameRateLimit;
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

// A game folder runs as if started inside it, so that every relative path (config.dat, the
// scripts, require, the game's data) finds its files. A regular file is a game archive, whatever
// its name: its files are read from it, and the working directory stays.
void openGame(const std::string& game)
{
    if (game.empty())
        return;
    std::error_code error;
    if (std::filesystem::is_regular_file(game, error)) {
        const std::string fault = GameFiles::mountArchive(game);
        if (fault.empty())
            return;
        std::fprintf(stderr, "qel: cannot run the game archive \"%s\": %s\n", game.c_str(), fault.c_str());
        std::exit(1);
    }
    std::filesystem::current_path(game, error);
    if (!error)
        return;
    std::fprintf(stderr, "qel: cannot run the game folder \"%s\": %s\n", game.c_str(), error.message().c_str());
    std::exit(1);
}

// The recording a -replay names, read from the folder the program was started in; the process
// ends when it cannot be read.
std::optional<Recording> replayNamedIn(int argc, const char* const* argv, const std::filesystem::path& launchFolder)
{
    const std::string path = LaunchOptions::valueIn(argc, argv, "replay");
    if (path.empty())
        return std::nullopt;
    std::optional<Recording> replay = RunControl::readReplay((launchFolder / path).string());
    if (!replay)
        std::exit(1);
    return replay;
}

// A replay starts the game as the recorded play did; the command line may still change that.
LaunchOptions recordedOptions(const std::optional<Recording>& replay)
{
    LaunchOptions options;
    if (replay)
        for (const auto& [name, value] : replay->settings)
            options.applyGameSetting(name, value);
    return options;
}

// Runs the body, adding the time it takes to the phase's when the stats are measured.
template <class Body>
void timed(FrameStats* stats, FrameStats::Phase phase, Body body)
{
    if (!stats) {
        body();
        return;
    }
    const FrameStats::Clock::time_point start = FrameStats::Clock::now();
    body();
    stats->add(phase, FrameStats::Clock::now() - start);
}

// The events a recording keeps, and a replay takes from it instead of the window.
bool isRecordedEvent(const sf::Event& event)
{
    return event.type == sf::Event::KeyPressed || event.type == sf::Event::KeyReleased ||
           event.type == sf::Event::TextEntered || event.type == sf::Event::GainedFocus ||
           event.type == sf::Event::LostFocus || MouseInput::isMouseEvent(event) || isPadEvent(event);
}

// Saves the window's picture as composed, before it is presented.
void saveWindowPicture(const sf::RenderWindow& window, const std::vector<std::string>& paths)
{
    sf::Texture texture;
    if (!texture.create(window.getSize().x, window.getSize().y)) {
        for (const std::string& path : paths)
            std::fprintf(stderr, "qel: cannot save the picture to \"%s\": the window's picture cannot be read\n",
                         path.c_str());
        return;
    }
    texture.update(window);
    savePicture(texture.copyToImage(), paths);
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
    if (const std::optional<std::string> folder = LaunchOptions::newGameFolderIn(argc, argv))
        std::exit(NewGame::make(*folder));
    if (const std::optional<LaunchOptions::PackRequest> pack = LaunchOptions::packRequestIn(argc, argv))
        std::exit(GamePacker::pack(pack->folder, pack->archive));
    const std::filesystem::path launchFolder = std::filesystem::current_path();
    std::optional<Recording> replay = replayNamedIn(argc, argv, launchFolder);
    // A replay runs many times faster than the play did, so it is silent: the sound library opens
    // its null device, and sounds load and play as they do on a machine without a sound device.
    if (replay)
        setenv("ALSOFT_DRIVERS", "null", 1);
    openGame(LaunchOptions::gameFolderIn(argc, argv));
    LaunchOptions::Parsed parsed = LaunchOptions::parse(argc, argv, basePath(), recordedOptions(replay));
    std::fflush(stdout);
    if (!parsed.options)
        std::exit(parsed.failureStatus);
    std::optional<LaunchOptions>& options = parsed.options;
    const DisplayConnection display;
    if (!display.open()) {
        std::fprintf(stderr, "qel: cannot open a window: no X display is available (is DISPLAY set?)\n");
        std::exit(1);
    }
    options->resolveRunPaths(launchFolder);
    std::optional<RunControl> control = RunControl::open(*options, std::move(replay));
    if (!control)
        std::exit(1);
    runControl = std::move(*control);
    StopSignals::install();
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
    speech = std::make_unique<Speech>(options.speech);
    ui = std::make_unique<UI>(this);
    review = std::make_unique<ScreenReview>(this, *speech, [this] { return mouseCell(); });
    keys = std::make_unique<KeyRouter>(this, KeyRouter::EngineKeys{[this] { reloadScripts(); },
                                                                   [this] { toggleFullscreen(); },
                                                                   [this] { return hideScriptError(); },
                                                                   [this](sf::Keyboard::Key key) { return isKeyDown(key); },
                                                                   [this] { saveScreenshot(); },
                                                                   [this] { showStats(!statsShown); },
                                                                   [this] { speech->toggle(); },
                                                                   [this](ScreenReview::Step step) { return review->review(step); }});
    mouseRouter = std::make_unique<MouseRouter>(this);
    // A host installed by a test stays.
    if (!script) {
        ScriptEnvironment environment = scriptEnvironment(*this);
        environment.timeLimit = options.scriptLimit;
        environment.memoryLimit = static_cast<std::size_t>(options.scriptMemory) << 20;
        script = std::make_unique<LUAImpl>(std::move(environment));
    }
    // Watched before they load, so that a save while they start is not missed.
    watchScripts(options);
    script->load(options.scriptName);
    renderer->setDisplayStyle(LaunchOptions::displayStyleNamed(options.style), Repaint::Later);
    startScript();
    renderer->setWallpaper(options.wallpaperIndex);
}

void Core::run()
{
    FramePacer pacer(FrameRateLimit);
    // A script that exits as it starts ends the run before the first frame.
    while (window->isOpen() && !endRequested) {
        const int elapsed = clock.getElapsedTime().asMilliseconds();
        clock.restart();
        runFrame(elapsed);
        if (runControl.waitsForFrames())
            pacer.waitForNextFrame();
    }
    window->close();
    if (script)
        script->quit();
    runControl.finish();
    shutdown();
}

void Core::runFrame(int elapsedMilliseconds)
{
    runControl.beginFrame();
    frameTime = runControl.fixesFrameTime() ? FixedFrameTime : nextFrameTime(elapsedMilliseconds, frameTime);
    keys->beginFrame();
    reloadChangedScripts();
    pollEvents();
    // What the phases take is measured only while the figures are shown.
    FrameStats* stats = statsShown ? &frameStats : nullptr;
    timed(stats, FrameStats::Update, [this] {
        if (script)
            script->update(frameTime);
    });
    timed(stats, FrameStats::Windows, [this] { ui->draw(frameTime); });
    timed(stats, FrameStats::Present, [this] { drawFrame(); });
    noteFrameStats();
    speech->update();
    if (std::exchange(fullscreenToggleRequested, false))
        toggleFullscreen();
    if (StopSignals::received())
        endRequested = true;
    if (endRequested || runControl.endsNow())
        window->close();
}

void Core::drawFrame()
{
    const std::vector<std::string> captures = runControl.takeCaptures();
    if (captures.empty()) {
        if (runControl.showsFrame())
            renderer->draw();
        return;
    }
    renderer->compose();
    saveWindowPicture(*window, captures);
    renderer->present();
}

void Core::noteFrameStats()
{
    if (!statsShown)
        return;
    if (const std::optional<std::string> figures = frameStats.endFrame(FrameStats::Clock::now(), script ? script->heapBytes() : 0))
        renderer->getStatsOverlay().setText(*figures);
}

void Core::showStats(bool on)
{
    statsShown = on;
    frameStats.restart(FrameStats::Clock::now());
    const double none[FrameStats::PhaseCount]{};
    renderer->getStatsOverlay().setText(FrameStats::report(0, none, script ? script->heapBytes() : 0, FrameStats::processBytes()));
    renderer->getStatsOverlay().show(on && runControl.waitsForFrames());
}

float Core::nextFrameTime(int elapsedMilliseconds, float previous)
{
    const float seconds = static_cast<float>(elapsedMilliseconds) / 1000.f;
    return seconds < LongestFrame ? seconds : previous;
}

void Core::pollEvents()
{
    sf::Event event;
    while (!endRequested && nextWindowEvent(event)) {
        if (!runControl.takesPlayersKeys() && isRecordedEvent(event))
            continue;
        if (!handleEvent(event))
            return;
    }
    while (!endRequested) {
        const std::optional<Recording::Event> replayed = runControl.nextReplayedEvent();
        if (!replayed || !treatReplayedEvent(*replayed))
            return;
    }
}

bool Core::nextWindowEvent(sf::Event& event)
{
    if (heldEvents.empty())
        return window->pollEvent(event);
    event = heldEvents.front();
    heldEvents.pop_front();
    return true;
}

bool Core::endRequestedDuringCall()
{
    sf::Event event;
    while (!endRequested && window && window->pollEvent(event)) {
        if (event.type == sf::Event::Closed)
            endRequested = true;
        else
            heldEvents.push_back(event);
    }
    if (StopSignals::received())
        endRequested = true;
    return endRequested;
}

bool Core::handleEvent(const sf::Event& event)
{
    return treatEvent(event, repeatsHeldKey(event));
}

bool Core::repeatsHeldKey(const sf::Event& event)
{
    switch (event.type) {
    case sf::Event::KeyPressed:
        return heldKeys.press(event.key.code);
    case sf::Event::KeyReleased:
        heldKeys.release(event.key.code);
        return false;
    case sf::Event::GainedFocus:
    case sf::Event::LostFocus:
        heldKeys.forgetAll();
        return false;
    default:
        return false;
    }
}

bool Core::treatEvent(const sf::Event& event, bool repeated)
{
    runControl.noteEvent(event, repeated);
    switch (event.type) {
    case sf::Event::Closed:
        endRequested = true;
        return false;
    case sf::Event::KeyPressed:
        return keys->keyPressed(event.key, repeated);
    case sf::Event::KeyReleased:
        keys->keyReleased(event.key);
        return true;
    case sf::Event::TextEntered:
        keys->characterTyped(event.text.unicode);
        return true;
    case sf::Event::GainedFocus:
    case sf::Event::LostFocus:
        renderer->windowSpoiled();
        if (script)
            script->onFocus(event.type == sf::Event::GainedFocus);
        return true;
    case sf::Event::Resized:
        renderer->windowSpoiled();
        mouse.windowSized({event.size.width, event.size.height});
        return true;
    case sf::Event::MouseMoved:
    case sf::Event::MouseLeft:
    case sf::Event::MouseButtonPressed:
    case sf::Event::MouseButtonReleased:
    case sf::Event::MouseWheelScrolled:
        if (const std::optional<MouseFact> fact = mouse.factOf(event, *renderer))
            treatMouseFact(*fact);
        return true;
    case sf::Event::JoystickButtonPressed:
    case sf::Event::JoystickButtonReleased:
        if (script)
            script->onPadButton(static_cast<int>(event.joystickButton.joystickId),
                                static_cast<int>(event.joystickButton.button),
                                event.type == sf::Event::JoystickButtonPressed);
        return true;
    case sf::Event::JoystickConnected:
    case sf::Event::JoystickDisconnected:
        if (script)
            script->onPadConnected(static_cast<int>(event.joystickConnect.joystickId),
                                   event.type == sf::Event::JoystickConnected);
        return true;
    default:
        return true;
    }
}

// A replay keeps the mouse in cells, which need no window to find them in.
bool Core::treatReplayedEvent(const Recording::Event& replayed)
{
    if (!replayed.mouse)
        return treatEvent(replayed.event, replayed.repeated);
    treatMouseFact(*replayed.mouse);
    return true;
}

void Core::treatMouseFact(const MouseFact& fact)
{
    runControl.noteMouse(fact);
    mouseRouter->route(fact);
}

std::optional<CellPosition> Core::mouseCell()
{
    return runControl.pointerCell([this] { return MouseInput::cellUnderPointer(*window, *renderer); });
}

void Core::setMouseCursorVisible(bool visible)
{
    mouseCursorVisible = visible;
    window->setMouseCursorVisible(visible);
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

// A reload is no event a recording keeps, so a recorded play reloaded this way would replay
// differently.
void Core::watchScripts(const LaunchOptions& options)
{
    if (!options.watch || !options.replayPath.empty())
        return;
    if (!options.recordPath.empty()) {
        std::fprintf(stderr, "qel: the scripts are not watched while a play is recorded\n");
        return;
    }
    if (!GameFiles::archive().empty()) {
        std::fprintf(stderr, "qel: the scripts of a game archive are not watched (-watch watches a game folder)\n");
        return;
    }
    scriptWatcher = std::make_unique<FolderWatcher>(basePath() + "scripts");
}

void Core::reloadChangedScripts()
{
    if (!scriptWatcher || !script || !scriptWatcher->changesSettled())
        return;
    std::printf("%s changed: the scripts are reloaded\n", scriptWatcher->lastChanged().c_str());
    std::fflush(stdout);
    reloadScripts();
}

// Named by the local date and time, which sort as they were taken.
void Core::saveScreenshot()
{
    if (runControl.saveFolder().empty()) {
        std::fprintf(stderr, "qel: cannot save a screenshot: there is no folder for saved data (is HOME set?)\n");
        return;
    }
    const std::filesystem::path folder = runControl.saveFolder() / "screenshots";
    char stem[32];
    const std::time_t now = std::time(nullptr);
    std::strftime(stem, sizeof stem, "%Y-%m-%d_%H-%M-%S", std::localtime(&now));
    std::string error;
    const std::optional<std::filesystem::path> path = claimFreshFile(folder, stem, ".png", error);
    if (!path) {
        std::fprintf(stderr, "qel: cannot save a screenshot in \"%s\": %s\n", folder.c_str(), error.c_str());
        return;
    }
    if (!runControl.requestCapture(path->string())) {
        std::error_code ignored;
        std::filesystem::remove(*path, ignored);
        std::fprintf(stderr, "qel: the screenshot is not saved: the frame saves as many pictures as it takes\n");
        return;
    }
    std::printf("screenshot: %s\n", path->c_str());
    std::fflush(stdout);
}

void Core::showScriptError(const std::string& text)
{
    if (!errorPanelEnabled || !renderer)
        return;
    renderer->getErrorPanel().show(text);
    announce(text.substr(0, text.find('\n')));
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
    window->setVerticalSyncEnabled(runControl.waitsForFrames());
    window->setMouseCursorVisible(mouseCursorVisible);
    mouse.windowSized(window->getSize());
    heldKeys.forgetAll();
}

// A run that is ending (the script asked to exit) keeps its window as it is until it closes.
// Going fullscreen keeps the window's size and place, and going back restores them.
void Core::toggleFullscreen()
{
    if (!window->isOpen() || endRequested)
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
    endRequested = true;
}

void Core::runScript(const std::string& name)
{
    if (script)
        script->runFile(name);
}

void Core::announce(const std::string& text)
{
    if (speech->speaksByItself())
        speech->speak(text, false);
}

void Core::shutdown()
{
    soundManager.reset();
    speech.reset();
    renderer.reset();
    ui.reset();
}

void Core::setScript(std::unique_ptr<ScriptingInterface> host)
{
    script = std::move(host);
}

} // namespace qel
