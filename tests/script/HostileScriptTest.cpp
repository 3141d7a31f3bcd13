// Scripts that try to break the engine from between its calls: finalizers that run in the middle
// of a method, errors raised where the engine itself touches the interpreter, coroutines,
// tampered globals and the debug library. These run in the sanitizer build too, where a freed
// object in use or a bad free ends the run.
#include "app/Core.hpp"
#include "script/LuaTestEngine.hpp"
#include "ui/UI.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

using namespace qel;
using test::contains;
using test::LuaTestEngine;

namespace {

// duringCall(action, method, argument) calls method(argument(n)) for n = 1000001, 1000002, ...
// until a finalizer has run action, and answers whether it ran; the call that action cut short
// may fail as a script error. The collector runs without
// pause meanwhile, at every allocation; the calls allocate only inside the engine's method (a
// number read as text is turned into a string there), so that is where the finalizer runs.
const char* const hostilePrelude = R"(
    core, ui = LuaCore(gCore), LuaUI(gUI)
    function onSetVideoMode() screen = LuaScreenBuffer(gScreenBuffer) end
    function duringCall(action, method, argument)
        local fired = false
        setmetatable({}, {__gc = function() fired = true action() end})
        collectgarbage("setpause", 0)
        for i = 1, 100000 do
            pcall(method, argument(1000000 + i))
            if fired then break end
        end
        collectgarbage("setpause", 200)
        return fired
    end
    function option(options, name) return function(n) options[name] = n return options end end
    function number(n) return n end
)";

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

int occurrences(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

} // namespace

TEST(HostileScript, WhatAFinalizerDropsInTheMiddleOfAMethodLivesUntilTheMethodReturns)
{
    LuaTestEngine engine(hostilePrelude);
    const char* const scenarios[] = {
        // The screen buffer that print is writing into is replaced.
        "print(duringCall(function() core.setVideoMode(1) end, screen.print, option({}, 'text')))",
        // The parent of the widget being made is closed.
        "local w = ui.createWindow({})"
        "print(duringCall(function() LuaWindow(w).close() end, ui.createLabel, option({parent = w}, 'text')))",
        "local w = ui.createWindow({})"
        "print(duringCall(function() LuaWindow(w).close() end, ui.createWindow,"
        "                 option({parent = w, showDismissText = true}, 'title')))",
        // The main input field is made inside a window that closes: it must not take the focus.
        "local w = ui.createWindow({})"
        "print(duringCall(function() LuaWindow(w).close() end, ui.createTextField,"
        "                 option({parent = w, mainInput = true}, 'inputPrefix')))",
        // The window whose title is being set is closed.
        "local w = LuaWindow(ui.createWindow({})) print(duringCall(w.close, w.setTitle, number))",
    };
    for (const char* scenario : scenarios) {
        const test::Printed printed = engine.run(scenario);
        EXPECT_TRUE(endsWith(printed.out, "true\n")) << scenario << "\n" << printed.out << printed.err;
        EXPECT_EQ(engine.core().getUI()->focusedField(), nullptr) << scenario;
        // The engine goes on drawing and typing with whatever is left.
        EXPECT_EQ(engine.frame().err, "") << scenario;
        EXPECT_EQ(engine.press(sf::Keyboard::A).err, "") << scenario;
    }
}

TEST(HostileScript, ErrorsOfFinalizersNeverEscapeTheEngine)
{
    // Every frame leaves garbage whose finalizer fails, and ends with a table grown element by
    // element: growing a table allocates without letting the collector step, so the collector
    // steps, and runs failing finalizers, at the engine's next push (the name of the key
    // function, which the script does not define, or the text of a field for its handler).
    LuaTestEngine engine(R"(
        frames = 0
        collectgarbage("setpause", 0)
        local function failing() setmetatable({}, {__gc = function() error("finalizer failed", 0) end}) end
        function update()
            frames = frames + 1
            for i = 1, 50 do failing() end
            local grown = {}
            for i = 1, 20000 do grown[i] = i end
        end
        function start() LuaTextField(LuaUI(gUI).createTextField({mainInput = true})).onEnter(function() end) end
    )");
    std::string reported = engine.type(std::string(4000, 'x')).err;
    for (int frame = 0; frame < 20; ++frame) {
        reported += engine.frame().err;
        reported += engine.press(frame % 2 ? sf::Keyboard::A : sf::Keyboard::Return).err;
        reported += test::capturePrinted([&] {
            engine.core().getRenderer()->setVideoMode(static_cast<VideoMode>(frame % 2), Repaint::Now);
        }).err;
    }
    EXPECT_TRUE(contains(reported, "finalizer failed")) << "the failing finalizers ran and were reported";
    // Shift+R types into a focused field rather than reloading.
    engine.core().getUI()->setFocus(nullptr);
    engine.reload();
    engine.frame();
    // A failing finalizer may end any script run, this one too; one of a few gets through.
    std::string frames;
    for (int attempt = 0; attempt < 20 && frames.empty(); ++attempt)
        frames = engine.run("print(frames)").out;
    EXPECT_EQ(frames, "1\n");
}

