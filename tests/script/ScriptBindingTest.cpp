#include "script/ScriptBinding.hpp"

#include "script/LuaTestEngine.hpp"

#include <gtest/gtest.h>

#include <regex>

using namespace qel;
using test::LuaTestEngine;

namespace {

const char* const withObjects = "core = LuaCore(gCore) screen = LuaScreenBuffer(gScreenBuffer)";

} // namespace

TEST(ScriptBinding, ObjectsDescribeAndCompareThemselves)
{
    LuaTestEngine engine(withObjects);
    const std::string described = engine.run("print(tostring(core))").out;
    EXPECT_TRUE(std::regex_match(described, std::regex("LuaCore \\(0x[0-9a-f]+\\)\n"))) << described;
    EXPECT_EQ(engine.run("print(core == LuaCore(gCore), core == core, core.instance() == gCore)").out,
              "false\ttrue\ttrue\n");
    EXPECT_EQ(engine.run("print(core.getVideoMode == core.getVideoMode, core.getVideoMode(), core.getVideoMode())").out,
              "false\t0\t0\n")
        << "every lookup makes a new closure";
    EXPECT_EQ(engine.run("print(LuaUtils(gUtils).hash('a'), core.nothing)").out, "97\tnil\n");
}

TEST(ScriptBinding, MethodsNamePositionsInTheRegisteredMetatable)
{
    LuaTestEngine engine(withObjects);
    EXPECT_EQ(engine.run("local mt = getmetatable(core) "
                         "print(mt == debug.getregistry().LuaCore, mt.instance, mt.exit, mt.getWallpaper, "
                         "getmetatable(screen).put, core.__index == mt.__index)")
                  .out,
              "true\t256\t258\t266\t264\ttrue\n");
}

TEST(ScriptBinding, AssignmentsAreRefusedForMethodsAndDroppedOtherwise)
{
    LuaTestEngine engine(withObjects);
    EXPECT_EQ(engine.run("core.exit = nil").err, "scripts/snippet.lua:1: Trying to set the method [exit] of class [LuaCore]\n");
    EXPECT_EQ(engine.run("core.foo = 1 print(core.foo)").out, "nil\n");
    EXPECT_EQ(engine.run("print(type(core.exit))").out, "function\n") << "the refused assignment left the method";
}

TEST(ScriptBinding, ObjectsWithoutTheirEngineObjectRaiseScriptErrors)
{
    LuaTestEngine engine(withObjects);
    EXPECT_EQ(engine.run("LuaCore().exit(5)").err, "scripts/snippet.lua:1: LuaCore.exit: no object given\n");
    EXPECT_EQ(engine.run("LuaCore(gScreenBuffer).exit(5)").err,
              "scripts/snippet.lua:1: LuaCore.exit: the object given is of another class or no longer exists\n");
    EXPECT_EQ(engine.run("print(LuaCore().instance(), LuaCore(gScreenBuffer).instance())").out, "nil\tnil\n");
    EXPECT_TRUE(engine.core().getWindow()->isOpen());
}

TEST(ScriptBinding, ClosuresOutliveTheirObjectsSafely)
{
    LuaTestEngine engine(withObjects);
    EXPECT_EQ(engine.run("local f = LuaCore(gCore).getVideoMode collectgarbage() collectgarbage() print(f())").out,
              "0\n");

    // The collector function can be reached by name and called on a living object.
    EXPECT_EQ(engine.run("local f = core.getVideoMode core.__gc(core) print(tostring(core)) f()").err,
              "scripts/snippet.lua:1: LuaCore.getVideoMode: object no longer exists\n");
    EXPECT_EQ(engine.run("print(tostring(core)) collectgarbage()").out, "Empty object\n");
    EXPECT_EQ(engine.run("screen.__gc(io.stdout) io.stdout:write('still a file\\n')").out, "still a file\n");
}

TEST(ScriptBinding, TamperedMetatablesAndForeignClosuresAreRefused)
{
    LuaTestEngine engine(withObjects);
    EXPECT_EQ(engine.run("getmetatable(core).exit = 9999 core.exit(1)").err,
              "scripts/snippet.lua:1: LuaCore: not a method of this class\n");
    EXPECT_EQ(engine.run("\nlocal put = core.__index(screen, 'put') put({})").err,
              "scripts/snippet.lua:2: LuaCore: not a method of this class\n");
    EXPECT_TRUE(engine.core().getWindow()->isOpen());
}
