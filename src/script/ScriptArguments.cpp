#include "script/ScriptArguments.hpp"

#include "script/ScriptBinding.hpp"

#include <algorithm>

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
    return static_cast<uint8_t>(readInteger(L, index));
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

std::string readTextOption(lua_State* L, int index, std::string_view option)
{
    if (!hasText(L, index))
        methodError(L, "option '%s' must be a string or a number, not %s", std::string(option).c_str(),
                    luaL_typename(L, index));
    return textAt(L, index);
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
