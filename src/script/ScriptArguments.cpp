#include "script/ScriptArguments.hpp"

#include "script/ScriptBinding.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace qel {

namespace {

bool hasText(lua_State* L, int index)
{
    const int type = lua_type(L, index);
    return type == LUA_TSTRING || type == LUA_TNUMBER;
}

// The text at index, which hasText accepted.
std::string textAt(lua_State* L, int index)
{
    size_t length = 0;
    const char* text = lua_tolstring(L, index, &length);
    return std::string(text, length);
}

// A warning quotes this much of a string at most.
constexpr std::size_t LongestQuotedText = 40;

// The value at index as a warning names it: "nil", "the string "big"", "a table".
std::string describeValue(lua_State* L, int index)
{
    switch (lua_type(L, index)) {
    case LUA_TNONE:
        return "missing";
    case LUA_TNIL:
        return "nil";
    case LUA_TSTRING:
        return "the string \"" + textAt(L, index).substr(0, LongestQuotedText) + "\"";
    case LUA_TNUMBER: {
        // A copy, which lua_tostring may turn into a string, keeps the argument a number.
        lua_pushvalue(L, index); /* ..., copy */
        const std::string number = lua_tostring(L, -1);
        lua_pop(L, 1); /* ... */
        return "the number " + number;
    }
    }
    return std::string("a ") + luaL_typename(L, index);
}

void warnUnlessNumber(lua_State* L, int index, std::string_view option)
{
    if (!lua_isnumber(L, index))
        methodWarning(L, "option \"%s\" is a %s, not a number", std::string(option).c_str(), luaL_typename(L, index));
}

bool isWholeFrom(lua_Number number, int first, int last)
{
    return number >= first && number <= last && number == std::floor(number);
}

bool isInTable(lua_Number number, const NumberTable& table)
{
    return isWholeFrom(number, table.first, table.last);
}

// Warns about a number, or numeric string, that is not in the table; whether the value is a
// number in it.
bool checkInTable(lua_State* L, int index, const NumberTable& table)
{
    int isNumber = 0;
    const lua_Number number = lua_tonumberx(L, index, &isNumber);
    if (!isNumber)
        return false;
    if (isInTable(number, table))
        return true;
    methodWarning(L, "%s %f is not in the %s table", table.valueName, number, table.name);
    return false;
}

// Warns about an argument that is not a number or not in the table; whether it is a number in it.
bool checkTableArgument(lua_State* L, int index, const NumberTable& table)
{
    if (lua_type(L, index) == LUA_TNUMBER)
        return checkInTable(L, index, table);
    methodWarning(L, "argument %d is %s, not a number from the %s table", index, describeValue(L, index).c_str(),
                  table.name);
    return false;
}

} // namespace

int readInteger(lua_State* L, int index)
{
    return static_cast<int>(lua_tointegerx(L, index, nullptr));
}

lua_Number readNumber(lua_State* L, int index)
{
    return lua_tonumberx(L, index, nullptr);
}

uint8_t readColour(lua_State* L, int index)
{
    return static_cast<uint8_t>(readTableNumber(L, index, ColorTable));
}

bool readSwitch(lua_State* L, int index)
{
    return lua_toboolean(L, index);
}

std::string readText(lua_State* L, int index)
{
    if (!hasText(L, index))
        methodError(L, "argument %d must be a string or a number, not %s", index, luaL_typename(L, index));
    return textAt(L, index);
}

int readIntegerOption(lua_State* L, int index, std::string_view option)
{
    warnUnlessNumber(L, index, option);
    return readInteger(L, index);
}

uint8_t readColourOption(lua_State* L, int index, std::string_view option)
{
    warnUnlessNumber(L, index, option);
    checkInTable(L, index, ColorTable);
    return static_cast<uint8_t>(readInteger(L, index));
}

// Lua truth reads every value; only a boolean or nil was meant as a switch.
bool readSwitchOption(lua_State* L, int index, std::string_view option)
{
    const int type = lua_type(L, index);
    if (type != LUA_TBOOLEAN && type != LUA_TNIL)
        methodWarning(L, "option \"%s\" is a %s, not a boolean", std::string(option).c_str(), luaL_typename(L, index));
    return readSwitch(L, index);
}

std::string readTextOption(lua_State* L, int index, std::string_view option)
{
    if (!hasText(L, index))
        methodError(L, "option '%s' must be a string or a number, not %s", std::string(option).c_str(),
                    luaL_typename(L, index));
    return textAt(L, index);
}

int readTableNumber(lua_State* L, int index, const NumberTable& table)
{
    checkTableArgument(L, index, table);
    return readInteger(L, index);
}

std::optional<int> readTableEntry(lua_State* L, int index, const NumberTable& table)
{
    if (!checkTableArgument(L, index, table))
        return std::nullopt;
    return readInteger(L, index);
}

std::optional<int> readRangeEntry(lua_State* L, int index, const NumberRange& range)
{
    if (lua_type(L, index) != LUA_TNUMBER) {
        methodWarning(L, "argument %d is %s, not a %s number from %d to %d", index, describeValue(L, index).c_str(),
                      range.valueName, range.first, range.last);
        return std::nullopt;
    }
    const lua_Number number = lua_tonumber(L, index);
    if (isWholeFrom(number, range.first, range.last))
        return static_cast<int>(number);
    methodWarning(L, "%s number %f is not from %d to %d", range.valueName, number, range.first, range.last);
    return std::nullopt;
}

void warnUnknownOption(lua_State* L, std::string_view option)
{
    methodWarning(L, "unknown option \"%s\"", std::string(option).c_str());
}

void warnNotOptions(lua_State* L, int index)
{
    if (!lua_isnone(L, index))
        methodWarning(L, "argument %d is %s, not a table of options", lua_absindex(L, index),
                      describeValue(L, index).c_str());
}

int lastArgument(lua_State* L)
{
    return std::max(lua_gettop(L), 1);
}

bool oneOf(std::string_view name, std::initializer_list<std::string_view> names)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

int pushBoolean(lua_State* L, bool value)
{
    lua_pushboolean(L, value);
    return 1;
}

int pushInteger(lua_State* L, lua_Integer value)
{
    lua_pushinteger(L, value);
    return 1;
}

int pushNumber(lua_State* L, lua_Number value)
{
    lua_pushnumber(L, value);
    return 1;
}

} // namespace qel
