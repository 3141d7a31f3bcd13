#pragma once

#include "script/LiveObjects.hpp"

#include <lua.hpp>

#include <memory>

namespace qel {

// One entry of a script class's method table; the table ends with an entry whose name is null.
template <class Wrapper>
struct ScriptMethod {
    const char* name;
    int (Wrapper::*function)(lua_State* L);
};

// Raises a script error that names the place in the script and the running method, as in
// "scripts/game.lua:12: LuaCore.exit: object no longer exists". Formats like lua_pushfstring.
[[noreturn]] void methodError(lua_State* L, const char* format, ...);

// Names the script method being run, and the Lua thread that runs it, for as long as it runs:
// errors about its object and its arguments can then say where they come from, and script code
// that the engine calls back meanwhile runs on that thread. Script errors unwind through it.
class RunningMethod {
public:
    RunningMethod(lua_State* thread, const char* className, const char* methodName);
    ~RunningMethod();
    RunningMethod(const RunningMethod&) = delete;
    RunningMethod& operator=(const RunningMethod&) = delete;

    // The thread of the innermost method running; null when none runs.
    static lua_State* thread();

private:
    const RunningMethod* previous;
    lua_State* runningThread;
    const char* className;
    const char* methodName;

    friend void methodError(lua_State* L, const char* format, ...);
};

// The engine object behind a script object. The pointer is checked against the live objects at
// every use, so a script object whose engine object is gone, or was never given, raises a script
// error instead of reaching freed or null memory.
template <class Engine>
class EngineObject {
public:
    // Takes the pointer from stack position 1, where the class constructor's argument stands.
    explicit EngineObject(lua_State* L)
        : pointer(lua_touserdata(L, 1)), serial(LiveObjects::serialOf<Engine>(pointer))
    {
    }

    // The engine object, or a script error naming the running method.
    Engine& live(lua_State* L) const
    {
        if (Engine* object = get())
            return *object;
        if (!pointer)
            methodError(L, "no object given");
        if (serial == LiveObjects::None)
            methodError(L, "the object given is of another class or no longer exists");
        methodError(L, "object no longer exists");
    }

    // Pushes the engine object as a light userdata, or nil when there is none; one result.
    int pushInstance(lua_State* L) const
    {
        if (Engine* object = get())
            lua_pushlightuserdata(L, object);
        else
            lua_pushnil(L);
        return 1;
    }

private:
    Engine* get() const
    {
        const bool live = serial != LiveObjects::None && LiveObjects::serialOf<Engine>(pointer) == serial;
        return live ? static_cast<Engine*>(pointer) : nullptr;
    }

    void* pointer;
    LiveObjects::Serial serial;
};

// Makes a wrapper class a script class: a global constructor named after the class, and a
// metatable kept in the registry under the same name whose metamethods hand out method closures.
// A wrapper supplies:
//   static const char* const className;
//   static const ScriptMethod<Wrapper> methods[];   ended by {nullptr, nullptr}
//   explicit Wrapper(lua_State* L);                 reads the constructor's argument at position 1
// Scripts call methods with a dot: a closure does not pass its object, so a method reads the
// call's own arguments from stack position 1 and returns how many results it pushed.
template <class Wrapper>
class ScriptBinding {
public:
    static void registerClass(lua_State* L)
    {
        lua_pushcfunction(L, construct);
        lua_setglobal(L, Wrapper::className);
        luaL_newmetatable(L, Wrapper::className); /* metatable */
        setFunction(L, "__gc", collect);
        setFunction(L, "__tostring", describe);
        setFunction(L, "__eq", equal);
        setFunction(L, "__index", lookUp);
        setFunction(L, "__newindex", assign);
        for (lua_Integer position = 0; Wrapper::methods[position].name; ++position) {
            lua_pushstring(L, Wrapper::methods[position].name);
            lua_pushnumber(L, static_cast<lua_Number>(position + MethodBit));
            lua_settable(L, -3); /* metatable */
        }
        lua_pop(L, 1);
    }

private:
    // The metatable maps each method name to its table position with this bit set. Script
    // classes have methods only, so every number in the metatable is taken for one.
    static constexpr lua_Integer MethodBit = 256;

