#include "script/ScriptBinding.hpp"

#include <cstdarg>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace qel {

namespace {

// Script methods run on the main thread only, one inside the other at most.
RunningMethod* innermost = nullptr;

// The warning lines printed so far: each is printed once. A script that misuses calls with ever
// new values (a loop passing colour i) would grow the list without end, so after this many the
// engine says so and stops.
constexpr std::size_t MostWarnings = 1000;

std::unordered_set<std::string>& printedWarnings()
{
    static std::unordered_set<std::string> lines;
    return lines;
}

struct ObjectRecord {
    const char* className;
    void* wrapper;
    ScriptObjects::Destroy destroy;
    // The allocator's user data of the interpreter that made the object.
    const void* owner;
};

std::unordered_map<const void*, ObjectRecord>& records()
{
    static std::unordered_map<const void*, ObjectRecord> table;
    return table;
}

// The record of the full userdata at index, if the binding made it. Its block must still hold
// the wrapper pointer the record names (null once destroyed): a block that the collector freed
// without finalizing it leaves a stale record, and another userdata may take its address.
// The size is checked first, so that no smaller block is read past its end.
ObjectRecord* recordAt(lua_State* L, int index)
{
    if (lua_type(L, index) != LUA_TUSERDATA || lua_rawlen(L, index) != sizeof(void*))
        return nullptr;
    void* block = lua_touserdata(L, index);
    const auto found = records().find(block);
    if (found == records().end() || *static_cast<void**>(block) != found->second.wrapper)
        return nullptr;
    return &found->second;
}

const void* ownerOf(lua_State* L)
{
    void* owner = nullptr;
    lua_getallocf(L, &owner);
    return owner;
}

} // namespace

RunningMethod::RunningMethod(lua_State* thread, const char* className, const char* methodName)
    : previous(innermost), runningThread(thread), className(className), methodName(methodName)
{
    innermost = this;
}

RunningMethod::~RunningMethod()
{
    innermost = previous;
}

lua_State* RunningMethod::thread()
{
    return innermost ? innermost->runningThread : nullptr;
}

bool RunningMethod::errorPending()
{
    return innermost && innermost->pendingError != 0;
}

void RunningMethod::deferError(lua_State* L)
{
    if (innermost->pendingError == 0)
        innermost->pendingError = lua_gettop(L);
    else
        lua_pop(L, 1);
}

// The method may have pushed results above the error, but never takes values off the stack
// below its own pushes; the check keeps a method that did so from raising a wrong value.
void RunningMethod::raisePendingError(lua_State* L) const
{
    if (pendingError == 0)
        return;
    if (pendingError > lua_gettop(L))
        luaL_error(L, "%s.%s: a script function that it called failed", className, methodName);
    lua_pushvalue(L, pendingError);
    lua_error(L);
}

// Pushes where the script called the running method and the method's name, as in
// "scripts/game.lua:12: LuaCore.exit: ". /* ..., place */
void pushMethodPlace(lua_State* L)
{
    luaL_where(L, 1); /* where the script called */
    if (innermost)
        lua_pushfstring(L, "%s.%s: ", innermost->className, innermost->methodName);
    else
        lua_pushliteral(L, "");
    lua_concat(L, 2);
}

void methodError(lua_State* L, const char* format, ...)
{
    pushMethodPlace(L);
    va_list arguments;
    va_start(arguments, format);
    lua_pushvfstring(L, format, arguments); /* place, message */
    va_end(arguments);
    lua_concat(L, 2); /* full message */
    lua_error(L);
    // lua_error unwinds to the enclosing protected call and never comes back.
    std::abort();
}

void methodWarning(lua_State* L, const char* format, ...)
{
    pushMethodPlace(L);
    lua_pushliteral(L, "warning: ");
    va_list arguments;
    va_start(arguments, format);
    lua_pushvfstring(L, format, arguments); /* place, "warning: ", message */
    va_end(arguments);
    lua_concat(L, 3); /* full line */
    size_t length = 0;
    const char* text = lua_tolstring(L, -1, &length);
    const std::string line(text, length);
    lua_pop(L, 1);
    std::unordered_set<std::string>& printed = printedWarnings();
    if (printed.size() >= MostWarnings || !printed.insert(line).second)
        return;
    std::fprintf(stderr, "%s\n", line.c_str());
    if (printed.size() == MostWarnings)
        std::fprintf(stderr, "qel: %zu warnings printed; no more are\n", MostWarnings);
}

void checkRegisteredMetatable(lua_State* L, const char* className, int metatable)
{
    metatable = lua_absindex(L, metatable);
    lua_pushstring(L, className);
    lua_rawget(L, LUA_REGISTRYINDEX); /* ..., entry */
    const bool own = lua_istable(L, metatable) && lua_rawequal(L, -1, metatable);
    if (!own)
        luaL_error(L, "%s: the class's metatable in the registry was replaced by a %s value", className,
                   luaL_typename(L, -1));
    lua_pop(L, 1);
}

// A new block at the address of a stale record means that the old block is gone, and with it
// any way to reach its wrapper.
void ScriptObjects::add(lua_State* L, void* block, const char* className, void* wrapper, Destroy destroy)
{
    const auto [found, added] = records().try_emplace(block, ObjectRecord{className, wrapper, destroy, ownerOf(L)});
    if (added)
        return;
    if (found->second.wrapper)
        found->second.destroy(found->second.wrapper);
    found->second = ObjectRecord{className, wrapper, destroy, ownerOf(L)};
}

void* ScriptObjects::wrapper(lua_State* L, int index, const char* className)
{
    const ObjectRecord* record = recordAt(L, index);
    return record && record->className == className ? record->wrapper : nullptr;
}

bool ScriptObjects::isOwn(lua_State* L, int index, const char* className)
{
    const ObjectRecord* record = recordAt(L, index);
    return record && record->className == className;
}

// The collector stops itself while it runs a finalizer. A call made while it runs anyway is a
// script's own call of the finalizer by name: that object stays known, emptied, until the
// collector finalizes it.
int ScriptObjects::collect(lua_State* L)
{
    ObjectRecord* record = recordAt(L, 1);
    if (!record)
        return 0;
    void* block = lua_touserdata(L, 1);
    if (record->wrapper) {
        record->destroy(record->wrapper);
        record->wrapper = nullptr;
        *static_cast<void**>(block) = nullptr;
    }
    if (lua_gc(L, LUA_GCISRUNNING, 0) == 0)
        records().erase(block);
    return 0;
}

void ScriptObjects::destroyAll(const void* owner)
{
    for (auto it = records().begin(); it != records().end();) {
        if (it->second.owner != owner) {
            ++it;
            continue;
        }
        if (it->second.wrapper)
            it->second.destroy(it->second.wrapper);
        it = records().erase(it);
    }
}

} // namespace qel
