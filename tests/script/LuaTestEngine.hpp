#pragma once

#include "app/Core.hpp"
#include "display/Renderer.hpp"
#include "script/ScriptingInterface.hpp"
#include "support/EngineFixture.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qel::test {

// What a piece of engine work wrote on standard output and standard error.
struct Printed {
    std::string out;
    std::string err;
};

// The window library's notice about a display without vertical synchronisation is not the engine's.
inline std::string withoutWindowNotices(std::string text)
{
    const std::string notice = "Setting vertical sync not supported\n";
    for (size_t found; (found = text.find(notice)) != std::string::npos;)
        text.erase(found, notice.size());
    return text;
}

template <class Action>
Printed capturePrinted(Action action)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    action();
    std::fflush(stdout);
    Printed printed;
    printed.out = testing::internal::GetCapturedStdout();
    printed.err = withoutWindowNotices(testing::internal::GetCapturedStderr());
    return printed;
}

inline sf::Event keyPress(sf::Keyboard::Key code)
{
    sf::Event event;
    event.type = sf::Event::KeyPressed;
    event.key = {code, false, false, false, false};
    return event;
}

// A whole engine with the real script host, run inside a fresh game folder that holds the
// scripts a test writes: scripts/startup.lua and the launch script scripts/test.lua. The data
// files come from the bundled game.
class LuaTestEngine {
public:
    explicit LuaTestEngine(const std::string& launchScript, const std::string& startupScript = "")
        : gameDirectory(std::filesystem::current_path())
    {
        folder.write("scripts/startup.lua", startupScript);
        folder.write("scripts/test.lua", launchScript);
        std::filesystem::create_directory_symlink(gameDirectory / "data", folder.path / "data");
        std::filesystem::current_path(folder.path);
        engine = std::make_unique<Core>();
        startup = capturePrinted([&] { engine->build(testOptions()); });
    }

    ~LuaTestEngine()
    {
        engine.reset();
        std::filesystem::current_path(gameDirectory);
    }

    LuaTestEngine(const LuaTestEngine&) = delete;
    LuaTestEngine& operator=(const LuaTestEngine&) = delete;

    Core& core() { return *engine; }
    ScriptingInterface& host() { return *engine->getScript(); }
    ScreenBuffer& screen() { return *engine->getRenderer()->getScreenBuffer(); }

    // Runs Lua code as LuaCore's load runs a file: protected, in the running interpreter.
    Printed run(const std::string& code)
    {
        folder.write("scripts/snippet.lua", code);
        return capturePrinted([&] { engine->runScript("snippet.lua"); });
    }

    Printed frame(int elapsedMilliseconds = 16)
    {
        return capturePrinted([&] { engine->runFrame(elapsedMilliseconds); });
    }

    Printed press(sf::Keyboard::Key code)
    {
        return capturePrinted([&] { engine->handleEvent(keyPress(code)); });
    }

    // Types the characters of an ASCII text, as the window reports typing.
    Printed type(const std::string& text)
    {
        return capturePrinted([&] {
            for (char character : text) {
                sf::Event typed;
                typed.type = sf::Event::TextEntered;
                typed.text.unicode = static_cast<sf::Uint32>(character);
                engine->handleEvent(typed);
            }
        });
    }

    // Shift+R, the player's key for reloading the scripts.
    Printed reload()
    {
        sf::Event shiftR = keyPress(sf::Keyboard::R);
        shiftR.key.shift = true;
        return capturePrinted([&] { engine->handleEvent(shiftR); });
    }

    void writeScript(const std::string& name, const std::string& contents)
    {
        folder.write("scripts/" + name, contents);
    }

    void removeScript(const std::string& name) { std::filesystem::remove(folder.path / "scripts" / name); }

    // The characters of a rectangle of cells, one string per row; empty cells read as blanks.
    std::vector<std::string> text(int x, int y, int width, int height)
    {
        return rows(x, y, width, height, [](const Cell& cell) {
            return toUtf8(WideString(1, cell.character ? cell.character : u' '));
        });
    }

    // The background colour indices of a rectangle of cells as digits 0-9 and letters A-H.
    std::vector<std::string> backgrounds(int x, int y, int width, int height)
    {
        return rows(x, y, width, height, [](const Cell& cell) { return colourDigit(cell.background); });
    }

    std::vector<std::string> foregrounds(int x, int y, int width, int height)
    {
        return rows(x, y, width, height, [](const Cell& cell) { return colourDigit(cell.foreground); });
    }

    // What building the engine printed: the scripts' top-level code runs then.
    Printed startup;

private:
    static std::string colourDigit(uint8_t index) { return std::string(1, "0123456789ABCDEFGH"[index % 18]); }

    template <class CellText>
    std::vector<std::string> rows(int x, int y, int width, int height, CellText cellText)
    {
        std::vector<std::string> lines;
        for (int row = y; row < y + height; ++row) {
            std::string line;
            for (int column = x; column < x + width; ++column)
                line += cellText(screen().cellAt(column, row));
            lines.push_back(line);
        }
        return lines;
    }

    std::filesystem::path gameDirectory;
    TempDir folder;
    std::unique_ptr<Core> engine;
};

using Lines = std::vector<std::string>;

} // namespace qel::test
