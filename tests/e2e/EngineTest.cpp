#include "e2e/EngineTest.hpp"

#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>

namespace qel::e2e {

namespace {

using std::chrono::milliseconds;

// Generous for a loaded machine; a passing test waits only as long as the engine needs.
constexpr milliseconds WindowTimeout{10000};
constexpr milliseconds AnswerTimeout{5000};
// The X test extension's keys arrive one by one; a short gap lets each one's frame pass.
const std::string KeyDelay = "30";

const char* const StartupScript = R"(
core = LuaCore(gCore)
ui = LuaUI(gUI)

-- After a reload the engine keeps its screen and announces no new one.
screen = LuaScreenBuffer(gScreenBuffer)
function onSetVideoMode(mode)
    screen = LuaScreenBuffer(gScreenBuffer)
end

function say(text)
    print(text)
    io.stdout:flush()
end

function fill(color)
    screen.fillRect({x = 0, y = 0, width = 80, height = 25, color = color})
end
)";

// The key that types the character.
std::string keyTyping(char character)
{
    static const std::map<char, std::string> controls{{'\r', "Enter"}, {'\b', "Backspace"}, {'\x1b', "Escape"}};
    if (const auto control = controls.find(character); control != controls.end())
        return control->second;
    const unsigned char letter = character;
    return std::isdigit(letter) ? std::string("Num") + character : std::string(1, std::toupper(letter));
}

// The xdotool command that presses the keys, named as it knows them, with the delay in milliseconds.
std::vector<std::string> keyCommand(const std::string& keys, const std::string& delay)
{
    std::vector<std::string> command{"key", "--delay", delay};
    std::istringstream names(keys);
    for (std::string name; names >> name;)
        command.push_back(name);
    return command;
}

} // namespace

std::string enginePath()
{
    return QEL_BINARY;
}

std::filesystem::path gameData()
{
    return std::filesystem::path(QEL_GAME_DIR) / "data";
}

EngineTest::EngineTest()
{
    writeScript("startup", StartupScript);
    std::filesystem::create_directory_symlink(gameData(), folder.path / "data");
}

void EngineTest::writeScript(const std::string& name, const std::string& text) const
{
    folder.write("scripts/" + name + ".lua", text);
}

void EngineTest::writeFile(const std::string& relative, const std::string& text) const
{
    folder.write(relative, text);
}

void EngineTest::launch(const std::vector<std::string>& arguments)
{
    engine = std::make_unique<EngineProcess>(enginePath(), folder.path, arguments);
}

testing::AssertionResult EngineTest::startGame(const std::string& name, const std::string& text)
{
    writeScript(name, text);
    launch({"-script", name});
    if (!waitForWindow())
        return testing::AssertionFailure() << "the game \"" << name << "\" opened no window; it reported:\n" << errors();
    return waitForOutput("ready\n");
}

void EngineTest::launchIn(const std::filesystem::path& workingFolder, const std::string& program,
                          const std::vector<std::string>& arguments)
{
    engine = std::make_unique<EngineProcess>(program, workingFolder, arguments);
}