TEST(HostileScript, CoroutinesAndTamperedGlobalsCannotUpsetTheEngine)
{
    LuaTestEngine engine("");
    // A new screen buffer is published from inside a coroutine, under a globals table that
    // refuses every new global.
    const test::Printed printed = engine.run(R"(
        rawset(_G, "gScreenBuffer", nil)
        setmetatable(_G, {__newindex = function(_, name) error("no new global " .. name, 0) end})
        print(coroutine.resume(coroutine.create(function() LuaCore(gCore).setVideoMode(1) return "done" end)))
        print(LuaScreenBuffer(rawget(_G, "gScreenBuffer")).instance() == rawget(_G, "gScreenBuffer"))
    )");
    EXPECT_TRUE(contains(printed.out, "true\tdone\ntrue\n")) << printed.out << printed.err;
    EXPECT_EQ(printed.err, "");
}

TEST(HostileScript, TheDebugLibraryCannotPassOtherValuesOffAsEngineObjects)
{
    LuaTestEngine engine(R"(
        core, screen = LuaCore(gCore), LuaScreenBuffer(gScreenBuffer)
        function attempt(call) local ok, message = pcall(call) print(ok, message) end
    )");
    const test::Printed printed = engine.run(R"(
        local file = io.tmpfile()
        debug.setmetatable(file, getmetatable(core))       -- a file dressed as an engine object
        attempt(function() file.exit(1) end)
        debug.setmetatable(core, getmetatable(screen))     -- an engine object of another class
        attempt(function() core.print({text = "x"}) end)
        debug.setmetatable(gCore, getmetatable(screen))    -- every light userdata at once
        attempt(function() gCore.print({text = "x"}) end)
        debug.setmetatable(gCore, nil)
        local put = screen.put
        debug.setupvalue(put, 2, file)                     -- a method closure given another object
        attempt(function() put({text = "x"}) end)
        file, core = nil, nil
        collectgarbage() collectgarbage()
    )");
    EXPECT_EQ(occurrences(printed.out, "not a method of this class"), 4) << printed.out << printed.err;
    EXPECT_EQ(test::screenText(engine.screen(), 0, 0, 1, 1), test::Lines{"."});
    EXPECT_EQ(engine.run("print(LuaCore(gCore).getVideoMode())").out, "0\n") << "the engine's own objects still work";
}

// Making an object sets the class's metatable on it, which the registry and the constructor's
// upvalue both hold and a script can replace.
TEST(HostileScript, ReplacedClassMetatablesMakeNoObjects)
{
    LuaTestEngine engine("function attempt(call) print(select(2, pcall(call))) end");
    const test::Printed printed = engine.run(R"(
        local registry, own = debug.getregistry(), debug.getregistry().LuaCore
        for _, value in ipairs({1, "LuaCore", true, print, coroutine.create(print), gCore}) do
            registry.LuaCore = value
            attempt(function() return LuaCore(gCore) end)
        end
        registry.LuaCore = own
        debug.setupvalue(LuaCore, 1, 1)
        attempt(function() return LuaCore(gCore) end)
        print(LuaScreenBuffer(gScreenBuffer).instance() == gScreenBuffer)
    )");
    std::string expected;
    for (const char* type : {"number", "string", "boolean", "function", "thread", "userdata"})
        expected += "scripts/snippet.lua:5: LuaCore: the class's metatable in the registry was replaced by a " +
                    std::string(type) + " value\n";
    expected += "scripts/snippet.lua:9: LuaCore: the class's metatable in the registry was replaced by a table value\n";
    EXPECT_EQ(printed.out, expected + "true\n") << printed.err;
}

