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