void EngineTest::launchWithoutDisplay(const std::vector<std::string>& arguments)
{
    std::vector<std::string> command{"-u", "DISPLAY", enginePath()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    engine = std::make_unique<EngineProcess>("/usr/bin/env", folder.path, command);
}

std::optional<capture::WindowPlace> EngineTest::waitForWindow()
{
    return waitForWindow([](const capture::WindowPlace&) { return true; });
}

std::optional<capture::WindowPlace> EngineTest::waitForWindow(
    const std::function<bool(const capture::WindowPlace&)>& wanted)
{
    std::optional<capture::WindowPlace> window;
    waitUntil([&] {
        window = windows.find(windowTitle);
        return window && wanted(*window);
    }, WindowTimeout);
    if (window && wanted(*window))
        return window;
    if (engine->running())
        ADD_FAILURE() << "no such engine window appeared; engine errors:\n" << errors();
    else
        ADD_FAILURE() << "the engine ended with status " << engine->waitForExit(milliseconds(0)).value_or(-1)
                      << " and no such window; engine errors:\n" << errors();
    return std::nullopt;
}

testing::AssertionResult EngineTest::waitForPicture(const PictureCheck& check)
{
    std::optional<sf::Image> picture;
    testing::AssertionResult result = testing::AssertionFailure() << "the engine's window never appeared";
    waitUntil([&] {
        const std::optional<capture::WindowPlace> window = windows.find(windowTitle);
        if (window)
            if (std::optional<sf::Image> latest = windows.capture(*window))
                picture = std::move(latest);
        if (picture)
            result = check(*picture);
        return static_cast<bool>(result);
    }, AnswerTimeout);
    if (!result && picture)
        result << "\n(the last picture is " << savePicture(*picture) << ")";
    return result;
}

testing::AssertionResult EngineTest::waitForOutput(const std::string& text)
{
    if (waitUntil([&] { return output().find(text) != std::string::npos; }, AnswerTimeout))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the engine never printed \"" << text << "\"; it printed:\n" << output();
}

testing::AssertionResult EngineTest::waitForErrors(const std::string& text)
{
    if (waitUntil([&] { return errors().find(text) != std::string::npos; }, AnswerTimeout))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the engine never reported \"" << text << "\"; its errors:\n" << errors();
}

std::optional<int> EngineTest::waitForExit()
{
    return engine->waitForExit(ReplayTimeout);
}

std::optional<int> EngineTest::replay(const std::string& play, const std::vector<std::string>& arguments)
{
    writeFile("play.rec", "qel-recording 1\n" + play);
    std::vector<std::string> command{"-replay", "play.rec"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return runToTheEnd(command);
}

std::optional<int> EngineTest::runToTheEnd(const std::vector<std::string>& arguments)
{
    launch(arguments);
    return waitForExit();
}

testing::AssertionResult EngineTest::savedPicture(const std::string& name, const PictureCheck& check) const
{
    sf::Image picture;
    if (!picture.loadFromFile((folder.path / name).string()))
        return testing::AssertionFailure() << "no picture was saved as " << name << "; engine errors:\n" << errors();
    testing::AssertionResult result = check(picture);
    if (!result)
        result << "\n(the picture is " << savePicture(picture) << ")";
    return result;
}

testing::AssertionResult EngineTest::press(const std::string& keys)
{
    return sendToWindow(keyCommand(keys, KeyDelay));
}

testing::AssertionResult EngineTest::pressAtOnce(const std::string& keys)
{
    return sendToWindow(keyCommand(keys, "0"));
}

testing::AssertionResult EngineTest::type(const std::string& text)
{
    return sendToWindow({"type", "--delay", KeyDelay, text});
}

testing::AssertionResult EngineTest::keyDown(const std::string& keys)
{
    return sendToWindow({"keydown", keys});
}

testing::AssertionResult EngineTest::keyUp(const std::string& keys)
{
    return sendToWindow({"keyup", keys});
}

testing::AssertionResult EngineTest::moveWindow(int x, int y)
{
    return sendToWindow({"getwindowfocus", "windowmove", "--sync", "%1", std::to_string(x), std::to_string(y)});
}

testing::AssertionResult EngineTest::resizeWindow(sf::Vector2u size)
{
    return sendToWindow({"getwindowfocus", "windowsize", "--sync", "%1", std::to_string(size.x), std::to_string(size.y)});
}

testing::AssertionResult EngineTest::clickAt(const std::vector<sf::Vector2i>& pixels)
{
    std::vector<std::string> command{"getwindowfocus"};
    for (const sf::Vector2i& pixel : pixels)
        command.insert(command.end(),
                       {"mousemove", "--window", "%1", std::to_string(pixel.x), std::to_string(pixel.y), "click", "1"});
    return sendToWindow(command);
}

// Without a window manager nothing gives the engine's window the keyboard, so every command
// focuses the window of the moment first (a fullscreen toggle replaces it). The X server now and
// then refuses a connection that closely follows another; xdotool then stops before sending
// anything, so running it again cannot repeat a key.
testing::AssertionResult EngineTest::sendToWindow(const std::vector<std::string>& command)
{
    const std::optional<capture::WindowPlace> window = windows.find(windowTitle);
    if (!window)
        return testing::AssertionFailure() << "no engine window to send keys to";
    std::vector<std::string> arguments{"xdotool", "windowfocus", "--sync", std::to_string(window->id)};
    arguments.insert(arguments.end(), command.begin(), command.end());
    ProgramResult result;
    for (int attempt = 0; attempt < 5; ++attempt) {
        result = runProgram(arguments);
        if (result.errors.find("Can't open display") == std::string::npos)
            break;
        std::this_thread::sleep_for(milliseconds(20));
    }
    if (result.status == 0)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "xdotool failed with status " << result.status << ": " << result.errors;
}

std::string EngineTest::savePicture(const sf::Image& picture) const
{
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path failures = std::filesystem::temp_directory_path() / "qel-e2e-failures";
    std::filesystem::create_directories(failures);
    std::string name = std::string(test->test_suite_name()) + "." + test->name() + ".png";
    std::replace(name.begin(), name.end(), '/', '_');
    const std::filesystem::path path = failures / name;
    picture.saveToFile(path.string());
    return path.string();
}

std::string typing(int firstFrame, const std::string& text, int framesPerKey)
{
    std::string lines;
    int frame = firstFrame;
    for (const char character : text) {
        const std::string at = std::to_string(frame) + " ";
        frame += framesPerKey;
        const bool capital = std::isupper(static_cast<unsigned char>(character));
        lines += at + "press " + keyTyping(character) + (capital ? " shift\n" : "\n");
        lines += at + "text " + std::to_string(character) + "\n";
    }
    return lines;
}

// The error panel's red frame runs along the bottom of the window, 12 pixels up.
PictureCheck errorPanelShown(bool shown)
{
    return [=](const sf::Image& picture) -> testing::AssertionResult {
        const sf::Vector2u size = picture.getSize();
        const sf::Color seen = picture.getPixel(size.x / 2, size.y - 14);
        if (looksLike(seen, sf::Color(224, 48, 48)) == shown)
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "the bottom of the window shows " << describe(seen) << ", so the error panel is "
                                           << (shown ? "not shown" : "shown");
    };
}

PictureCheck cellShows(const ScreenLayout& layout, int column, int row, int paletteIndex)
{
    return [=](const sf::Image& picture) -> testing::AssertionResult {
        const sf::Vector2i centre = layout.cellCentre(column, row);
        const sf::Vector2u size = picture.getSize();
        if (centre.x < 0 || centre.y < 0 || centre.x >= static_cast<int>(size.x) || centre.y >= static_cast<int>(size.y))
            return testing::AssertionFailure() << "cell " << column << ", " << row << " lies outside the window";
        const sf::Color seen = picture.getPixel(centre.x, centre.y);
        if (looksLike(seen, paletteColour(paletteIndex)))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "cell " << column << ", " << row << " at pixel " << centre.x << ", "
                                           << centre.y << " shows " << describe(seen) << ", not colour "
                                           << paletteIndex << " " << describe(paletteColour(paletteIndex));
    };
}

} // namespace qel::e2e