TEST(HostileScript, ExitsAndClosesAlwaysComplete)
{
    LuaTestEngine engine(R"(
        core, ui = LuaCore(gCore), LuaUI(gUI)
        function key(code, pressed) if pressed then print("key", code) end end
        function failingWindow()
            local w = LuaWindow(ui.createWindow({}))
            w.onClose(function() error("close failed", 0) end)
            return w
        end
    )");
    // A close handler's error ends the script that closed the window, but the window is gone.
    EXPECT_EQ(engine.run("local w = failingWindow() print(pcall(w.close)) print(w.instance())").out,
              "false\tclose failed\nnil\n");
    engine.run("failing = failingWindow()");
    EXPECT_EQ(engine.press(sf::Keyboard::Escape).err, "close failed\n");
    EXPECT_EQ(engine.run("print(failing.instance())").out, "nil\n");
    EXPECT_EQ(engine.press(sf::Keyboard::Escape).out, "key\t36\n") << "Escape goes on to the script";

    EXPECT_EQ(engine.run("core.setWindowTitle(string.rep('x', 20000000)) print('titled')").out, "titled\n")
        << "a huge title is cut, not sent whole";

    engine.run("for i = 1, 1001 do core.toggleFullscreen() end");
    engine.frame();
    EXPECT_TRUE(engine.core().isFullscreen()) << "an odd number of toggles in a frame makes one window";

    engine.run("core.exit(3) core.toggleFullscreen()");
    engine.frame();
    EXPECT_FALSE(engine.core().getWindow()->isOpen()) << "the exit stands";
    EXPECT_EQ(engine.core().getExitCode(), 3);
}

TEST(HostileScript, ClosedWindowsLetGoOfTheirHandlers)
{
    LuaTestEngine engine(R"(
        ui = LuaUI(gUI)
        function openAndClose()
            local big = string.rep("x", 100000) .. math.random()
            local window = LuaWindow(ui.createWindow({}))
            window.onClose(function() return big end)
            window.onKey(function() return big end)
            window.onDraw(function() return big end)
            local field = LuaTextField(ui.createTextField({parent = window.instance()}))
            field.onEnter(function() return big end)
            window.close()
        end
        function heapAfter(cycles)
            for i = 1, cycles do openAndClose() end
            collectgarbage() collectgarbage()
            return collectgarbage("count")
        end
    )");
    EXPECT_EQ(engine.run("local before = heapAfter(5) print(heapAfter(100) - before < 500)").out, "true\n");
}

// Lua does not check compiled chunks: a crafted one could make the interpreter read and write
// anywhere, so a game's files must be source.
TEST(HostileScript, FilesThatCouldNeverBeReadToTheirEndOrAreCompiledAreNotRun)
{
    LuaTestEngine engine("");
    ASSERT_EQ(mkfifo("scripts/pipe.lua", 0600), 0);
    std::filesystem::create_directory("scripts/folder.lua");
    EXPECT_EQ(engine.run("LuaCore(gCore).load('pipe.lua')").err, "cannot open scripts/pipe.lua: it is not a regular file\n");
    EXPECT_EQ(engine.run("LuaCore(gCore).load('folder.lua')").err,
              "cannot open scripts/folder.lua: it is not a regular file\n");
    EXPECT_EQ(engine.run("local file = io.open('scripts/compiled.lua', 'wb')"
                         "file:write(string.dump(function() print('ran') end)) file:close()"
                         "LuaCore(gCore).load('compiled.lua') require('scripts.compiled')")
                  .err,
              "cannot run scripts/compiled.lua: it is compiled Lua, and only Lua source is run\n"
              "error loading module 'scripts.compiled' from file './scripts/compiled.lua':\n");
    // Nor do the library's loaders take compiled chunks, from a string (saved data, say) or a file;
    // source still loads, in the environment given or the global one.
    EXPECT_EQ(engine.run("local dumped = string.dump(function() print('ran') end) "
                         "print(load(dumped)) print(load(dumped, 'x', 'b')) print(loadstring(dumped)) "
                         "print(loadfile('scripts/compiled.lua', 'bt', {})) "
                         "print(pcall(dofile, 'scripts/compiled.lua')) "
                         "load('print(\"source\", x)', 'src', 'bt', {print = print, x = 1})() load('y = 2')() print(y)")
                  .out,
              "nil\tattempt to load a binary chunk (mode is 't')\n"
              "nil\tattempt to load a binary chunk (mode is 't')\n"
              "nil\tattempt to load a binary chunk (mode is 't')\n"
              "nil\tattempt to load a binary chunk (mode is 't')\n"
              "false\tattempt to load a binary chunk (mode is 't')\n"
              "source\t1\n2\n");
}