    static void setFunction(lua_State* L, const char* name, lua_CFunction function)
    {
        lua_pushstring(L, name);
        lua_pushcfunction(L, function);
        lua_settable(L, -3);
    }

    // The wrapper slot of the script object at index, or null for any other value.
    static Wrapper** slotAt(lua_State* L, int index)
    {
        return static_cast<Wrapper**>(luaL_testudata(L, index, Wrapper::className));
    }

    static bool isMethodPosition(lua_Integer position)
    {
        for (lua_Integer i = 0; Wrapper::methods[i].name; ++i)
            if (i == position)
                return true;
        return false;
    }

    // Pushes the metatable entry of the value at position 1 for the key at position 2, read
    // without metamethods; nil when there is none. /* ..., entry */
    static void pushClassEntry(lua_State* L)
    {
        if (!lua_getmetatable(L, 1)) {
            lua_pushnil(L);
            return;
        }
        lua_pushvalue(L, 2);
        lua_rawget(L, -2);
        lua_remove(L, -2);
    }

    static int construct(lua_State* L)
    {
        auto wrapper = std::make_unique<Wrapper>(L);
        auto slot = static_cast<Wrapper**>(lua_newuserdata(L, sizeof(Wrapper*))); /* arguments, object */
        *slot = wrapper.release();
        luaL_setmetatable(L, Wrapper::className);
        return 1;
    }

    // The collector owns the wrapper, never the engine object. The slot is emptied because a
    // script can reach this function by name and call it on a living object.
    static int collect(lua_State* L)
    {
        if (Wrapper** slot = slotAt(L, 1)) {
            delete *slot;
            *slot = nullptr;
        }
        return 0;
    }

    static int describe(lua_State* L)
    {
        Wrapper** slot = slotAt(L, 1);
        if (slot && *slot)
            lua_pushfstring(L, "%s (%p)", Wrapper::className, static_cast<void*>(*slot));
        else
            lua_pushliteral(L, "Empty object");
        return 1;
    }

    // Every script object owns its own wrapper, so only an object equals itself.
    static int equal(lua_State* L)
    {
        Wrapper** left = slotAt(L, 1);
        Wrapper** right = slotAt(L, 2);
        lua_pushboolean(L, left && right && *left && *left == *right);
        return 1;
    }

    // object.name: a method name gives a new closure that holds the object itself, so that the
    // object lives as long as any of its closures; any other key gives the metatable's entry.
    static int lookUp(lua_State* L)
    {
        pushClassEntry(L); /* object, key, entry */
        if (lua_type(L, -1) != LUA_TNUMBER)
            return 1;
        lua_pushinteger(L, lua_tointeger(L, -1) & ~MethodBit);
        lua_pushvalue(L, 1);
        lua_pushcclosure(L, dispatch, 2); /* object, key, entry, closure */
        return 1;
    }

    // Methods cannot be replaced; other names are silently not stored.
    static int assign(lua_State* L)
    {
        pushClassEntry(L); /* object, key, value, entry */
        if (lua_type(L, -1) != LUA_TNUMBER)
            return 0;
        Wrapper** slot = slotAt(L, 1);
        if (!slot || !*slot)
            return luaL_error(L, "Internal error, no object given!");
        return luaL_error(L, "Trying to set the method [%s] of class [%s]", lua_tostring(L, 2),
                          Wrapper::className);
    }

    // The method closure. Its upvalues are the method position and the object; both are checked
    // because a script can reach them through the metatable and the debug library.
    static int dispatch(lua_State* L)
    {
        const lua_Integer position = lua_tointeger(L, lua_upvalueindex(1));
        Wrapper** slot = slotAt(L, lua_upvalueindex(2));
        if (!slot || !isMethodPosition(position))
            return luaL_error(L, "%s: not a method of this class", Wrapper::className);
        const ScriptMethod<Wrapper>& method = Wrapper::methods[position];
        RunningMethod running(L, Wrapper::className, method.name);
        if (!*slot)
            methodError(L, "object no longer exists");
        return ((*slot)->*method.function)(L);
    }
};

} // namespace qel
