#include "script/SavedValue.hpp"

#include "script/ScriptBinding.hpp"

#include <lua.hpp>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace qel {

namespace {

// The first line of every saved value, with the format's number.
const std::string_view Header = "qel-saved 1\n";
const std::string_view HeaderStart = "qel-saved ";

enum Tag : unsigned char { Nil, False, True, Number, String, Table };

bool isIdentifier(const char* text, size_t length)
{
    if (length == 0 || (text[0] >= '0' && text[0] <= '9'))
        return false;
    for (size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (!(c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

// The key at index as a step of a path: ".name", "[3]", "[\"two words\"]", "[true]".
std::string pathStep(lua_State* L, int index)
{
    switch (lua_type(L, index)) {
    case LUA_TSTRING: {
        size_t length = 0;
        const char* text = lua_tolstring(L, index, &length);
        if (isIdentifier(text, length))
            return "." + std::string(text, length);
        return "[\"" + std::string(text, std::min<size_t>(length, 40)) + (length > 40 ? "...\"]" : "\"]");
    }
    case LUA_TNUMBER: {
        char text[32];
        std::snprintf(text, sizeof text, "[%.17g]", lua_tonumber(L, index));
        return text;
    }
    case LUA_TBOOLEAN:
        return lua_toboolean(L, index) ? "[true]" : "[false]";
    default:
        return std::string("[") + luaL_typename(L, index) + "]";
    }
}

// Writes a value and what it holds, depth first, raising a script error at the first thing that
// cannot be saved.
class Encoder {
public:
    explicit Encoder(lua_State* L) : L(L) { bytes.append(Header); }

    void value(int index)
    {
        switch (lua_type(L, index)) {
        case LUA_TNIL:
            return put(Nil);
        case LUA_TBOOLEAN:
            return put(lua_toboolean(L, index) ? True : False);
        case LUA_TNUMBER:
            return number(lua_tonumber(L, index));
        case LUA_TSTRING:
            return string(index);
        case LUA_TTABLE:
            return table(index);
        default:
            fail(std::string(" is a ") + luaL_typename(L, index));
        }
    }

    std::string bytes;

private:
    void put(unsigned char byte)
    {
        bytes.push_back(static_cast<char>(byte));
        checkSize();
    }

    void count(uint64_t n)
    {
        do {
            const unsigned char low = n & 0x7F;
            n >>= 7;
            bytes.push_back(static_cast<char>(n ? low | 0x80 : low));
        } while (n);
    }

    void number(lua_Number value)
    {
        put(Number);
        uint64_t pattern;
        std::memcpy(&pattern, &value, sizeof pattern);
        for (int i = 0; i < 8; ++i)
            bytes.push_back(static_cast<char>(pattern >> (8 * i)));
    }

    void string(int index)
    {
        size_t length = 0;
        const char* text = lua_tolstring(L, index, &length);
        put(String);
        count(length);
        if (length > SavedValue::MostBytes)
            tooLarge();
        bytes.append(text, length);
        checkSize();
    }

    // Counts the entries first: the count goes before them.
    void table(int index)
    {
        const int table = lua_absindex(L, index);
        const void* identity = lua_topointer(L, table);
        for (const void* open : openTables)
            if (open == identity)
                fail(" is a table that holds itself (a cycle)");
        if (static_cast<int>(openTables.size()) >= SavedValue::MostDepth)
            fail(" is nested more than " + std::to_string(SavedValue::MostDepth) + " tables deep");
        luaL_checkstack(L, 4, "saving a deep value");
        uint64_t entries = 0;
        lua_pushnil(L); /* first key */
        while (lua_next(L, table)) { /* key, value */
            ++entries;
            lua_pop(L, 1); /* key */
        }
        put(Table);
        count(entries);
        openTables.push_back(identity);
        lua_pushnil(L);
        while (lua_next(L, table)) { /* key, value */
            if (lua_type(L, -2) != LUA_TSTRING && lua_type(L, -2) != LUA_TNUMBER && lua_type(L, -2) != LUA_TBOOLEAN)
                fail(std::string(" has a key that is a ") + luaL_typename(L, -2));
            path.push_back(pathStep(L, -2));
            value(-2);
            value(-1);
            path.pop_back();
            lua_pop(L, 1); /* key */
        }
        openTables.pop_back();
    }

    void checkSize()
    {
        if (bytes.size() > SavedValue::MostBytes)
            tooLarge();
    }

    [[noreturn]] void tooLarge() { methodError(L, "the value takes more than 16 MB"); }

    [[noreturn]] void fail(const std::string& what)
    {
        std::string where = "value";
        for (const std::string& step : path)
            where += step;
        methodError(L, "%s", (where + what).c_str());
    }

    lua_State* L;
    std::vector<std::string> path;
    std::vector<const void*> openTables;
};

// Reads a value back, pushing it, with every count checked against the bytes left before
// anything is made.
class Decoder {
public:
    Decoder(lua_State* L, std::string_view bytes) : L(L), next(bytes.data()), end(bytes.data() + bytes.size()) {}

    // Pushes the value; false with error set, the stack as it was, at the first fault.
    bool value(int depth)
    {
        if (next == end)
            return fail("it is cut short");
        switch (static_cast<unsigned char>(*next++)) {
        case Nil:
            lua_pushnil(L);
            return true;
        case False:
        case True:
            lua_pushboolean(L, next[-1] == True);
            return true;
        case Number:
            return number();
        case String:
            return string();
        case Table:
            return table(depth + 1);
        default:
            return fail("it holds a value of no known kind");
        }
    }

    bool atEnd() const { return next == end; }

    std::string error;

private:
    bool fail(const char* why)
    {
        error = why;
        return false;
    }

    bool count(uint64_t& n)
    {
        n = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (next == end)
                return fail("it is cut short");
            const unsigned char byte = static_cast<unsigned char>(*next++);
            n |= static_cast<uint64_t>(byte & 0x7F) << shift;
            if (!(byte & 0x80))
                return true;
        }
        return fail("it holds a count too large to be one");
    }

    std::size_t left() const { return static_cast<std::size_t>(end - next); }

    bool number()
    {
        if (left() < 8)
            return fail("it is cut short");
        uint64_t pattern = 0;
        for (int i = 0; i < 8; ++i)
            pattern |= static_cast<uint64_t>(static_cast<unsigned char>(*next++)) << (8 * i);
        lua_Number value;
        std::memcpy(&value, &pattern, sizeof value);
        lua_pushnumber(L, value);
        return true;
    }

    bool string()
    {
        uint64_t length;
        if (!count(length))
            return false;
        if (length > left())
            return fail("it is cut short");
        lua_pushlstring(L, next, static_cast<size_t>(length));
        next += length;
        return true;
    }

    // Each entry takes two bytes at least, so the count cannot promise more than the bytes hold.
    bool table(int depth)
    {
        if (depth > SavedValue::MostDepth)
            return fail("it holds tables nested more than 100 deep");
        uint64_t entries;
        if (!count(entries))
            return false;
        if (entries > left() / 2)
            return fail("it is cut short");
        if (!lua_checkstack(L, 4))
            return fail("it is nested too deep to read");
        lua_newtable(L); /* table */
        for (uint64_t i = 0; i < entries; ++i) {
            // A fault leaves the stack for decode to clear.
            if (!value(depth) || !key() || !value(depth) || !entryValue())
                return false;
            lua_rawset(L, -3); /* table */
        }
        return true;
    }

    // The key on top of the stack, of a table below it: one a table can have, not there yet.
    bool key()
    {
        const int type = lua_type(L, -1);
        if (!(type == LUA_TSTRING || type == LUA_TBOOLEAN || (type == LUA_TNUMBER && !std::isnan(lua_tonumber(L, -1)))))
            return fail("it holds a key that no table can have");
        lua_pushvalue(L, -1); /* table, key, key */
        lua_rawget(L, -3);    /* table, key, held */
        const bool held = !lua_isnil(L, -1);
        lua_pop(L, 1); /* table, key */
        return held ? fail("it holds a table with the same key twice") : true;
    }

    // Saving never writes an entry that holds nil, so that no key can hide a second time
    // behind one.
    bool entryValue() { return lua_isnil(L, -1) ? fail("it holds a table entry without a value") : true; }

    lua_State* L;
    const char* next;
    const char* end;
};

} // namespace

std::string SavedValue::encode(lua_State* L, int index)
{
    Encoder encoder(L);
    encoder.value(lua_absindex(L, index));
    return std::move(encoder.bytes);
}

bool SavedValue::decode(lua_State* L, std::string_view bytes, std::string& error)
{
    if (bytes.substr(0, HeaderStart.size()) != HeaderStart) {
        error = "it is not saved data";
        return false;
    }
    if (bytes.substr(0, Header.size()) != Header) {
        error = "it was saved in a format this engine does not know";
        return false;
    }
    const int top = lua_gettop(L);
    Decoder decoder(L, bytes.substr(Header.size()));
    if (decoder.value(0) && decoder.atEnd())
        return true;
    error = decoder.error.empty() ? "it holds bytes after its value" : decoder.error;
    lua_settop(L, top);
    return false;
}

} // namespace qel
