#include "script/ScriptArguments.hpp"

#include "script/ScriptBinding.hpp"

#include <algorithm>
#include <cmath>

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

void warnUnlessNumber(lua_State* L, int index, std::string_view option)
{
    if (!lua_isnumber(L, index))
        methodWarning(L, "option \"%s\" is a %s, not a number", std::string(option).c_str(), luaL_typename(L, index));
}

bool isInTable(lua_Number number, const NumberTable& table)
{
    return number >= 0 && number <= table.last && number == std::floor(number);
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
    return readColour(L, index);
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
    int isNumber = 0;
    const lua_Number number = lua_tonumberx(L, index, &isNumber);
    if (isNumber && !isInTable(number, table))
        methodWarning(L, "%s %f is not in the %s table", table.valueName, number, table.name);
    return readInteger(L, index);
}

void warnUnknownOption(lua_State* L, std::string_view option)
{
    methodWarning(L, "unknown option \"%s\"", std::string(option).c_str());
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
