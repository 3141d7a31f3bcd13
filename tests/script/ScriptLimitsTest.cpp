// The bounds the host sets on every call into the scripts: a call that runs too long is stopped,
// and the interpreter's memory is capped, with the engine going on either way.
#include "script/LuaTestEngine.hpp"

#include <gtest/gtest.h>

#include <chrono>

using namespace qel;
using test::contains;
using test::LuaTestEngine;

namespace {

LaunchOptions limitedOptions(double seconds, int megabytes = 1024)
{
    LaunchOptions options = test::testOptions();
    options.scriptLimit = seconds;
    options.scriptMemory = megabytes;
    return options;
}

// Runs the work and gives how long it took, in seconds.
template <class Work>
double secondsTaken(Work work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Each runaway spins once, the first time it is called; pcall does not keep it alive, nor does a
// coroutine or a comparator run by a C function.
const char* const RunawayScript = R"(
    calls = 0
    function runaway(kind)
        calls = calls + 1
        if calls > 1 then return end
        if kind == "loop" then
            while true do end
        elseif kind == "pcall" then
            while true do pcall(function() while true do end end) end
        elseif kind == "coroutine" then
            coroutine.wrap(function() while true do end end)()
        elseif kind == "sort" then
            local t = {} for i = 1, 100 do t[i] = i end
            table.sort(t, function(a, b) while true do end end)
        end
    end
    function update() runaway(kind) end
    function key() runaway(kind) end
)";

} // namespace

TEST(ScriptLimits, ARunawayCallIsStoppedWithItsTracebackAndTheGameGoesOn)
{
    for (const char* kind : {"loop", "pcall", "coroutine", "sort"}) {
        LuaTestEngine engine(RunawayScript, "", RunControl(), limitedOptions(0.2));
        engine.run(std::string("kind = '") + kind + "'");
        test::Printed printed;
        const double seconds = secondsTaken([&] { printed = engine.frame(); });
        EXPECT_LT(seconds, 2.0) << kind;
        EXPECT_TRUE(contains(printed.errWithTracebacks, "script ran for more than 0.2 s without returning\n"
                                                        "stack traceback:"))
            << kind << "\n" << printed.errWithTracebacks;
        EXPECT_TRUE(contains(printed.errWithTracebacks, "in function 'runaway'")) << kind;
        engine.frame();
        EXPECT_EQ(engine.run("print(calls)").out, "2\n") << kind << ": the next frame runs as usual";
    }
}

TEST(ScriptLimits, AKeyCallIsStoppedAndTheCallsAfterItGetTheirOwnTime)
{
    // The limit is wall time and os.clock the processor's: a second leaves room for a busy machine.
    LuaTestEngine engine(RunawayScript, "", RunControl(), limitedOptions(1));
    engine.run("kind = 'loop'");
    const test::Printed printed = engine.press(sf::Keyboard::A);
    EXPECT_TRUE(contains(printed.err, "script ran for more than 1 s without returning")) << printed.err;
    // A slow call within its limit is not stopped.
    const test::Printed slow = engine.run("local stop = os.clock() + 0.1 while os.clock() < stop do end print('done')");
    EXPECT_EQ(slow.out, "done\n");
    EXPECT_EQ(slow.err, "");
}

TEST(ScriptLimits, NoLimitLetsALongCallFinish)
{
    LuaTestEngine engine("", "", RunControl(), limitedOptions(0));
    const test::Printed printed = engine.run("local stop = os.clock() + 0.3 while os.clock() < stop do end print('done')");
    EXPECT_EQ(printed.out, "done\n");
    EXPECT_EQ(printed.err, "");
}

TEST(ScriptLimits, PastTheMemoryCapTheScriptRunsOutOfMemoryAndTheEngineGoesOn)
{
    LuaTestEngine engine("function redraw() end", "", RunControl(), limitedOptions(5, 32));
    const char* const runaway = "local t, i = {}, 0 while true do i = i + 1 t[i] = ('x'):rep(64) .. i end";
    EXPECT_TRUE(contains(engine.run(runaway).err, "not enough memory"));
    EXPECT_EQ(engine.run("print('after')").out, "after\n") << "the table was dropped with the call";
    // A table kept in a global holds the memory until a reload gives a fresh interpreter.
    engine.run(std::string("grow = {} ") + "local i = 0 while true do i = i + 1 grow[i] = ('x'):rep(64) .. i end");
    const char* const bigString = "local ok, size = pcall(function() return #('y'):rep(2^23) end) print(ok, size, grow)";
    EXPECT_TRUE(contains(engine.run(bigString).out, "false\tnot enough memory\t"));
    engine.reload();
    const test::Printed fresh = engine.run(bigString);
    EXPECT_EQ(fresh.out, "true\t8388608\tnil\n");
    EXPECT_EQ(fresh.err, "");
}
