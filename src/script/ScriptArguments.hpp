#pragma once

#include <lua.hpp>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace qel {

// Readers for the arguments and option values of script methods. They read leniently, as the
// scripts expect: a value that is no number (and no numeric string) reads as 0, and a switch
// follows Lua truth (only nil and false are false). Text is the exception: a value that is
// neither a string nor a number has no text, and raising a script error that names the method
// and the argument or option is kinder than guessing one. What they read leniently but is
// likely a mistake (an option of the wrong type, a number that is not in its table, an
// enumeration argument or option table of the wrong type) gets a warning line (methodWarning),
// and is read as before.

// Truncated toward zero, cut to 32 bits.
int readInteger(lua_State* L, int index);
lua_Number readNumber(lua_State* L, int index);
// A colour index: the integer's low 8 bits. Warns about a number that is not in the Color table.
uint8_t readColour(lua_State* L, int index);
bool readSwitch(lua_State* L, int index);
// UTF-8 bytes, or the text form of a number.
std::string readText(lua_State* L, int index);

// The same readers for the value of a named option, warning about a value of the wrong type.
int readIntegerOption(lua_State* L, int index, std::string_view option);
uint8_t readColourOption(lua_State* L, int index, std::string_view option);
bool readSwitchOption(lua_State* L, int index, std::string_view option);
std::string readTextOption(lua_State* L, int index, std::string_view option);

// One of the read-only number tables that scripts name values by, such as Color or VideoMode.
// Its numbers run from first to last.
struct NumberTable {
    const char* name;
    // What a value is called in a warning: "colour", "video mode".
    const char* valueName;
    int last;
    int first = 0;
};

// The Color table's last number, Clear2; LuaScreenBuffer holds it to the Color enum.
constexpr int LastColour = 17;
inline constexpr NumberTable ColorTable{"Color", "colour", LastColour};

// Reads as readInteger does; warns about a value that is not a number in the table.
int readTableNumber(lua_State* L, int index, const NumberTable& table);
// The number when it is one of the table's; otherwise nothing, and the same warning.
std::optional<int> readTableEntry(lua_State* L, int index, const NumberTable& table);

// Whole numbers from first to last that no table names, such as a pad's number.
struct NumberRange {
    // What a value is called in a warning: "pad", "button".
    const char* valueName;
    int first;
    int last;
};

// The number when it is one in the range; otherwise nothing, and a warning about a value that
// is no number or not in the range.
std::optional<int> readRangeEntry(lua_State* L, int index, const NumberRange& range);

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
        position.x = readIntegerOption(L, value, name);
    else if (name == "y")
        position.y = readIntegerOption(L, value, name);
    else
        return false;
    return true;
}

// "width" and "height" and the position, into anything with int members x, y, width and height.
template <class Rect>
bool readRect(lua_State* L, std::string_view name, int value, Rect& rect)
{
    if (name == "width")
        rect.width = readIntegerOption(L, value, name);
    else if (name == "height")
        rect.height = readIntegerOption(L, value, name);
    else
        return readPosition(L, name, value, rect);
    return true;
}

// "color" and "background", into anything with colour bytes foreground and background.
template <class Colours>
bool readColours(lua_State* L, std::string_view name, int value, Colours& colours)
{
    if (name == "color")
        colours.foreground = readColourOption(L, value, name);
    else if (name == "background")
        colours.background = readColourOption(L, value, name);
    else
        return false;
    return true;
}

// Warns that the running method has no option of this name.
void warnUnknownOption(lua_State* L, std::string_view option);
// Warns that the argument at index, which is no table, cannot hold options; a call without it
// takes the defaults, and is no mistake.
void warnNotOptions(lua_State* L, int index);

// Calls visit(name, valueIndex) for every entry of the option table at index whose key is a
// string, with the value on top of the stack; visit says whether the method knows the option,
// and an unknown one is warned about. Other keys are skipped: reading them as text would change
// them in place and break the traversal. A value that is not a table holds no options, and is
// warned about unless the call left it out.
template <class Visit>
void forEachOption(lua_State* L, int index, Visit visit)
{
    if (!lua_istable(L, index)) {
        warnNotOptions(L, index);
        return;
    }
    const int table = lua_absindex(L, index);
    lua_pushnil(L); /* first key */
    while (lua_next(L, table)) { /* key, value */
        if (lua_type(L, -2) == LUA_TSTRING) {
            const std::string_view name(lua_tostring(L, -2));
            if (!visit(name, lua_gettop(L)))
                warnUnknownOption(L, name);
        }
        lua_pop(L, 1); /* key */
    }
}

} // namespace qel
