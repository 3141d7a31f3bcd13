#pragma once

#include "app/Core.hpp"
#include "display/Renderer.hpp"
#include "script/ScriptingInterface.hpp"
#include "support/EngineFixture.hpp"
#include "support/ErrorLines.hpp"
#include "support/GameFolder.hpp"
#include "support/KeyEvent.hpp"
#include "support/ScreenText.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace qel::test {

// What a piece of engine work wrote on standard output and standard error: the error messages
// alone, and the whole error output with the tracebacks.
struct Printed {
    std::string out;
    std::string err;
    std::string errWithTracebacks;
};

template <class Action>
Printed capturePrinted(Action action)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    action();
    std::fflush(stdout);
    Printed printed;
    printed.out = testing::internal::GetCapturedStdout();
    printed.errWithTracebacks = withoutWindowNotices(testing::internal::GetCapturedStderr());
    printed.err = errorMessages(printed.errWithTracebacks);
    return printed;
}

// A whole engine with the real script host, run inside a fresh game folder that holds the
// scripts a test writes: scripts/startup.lua and the launch script scripts/test.lua. The data
// files come from the bundled game.
class LuaTestEngine {
public:
    // A run control other than the player's drives a recorded or replayed play.
    explicit LuaTestEngine(const std::string& launchScript, const std::string& startupScript = "",
                           RunControl run = RunControl(), const LaunchOptions& options = testOptions())
    {
        folder.writeScript("startup.lua", startupScript);
        folder.writeScript("test.lua", launchScript);
        engine = std::make_unique<Core>();
        engine->getRunControl() = std::move(run);
        startup = capturePrinted([&] { engine->build(options); });
    }

    LuaTestEngine(const LuaTestEngine&) = delete;
    LuaTestEngine& operator=(const LuaTestEngine&) = delete;

    Core& core() { return *engine; }
    ScriptingInterface& host() { return *engine->getScript(); }
    ScreenBuffer& screen() { return *engine->getRenderer()->getScreenBuffer(); }

    // Runs Lua code as LuaCore's load runs a file: protected, in the running interpreter.
    Printed run(const std::string& code)
    {
        folder.writeScript("snippet.lua", code);
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
            for (char character : text)
                engine->handleEvent(typedCharacter(static_cast<sf::Uint32>(character)));
        });
    }

    // Shift+R, the player's key for reloading the scripts.
    Printed reload()
    {
        return capturePrinted([&] { engine->handleEvent(keyPress(sf::Keyboard::R, WithShift)); });
    }

    void writeScript(const std::string& name, const std::string& contents) { folder.writeScript(name, contents); }
    void removeScript(const std::string& name) { folder.removeScript(name); }

    // What building the engine printed: the scripts' top-level code runs then.
    Printed startup;

private:
    GameFolder folder;
    WorkingDirectory inside{folder.path()};
    std::unique_ptr<Core> engine;
};

} // namespace qel::test
