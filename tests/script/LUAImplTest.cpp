#include "script/LUAImpl.hpp"

#include "script/LuaTestEngine.hpp"
#include "ui/TextField.hpp"
#include "ui/UI.hpp"
#include "ui/Window.hpp"

#include <gtest/gtest.h>

using namespace qel;
using test::contains;
using test::LuaTestEngine;

TEST(LUAImpl, StartUpRunsTheScriptsThenSetsTheModeThenStartsAndRedraws)
{
    LuaTestEngine engine(R"(
        print("launch", LuaScreenBuffer(gScreenBuffer).instance(), type(gCore), type(gUtils))
        function onSetVideoMode(mode) print("onSetVideoMode", mode, LuaScreenBuffer(gScreenBuffer).instance() == gScreenBuffer) end
        function start() print("start") end
        function redraw() print("redraw") end
    )",
                         "print('startup')");
    EXPECT_EQ(engine.startup.out, "startup\n"
                                  "launch\tnil\tuserdata\tuserdata\n"
                                  "setVideoMode = 0\nBuffer size: 80 x 25\n"
                                  "onSetVideoMode\t0\ttrue\n"
                                  "start\nredraw\n");
    EXPECT_EQ(engine.startup.err, "");
}

TEST(LUAImpl, UpdateGetsTheFrameTimeWithSixDecimals)
{
    LuaTestEngine engine("function update(dt) print(string.format('%.7f', dt)) end");
    EXPECT_EQ(engine.frame(16).out, "0.0160000\n");
    EXPECT_EQ(test::capturePrinted([&] { engine.host().update(0.0166666f); }).out, "0.0166670\n");
}

TEST(LUAImpl, MissingFunctionsAreSkippedSilently)
{
    LuaTestEngine engine("");
    EXPECT_EQ(engine.startup.err, "");
    const test::Printed printed = test::capturePrinted([&] {
        engine.core().runFrame(16);
        engine.core().handleEvent(test::keyPress(sf::Keyboard::A));
        engine.core().redraw();
        engine.core().getRenderer()->setVideoMode(VideoMode::Text40x25, Repaint::Now);
    });
    EXPECT_EQ(printed.err, "");
    EXPECT_EQ(printed.out, "setVideoMode = 1\nBuffer size: 40 x 25\n") << "only the engine's own lines";
}

TEST(LUAImpl, AnErrorIsPrintedOnceUntilItsSourceRunsCleanly)
{
    LuaTestEngine engine(R"(
        failure = "first"
        function update() if failure then error(failure, 0) end end
    )",
                         "this is not Lua");
    EXPECT_TRUE(contains(engine.startup.err, "scripts/startup.lua:1:")) << engine.startup.err;
    EXPECT_EQ(engine.run("print(failure)").out, "first\n") << "the launch script ran all the same";

    EXPECT_EQ(engine.frame().err, "first\n");
    EXPECT_EQ(engine.frame().err, "") << "an error repeating every frame is printed once";
    engine.run("failure = 'second'");
    EXPECT_EQ(engine.frame().err, "second\n");
    engine.run("failure = {}");
    EXPECT_EQ(engine.frame().err, "(error object is a table value)\n");
    engine.run("failure = nil");
    engine.frame();
    engine.run("failure = {}");
    EXPECT_EQ(engine.frame().err, "(error object is a table value)\n") << "again after a clean update";

    const test::Printed printed = engine.run("print('before') error('broken') print('after')");
    EXPECT_EQ(printed.out, "before\n");
    EXPECT_EQ(printed.err, "scripts/snippet.lua:1: broken\n");
    EXPECT_EQ(engine.run("print(1 +)").err.rfind("scripts/snippet.lua:1:", 0), 0u) << "compile errors too";
}

