#include "script/ScriptArguments.hpp"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

using namespace qel;

namespace {

using Interpreter = std::unique_ptr<lua_State, decltype(&lua_close)>;

Interpreter newInterpreter()
{
    return Interpreter(luaL_newstate(), &lua_close);
}

} // namespace

TEST(ScriptArguments, ReadLenientlyAsScriptsExpect)
{
    Interpreter interpreter = newInterpreter();
    lua_State* L = interpreter.get();
    EXPECT_EQ(lastArgument(L), 1) << "no arguments: a place that reads as none";
    lua_pushnumber(L, -3.9);
    lua_pushstring(L, "12");
    lua_pushstring(L, "abc");
    lua_pushnil(L);
    lua_pushinteger(L, 0x1FF);
    lua_pushinteger(L, 0);

    EXPECT_EQ(readInteger(L, 1), -3) << "truncated toward zero";
    EXPECT_EQ(readInteger(L, 2), 12);
    EXPECT_EQ(readInteger(L, 3), 0);
    EXPECT_EQ(readInteger(L, 4), 0);
    EXPECT_DOUBLE_EQ(readNumber(L, 1), -3.9);
    EXPECT_DOUBLE_EQ(readNumber(L, 3), 0.0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(readColour(L, 5), 0xFF) << "the low 8 bits";
    EXPECT_NE(testing::internal::GetCapturedStderr().find("colour 511 is not in the Color table"), std::string::npos);
    EXPECT_FALSE(readSwitch(L, 4));
    EXPECT_TRUE(readSwitch(L, 6)) << "0 is true in Lua";
    EXPECT_EQ(readText(L, 2), "12");
    EXPECT_EQ(lastArgument(L), 6);
}

TEST(ScriptArguments, OptionWalkVisitsNamedEntriesOnly)
{
    Interpreter interpreter = newInterpreter();
    lua_State* L = interpreter.get();
    ASSERT_EQ(luaL_dostring(L, "return {x = 1, 'array item', [2.5] = 3, [true] = 4, y = '2'}"), LUA_OK);
    std::map<std::string, int> seen;
    forEachOption(L, -1, [&](std::string_view name, int value) {
        seen[std::string(name)] = readInteger(L, value);
        return true;
    });
    EXPECT_EQ(seen, (std::map<std::string, int>{{"x", 1}, {"y", 2}}));
    EXPECT_EQ(lua_gettop(L), 1) << "the walk leaves the stack as it found it";

    lua_pushinteger(L, 5);
    forEachOption(L, -1, [&](std::string_view, int) {
        ADD_FAILURE() << "a number holds no options";
        return true;
    });
    EXPECT_TRUE(oneOf("lineWrap", {"wrap", "lineWrap"}));
    EXPECT_FALSE(oneOf("Wrap", {"wrap", "lineWrap"}));
}
