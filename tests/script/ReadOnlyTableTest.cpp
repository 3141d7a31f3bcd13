#include "script/ReadOnlyTable.hpp"

#include "script/LuaTestEngine.hpp"

#include <gtest/gtest.h>
#include <lua.hpp>

using namespace qel;
using test::LuaTestEngine;

TEST(ReadOnlyTable, IsOneLineOfLua)
{
    EXPECT_EQ(readOnlyTableSource("VideoMode", {{"Text80x25", 0}, {"Text40x25", 1}}),
              "VideoMode = setmetatable({}, {__index = {Text80x25=0,Text40x25=1,},"
              "__newindex = function(table, key, value) error(\"Attempt to modify read-only table\") end,"
              "__metatable = false});");
}

TEST(ReadOnlyTable, ScriptsCanReadButNotChangeTheEnumerations)
{
    LuaTestEngine engine("");
    EXPECT_EQ(engine.run("print(Color.Red, Color.Clear2, Color.Black, Color.Purple, VideoMode.Text40x25, "
                         "DisplayStyle.FullFit)")
                  .out,
              "1\t17\t16\tnil\t1\t2\n");
    const test::Printed assigned = engine.run("Color.Red = 5");
    EXPECT_NE(assigned.err.find("Attempt to modify read-only table\n"), std::string::npos) << assigned.err;
    EXPECT_EQ(engine.run("print(Color.Red, getmetatable(Color), pcall(setmetatable, Color, {}))").out,
              "1\tfalse\tfalse\tcannot change a protected metatable\n");
    EXPECT_EQ(engine.run("print(next(Color), #Color)").out, "nil\t0\n") << "the table itself is empty";
    EXPECT_EQ(engine.run("print(VideoMode.Text80x25, VideoMode.Text40x25, DisplayStyle.Default, "
                         "DisplayStyle.FullFill, DisplayStyle.FullFit)")
                  .out,
              "0\t1\t0\t1\t2\n")
        << "the numbers scripts know the modes and styles by";
}

TEST(ReadOnlyTable, ABrokenKeyIsReportedAndLeavesNoTable)
{
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    bool made = true;
    const test::Printed printed = test::capturePrinted([&] { made = makeReadOnlyTable(L, "Broken", {{"not a name", 1}}); });
    EXPECT_FALSE(made);
    EXPECT_NE(printed.err.find("'}' expected"), std::string::npos) << printed.err;
    EXPECT_EQ(lua_gettop(L), 0) << "the message is taken off the stack";
    lua_close(L);
}
