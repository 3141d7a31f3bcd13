#pragma once

#include <lua.hpp>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace qel {

// Readers for the arguments and option values of script methods. They read leniently, as the
// scripts expect: a value that is no number (and no numeric string) reads as 0, and a switch
// follows Lua truth (only nil and false are false). Text is the exception: a value that is
// neither a string nor a number has no text, and raising a script error that names the method
// and the argument or option is kinder than guessing one.

// Truncated toward zero, cut to 32 bits.
int readInteger(lua_State* L, int index);
lua_Number readNumber(lua_State* L, int index);
// A colour index: the integer's low 8 bits.
uint8_t readColour(lua_State* L, int index);
bool readSwitch(lua_State* L, int index);
// UTF-8 bytes, or the text form of a number.
std::string readText(lua_State* L, int index);
std::string readTextOption(lua_State* L, int index, std::string_view option);

// Where a method reads a value that may come after the object in a colon call: the last
// argument. With no arguments, a position that reads as none.
int lastArgument(lua_State* L);

bool oneOf(std::string_view name, std::initializer_list<std::string_view> names);

// Pushers for method results; each pushes one value and returns 1, the count of results.
int pushBoolean(lua_State* L, bool value);
int pushInteger(lua_State* L, lua_Integer value);
int pushNumber(lua_State* L, lua_Number value);

// Readers of the options that methods of several classes share. Each takes the option at value
// when the name is one of its own and says whether it was.

// "x" and "y", into anything with int members x and y.
template <class Point>
bool readPosition(lua_State* L, std::string_view name, int value, Point& position)
{
    if (name == "x")
        position.x = readInteger(L, value);
    else if (name == "y")
        position.y = readInteger(L, value);
    else
        return false;
    return true;
}

// "width" and "height" and the position, into anything with int members x, y, width and height.
template <class Rect>
bool readRect(lua_State* L, std::string_view name, int value, Rect& rect)
{
    if (name == "width")
        rect.width = readInteger(L, value);
    else if (name == "height")
        rect.height = readInteger(L, value);
    else
        return readPosition(L, name, value, rect);
    return true;
}

// "color" and "background", into anything with colour bytes foreground and background.
template <class Colours>
bool readColours(lua_State* L, std::string_view name, int value, Colours& colours)
{
    if (name == "color")
        colours.foreground = readColour(L, value);
    else if (name == "background")
        colours.background = readColour(L, value);
    else
        return false;
    return true;
}

// Calls visit(name, valueIndex) for every entry of the option table at index whose key is a
// string, with the value on top of the stack. Other keys are skipped: reading them as text would
// change them in place and break the traversal. A value that is not a table holds no options.
template <class Visit>
void forEachOption(lua_State* L, int index, Visit visit)
{
    if (!lua_istable(L, index))
        return;
    const int table = lua_absindex(L, index);
    lua_pushnil(L); /* first key */
    while (lua_next(L, table)) { /* key, value */
        if (lua_type(L, -2) == LUA_TSTRING)
            visit(std::string_view(lua_tostring(L, -2)), lua_gettop(L));
        lua_pop(L, 1); /* key */
    }
}

} // namespace qel