TEST(LUAImpl, ErrorsComeWithTheChainOfCallsThatRaisedThem)
{
    LuaTestEngine engine(R"(
        local function inner() error("deep down") end
        local function outer() inner() end
        function key(code) if code == 0 then outer() end end
        function onSetVideoMode(mode) if mode == 1 then outer() end end
    )");
    const std::string traceback = engine.press(sf::Keyboard::A).errWithTracebacks;
    EXPECT_EQ(traceback.rfind("scripts/test.lua:2: deep down\nstack traceback:\n", 0), 0u) << traceback;
    EXPECT_TRUE(contains(traceback, "scripts/test.lua:2: in function 'inner'")) << traceback;
    EXPECT_TRUE(contains(traceback, "scripts/test.lua:3: in function 'outer'")) << traceback;
    EXPECT_TRUE(contains(traceback, "scripts/test.lua:4: in function <scripts/test.lua:4>")) << traceback;

    const std::string fromCallback = engine.run("LuaCore(gCore).setVideoMode(1)").errWithTracebacks;
    EXPECT_TRUE(contains(fromCallback, "in function 'inner'")) << "the callback's own calls:\n" << fromCallback;
    EXPECT_TRUE(contains(fromCallback, "scripts/snippet.lua:1: in main chunk")) << "down to the caller:\n" << fromCallback;
    EXPECT_EQ(fromCallback.find("stack traceback:"), fromCallback.rfind("stack traceback:"))
        << "an error a method raises again in its caller has one traceback:\n" << fromCallback;
}

// A script can fail in ever new places: the record of errors already printed stays bounded,
// says so once, and still prints a repeating error once.
TEST(LUAImpl, TheRecordOfPrintedErrorsIsBounded)
{
    LuaTestEngine engine("function update() error('every frame', 0) end");
    const test::Printed loads = engine.run("for n = 1, 600 do pcall(LuaCore(gCore).load, 'nope' .. n) end");
    const std::string overflow = "qel: errors of more than 256 sources stand at once; errors already printed may be"
                                 " printed again\n";
    EXPECT_EQ(loads.err.find(overflow), loads.err.rfind(overflow)) << "said once";
    EXPECT_NE(loads.err.find(overflow), std::string::npos);
    EXPECT_TRUE(contains(loads.err, "cannot open scripts/nope600")) << "every failing file is printed";
    EXPECT_EQ(engine.frame().err, "every frame\n");
    EXPECT_EQ(engine.frame().err, "");
}

// The text after a NUL byte is often the real cause; it is printed, and the NUL shown as \0.
TEST(LUAImpl, ErrorMessagesKeepWhatFollowsANulByte)
{
    LuaTestEngine engine(R"(
        function update() error("before\0the real cause", 0) end
        function onSetVideoMode() error("in\0a callback", 0) end
    )");
    EXPECT_EQ(engine.frame().err, "before\\0the real cause\n");
    const std::string fromCallback = engine.run("LuaCore(gCore).setVideoMode(1)").errWithTracebacks;
    EXPECT_EQ(fromCallback.rfind("in\\0a callback\nstack traceback:", 0), 0u) << fromCallback;
    EXPECT_EQ(fromCallback.find("stack traceback:"), fromCallback.rfind("stack traceback:")) << fromCallback;
}

TEST(LUAImpl, AGameNeedsNoStartUpScript)
{
    LuaTestEngine engine("function start() print('started') end");
    engine.removeScript("startup.lua");
    const test::Printed reloaded = engine.reload();
    EXPECT_EQ(reloaded.out, "started\n");
    EXPECT_EQ(reloaded.err, "");
}

TEST(LUAImpl, CallsFromTheMainLoopAreProtected)
{
    LuaTestEngine engine(R"(
        function key(code, pressed, handled)
            print("key", code, pressed, handled)
            if code == 1 then error("bad key", 0) end
        end
        function redraw() error("bad redraw", 0) end
    )");
    EXPECT_EQ(engine.startup.err, "bad redraw\n");
    EXPECT_EQ(engine.press(sf::Keyboard::A).out, "key\t0\ttrue\tfalse\n");
    EXPECT_EQ(engine.press(sf::Keyboard::B).err, "bad key\n");
    EXPECT_EQ(engine.press(sf::Keyboard::A).out, "key\t0\ttrue\tfalse\n") << "the engine goes on";
}

TEST(LUAImpl, CallsInsideAProtectedRunFollowIt)
{
    LuaTestEngine engine(R"(
        core = LuaCore(gCore)
        function update()
            print("before")
            core.setVideoMode(1)
            print("after")
        end
    )");
    EXPECT_EQ(engine.frame().out, "before\nsetVideoMode = 1\nBuffer size: 40 x 25\nafter\n")
        << "a missing onSetVideoMode is skipped";

    engine.run("function onSetVideoMode() error('no mode', 0) end");
    const test::Printed printed = engine.frame();
    EXPECT_FALSE(contains(printed.out, "after")) << "the error ends update";
    EXPECT_EQ(printed.err, "no mode\n");

    EXPECT_EQ(engine.run("local co = coroutine.create(function() core.setVideoMode(0) end)"
                         "print(coroutine.resume(co))")
                  .out,
              "setVideoMode = 0\nBuffer size: 80 x 25\nfalse\tno mode\n")
        << "in a coroutine the error ends the coroutine";
}

