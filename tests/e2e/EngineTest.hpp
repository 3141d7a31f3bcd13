#pragma once

#include "e2e/EngineProcess.hpp"
#include "e2e/ScreenLayout.hpp"
#include "support/TempDir.hpp"

#include "WindowCapture.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qel::e2e {

// Judges one picture of the window; the message of a failed answer says what was seen.
using PictureCheck = std::function<testing::AssertionResult(const sf::Image&)>;

// Runs the built engine as a player would meet it: in a game folder of its own, with the
// bundled game's data and the test's scripts, under the X server named by DISPLAY. Keys go to
// the engine's window through the X test extension (xdotool); pictures are read from the
// window. Everything that waits polls, with a timeout, since the engine answers a frame later.
// A replay needs no waiting: its keys come from a recording in the frames it names.
class EngineTest : public testing::Test {
protected:
    EngineTest();

    // scripts/startup.lua gives every test's scripts a few helpers: core, ui and screen, say(text)
    // (print, flushed at once so the test can read it while the game runs), and fill(colour) for
    // the whole screen. Key codes come from the engine's Key table.
    void writeScript(const std::string& name, const std::string& text) const;
    void writeFile(const std::string& relative, const std::string& text) const;

    void launch(const std::vector<std::string>& arguments);
    // Writes the script, launches it as the game's launch script, and waits for its window and
    // for the script to say "ready" (the tests' scripts say it once they can take keys).
    testing::AssertionResult startGame(const std::string& name, const std::string& text);
    // Launches the program in a working folder other than the test's game folder.
    void launchIn(const std::filesystem::path& workingFolder, const std::string& program,
                  const std::vector<std::string>& arguments);
    // Launches the engine with no X display named in its environment.
    void launchWithoutDisplay(const std::vector<std::string>& arguments);
    std::optional<capture::WindowPlace> waitForWindow();
    // Waits for a window whose place passes the test, such as a new size.
    std::optional<capture::WindowPlace> waitForWindow(const std::function<bool(const capture::WindowPlace&)>& wanted);
    // Reads the window until the check passes. On a timeout the last picture is saved for a
    // look and its path is part of the failure.
    testing::AssertionResult waitForPicture(const PictureCheck& check);
    testing::AssertionResult waitForOutput(const std::string& text);
    testing::AssertionResult waitForErrors(const std::string& text);
    std::optional<int> waitForExit();

    // Replays a play in the test's game folder and waits for its end: the recording's lines after
    // its first (keys by frame, as "3 press Return"), with further arguments such as
    // "-capture", "5:five.bmp" (a BMP is saved in a third of the time a PNG takes). Gives the exit
    // status.
    std::optional<int> replay(const std::string& play, const std::vector<std::string>& arguments = {});
    // Launches the engine and waits, as long as a replay may take, for its end; gives the status.
    std::optional<int> runToTheEnd(const std::vector<std::string>& arguments);
    // Judges a picture saved in the test's game folder (by -capture or LuaCore.capture).
    testing::AssertionResult savedPicture(const std::string& name, const PictureCheck& check) const;

    // Key names as xdotool knows them, several separated by spaces: "Escape", "alt+Return".
    testing::AssertionResult press(const std::string& keys);
    // The keys with no gap between them, as fast typing or a slow frame brings several in a frame.
    testing::AssertionResult pressAtOnce(const std::string& keys);
    testing::AssertionResult type(const std::string& text);
    // Keys held down until released, so that they repeat.
    testing::AssertionResult keyDown(const std::string& keys);
    testing::AssertionResult keyUp(const std::string& keys);
    testing::AssertionResult moveWindow(int x, int y);
    testing::AssertionResult resizeWindow(sf::Vector2u size);
    // Moves the pointer to each pixel of the window in turn and clicks the left button there, in
    // one xdotool command.
    testing::AssertionResult clickAt(const std::vector<sf::Vector2i>& pixels);

    const std::filesystem::path& gameFolder() const { return folder.path; }
    std::string output() const { return engine->output(); }
    std::string errors() const { return engine->errors(); }
    void signalEngine(int number) const { engine->signal(number); }

    capture::WindowCapture windows;
    // The title by which the engine's window is found: the engine's own until a script sets one.
    std::string windowTitle = "QEL";

private:
    testing::AssertionResult sendToWindow(const std::vector<std::string>& command);
    std::string savePicture(const sf::Image& picture) const;

    test::TempDir folder;
    // A replay needs no waiting on a frame, but a sanitized build on a busy machine is slow.
    // Long enough for the bundled game's recorded minute.
    static constexpr std::chrono::milliseconds ReplayTimeout{60000};
    std::unique_ptr<EngineProcess> engine;
};

// Recording lines for replay(): the keys that type the text, one a frame from the first frame (or
// every one in it, with framesPerKey 0), as the window delivers them: each key's press (with Shift
// for a capital), then the character it typed. Letters, digits, and "\r", "\b" and "\x1b" for
// Enter, Backspace and Escape.
std::string typing(int firstFrame, const std::string& text, int framesPerKey = 1);

// A check that the cell shows the colour in the given layout.
PictureCheck cellShows(const ScreenLayout& layout, int column, int row, int paletteIndex);
// A check that the script error panel is shown, or not.
PictureCheck errorPanelShown(bool shown);

// The path of the engine's program, as the first argument it prints.
std::string enginePath();
// The bundled game's data folder.
std::filesystem::path gameData();

} // namespace qel::e2e