TEST(LUAImpl, OnSetVideoModeSeesTheNewBufferAndOldObjectsBecomeStale)
{
    LuaTestEngine engine(R"(
        function onSetVideoMode(mode) screen = LuaScreenBuffer(gScreenBuffer) end
        function update() old.put({x = 0, y = 0, text = "X"}) end
    )");
    engine.run("old = screen; LuaCore(gCore).setVideoMode(0)");
    EXPECT_EQ(engine.run("print(old.instance(), screen.instance() == gScreenBuffer)").out, "nil\ttrue\n");
    EXPECT_EQ(engine.frame().err, "scripts/test.lua:3: LuaScreenBuffer.put: object no longer exists\n");
    EXPECT_EQ(engine.frame().err, "");
    EXPECT_EQ(test::screenText(engine.screen(), 0, 0, 1, 1), test::Lines{"."});
}

TEST(LUAImpl, ReloadStartsAFreshInterpreter)
{
    LuaTestEngine engine("function start() print('start', leftover) end", "function fromStartup() end");
    engine.run("leftover = 'old'; function update() error('stale error', 0) end");
    EXPECT_EQ(engine.frame().err, "stale error\n");
    EXPECT_EQ(engine.reload().out, "start\tnil\n");
    engine.run("function update() error('stale error', 0) end");
    EXPECT_EQ(engine.frame().err, "stale error\n") << "a reload forgets the last message";

    engine.removeScript("test.lua");
    engine.writeScript("startup.lua", "function start() print('new start') end");
    const test::Printed printed = engine.reload();
    EXPECT_EQ(printed.out, "new start\n");
    EXPECT_TRUE(contains(printed.err, "cannot open scripts/test.lua")) << printed.err;
    EXPECT_EQ(engine.run("print(leftover, Color.Red, fromStartup, update)").out, "nil\t1\tnil\tnil\n");
}

TEST(LUAImpl, WidgetHandlersAreCalledThroughTheirReferences)
{
    // The handlers stand at known places in the registry, as references do.
    LuaTestEngine engine(R"(
        local registry = debug.getregistry()
        registry[1001] = function(escape) print("close", escape) end
        registry[1002] = function(code, pressed) print("key", code, pressed) return code == 1 end
        registry[1003] = function() print("draw") end
        registry[1004] = function(text) print("enter", text) end
        registry[1005] = function() error("broken handler", 0) end
    )");
    ScriptingInterface& host = engine.host();
    bool answer = true;

    EXPECT_EQ(test::capturePrinted([&] { answer = host.onWidgetKey(NoReference, 1, true); }).out, "");
    EXPECT_TRUE(answer) << "without a key handler the key goes on";
    EXPECT_FALSE(host.onWidgetClose(NoReference, true));
    EXPECT_FALSE(host.onWidgetDraw(NoReference));
    EXPECT_FALSE(host.onTextFieldEnter(NoReference, u"text"));

    const test::Printed printed = test::capturePrinted([&] {
        EXPECT_TRUE(host.onWidgetClose(1001, true));
        EXPECT_TRUE(host.onWidgetKey(1002, 1, false));
        EXPECT_FALSE(host.onWidgetKey(1002, 2, true));
        EXPECT_TRUE(host.onWidgetDraw(1003));
        EXPECT_TRUE(host.onTextFieldEnter(1004, u"h\u00E9"));
    });
    EXPECT_EQ(printed.out, "close\ttrue\nkey\t1\tfalse\nkey\t2\ttrue\ndraw\nenter\th\xC3\xA9\n");

    const test::Printed failed = test::capturePrinted([&] { answer = host.onWidgetKey(1005, 1, true); });
    EXPECT_FALSE(answer) << "a failed handler answers as one that returned nothing";
    EXPECT_EQ(failed.err, "broken handler\n");
}
