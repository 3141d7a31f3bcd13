#pragma once

#include "base/DeferredRelease.hpp"
#include "base/LiveObjects.hpp"

#include <lua.hpp>

#include <memory>
#include <type_traits>

namespace qel {

// One entry of a script class's method table; the table ends with an entry whose name is null.
// A method is a function of the script object's wrapper that reads the call's arguments from
// the stack and returns how many results it pushed.
template <class Wrapper>
struct ScriptMethod {
    const char* name;
    int (*function)(Wrapper& wrapper, lua_State* L);
};

// A function of a script class itself rather than of one of its objects, called on the class's
// global as in LuaScreenBuffer.new{...}. It reads the call's arguments like a method (a colon
// call passes the class first) and returns how many results it pushed.
struct ClassFunction {
    const char* name;
    int (*function)(lua_State* L);
};

// Raises a script error that names the place in the script and the running method, as in
// "scripts/game.lua:12: LuaCore.exit: object no longer exists". Formats like lua_pushfstring.
[[noreturn]] void methodError(lua_State* L, const char* format, ...);

// Prints a line on standard error about a doubtful call that the running method carries out
// all the same, as in "scripts/game.lua:12: LuaScreenBuffer.print: warning: unknown option
// "colour"". A line is printed once per process, so a misuse in a loop or in every frame shows
// once. Formats like lua_pushfstring.
void methodWarning(lua_State* L, const char* format, ...);

// Names the script method being run, and the Lua thread that runs it, for as long as it runs:
// errors about its object and its arguments can then say where they come from, and script code
// that the engine calls back meanwhile runs on that thread. Script errors unwind through it.
//
// While a method runs, the engine holds every object it releases (DeferredRelease), and an error
// of script code that the engine called back for it waits on the method's stack until the
// method returns, then ends the script code that called the method, as if the callback had been
// a plain call; the engine's own work in between completes.
class RunningMethod {
public:
    RunningMethod(lua_State* thread, const char* className, const char* methodName);
    ~RunningMethod();
    RunningMethod(const RunningMethod&) = delete;
    RunningMethod& operator=(const RunningMethod&) = delete;

    // The thread of the innermost method running; null when none runs.
    static lua_State* thread();
    // Whether a callback of the innermost method has failed: further callbacks are skipped.
    static bool errorPending();
    // Takes the error value on top of the innermost method's thread as the method's error; a
    // second error while one is pending is dropped.
    static void deferError(lua_State* L);
    // Raises the pending error, if any; called as the method returns.
    void raisePendingError(lua_State* L) const;

private:
    RunningMethod* previous;
    lua_State* runningThread;
    const char* className;
    const char* methodName;
    DeferredRelease::Hold hold;
    int pendingError = 0;

    friend void pushMethodPlace(lua_State* L);
};

// Raises a script error naming the class unless the registry entry of the class name is the table
// at index, the class's own metatable. A script can replace the entry (debug.getregistry()), and
// a metatable that is not a table would be set on an object unchecked.
void checkRegisteredMetatable(lua_State* L, const char* className, int metatable);

// The script objects that the binding made: full userdata blocks that hold a wrapper pointer,
// known by their addresses. Any userdata can be given a class's metatable (debug.setmetatable),
// so a metatable proves nothing about the block it is on; only this record does.
class ScriptObjects {
public:
    using Destroy = void (*)(void* wrapper);

    static void add(lua_State* L, void* block, const char* className, void* wrapper, Destroy destroy);
    // The wrapper of the object at index if the binding made it for the class; null otherwise,
    // and for an object whose wrapper was destroyed.
    static void* wrapper(lua_State* L, int index, const char* className);
    // Whether the value at index is an object the binding made for the class, emptied or not.
    static bool isOwn(lua_State* L, int index, const char* className);
    // The finalizer of every class: destroys the wrapper of any object the binding made and
    // does nothing to other values.
    static int collect(lua_State* L);
    // Destroys the wrappers that the interpreter with this owner never finalized (objects whose
    // metatable a script took away); called once the interpreter is closed.
    static void destroyAll(const void* owner);
};

// The engine object behind a script object. The pointer is checked against the live objects at
// every use, so a script object whose engine object is gone, or was never given, raises a script
// error instead of reaching freed or null memory.
template <class Engine>
class EngineObject {
public:
    // Takes the pointer from stack position 1, where the class constructor's argument stands.
    explicit EngineObject(lua_State* L) : EngineObject(lua_touserdata(L, 1)) {}

    // Takes an engine object that the engine has registered as live.
    explicit EngineObject(void* object) : pointer(object), serial(LiveObjects::serialOf<Engine>(pointer)) {}

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

// The method instance of every script class of an engine object: the object as a light
// userdata, or nil when it is gone.
template <class Wrapper>
int instanceMethod(Wrapper& wrapper, lua_State* L)
{
    return wrapper.pushInstance(L);
}

// Whether a wrapper class has class functions, as well as methods.
template <class Wrapper, class = void>
struct HasClassFunctions : std::false_type {};
template <class Wrapper>
struct HasClassFunctions<Wrapper, std::void_t<decltype(Wrapper::classFunctions)>> : std::true_type {};

// Makes a wrapper class a script class: a global constructor named after the class, and a
// metatable kept in the registry under the same name whose metamethods hand out method closures.
// A wrapper supplies:
//   static const char* const className;
//   static const ScriptMethod<Wrapper> methods[];   ended by {nullptr, nullptr}; or a pointer to
//                                                   such a list, made by a helper that adds
//                                                   methods shared by several classes
//   explicit Wrapper(lua_State* L);                 reads the constructor's argument at position 1
// and may supply
//   static const ClassFunction classFunctions[];    ended by {nullptr, nullptr}: the global is then
//                                                   a read-only table of these functions that is
//                                                   called as the constructor
// A wrapper of an engine object is that object's EngineObject, and its methods are functions in
// its own file: adding a method is writing the function and its line in the list.
// Scripts call methods with a dot: a closure does not pass its object, so a method reads the
// call's own arguments from stack position 1 and returns how many results it pushed. A call
// with a colon passes the object first, which the dispatch warns about.
template <class Wrapper>
class ScriptBinding {
public:
    static void registerClass(lua_State* L)
    {
        luaL_newmetatable(L, Wrapper::className); /* metatable */
        if constexpr (HasClassFunctions<Wrapper>::value)
            pushClassTable(L);
        else
            pushWithMetatable(L, construct);
        lua_setglobal(L, Wrapper::className); /* metatable */
        setFunction(L, "__gc", ScriptObjects::collect);
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

    // Pushes a new script object of the class that owns the wrapper; one result. Only a class
    // function calls it: the class's metatable is its closure's first upvalue.
    static int pushNew(lua_State* L, std::unique_ptr<Wrapper> wrapper)
    {
        const int metatable = lua_upvalueindex(1);
        checkRegisteredMetatable(L, Wrapper::className, metatable);
        void* block = lua_newuserdata(L, sizeof(Wrapper*)); /* ..., object */
        *static_cast<Wrapper**>(block) = wrapper.get();
        ScriptObjects::add(L, block, Wrapper::className, wrapper.release(), destroy);
        lua_pushvalue(L, metatable);
        lua_setmetatable(L, -2); /* ..., object */
        return 1;
    }

private:
    // Pushes the function as a closure over the metatable just below the top. /* metatable, closure */
    static void pushWithMetatable(lua_State* L, lua_CFunction function)
    {
        lua_pushvalue(L, -1);
        lua_pushcclosure(L, function, 1);
    }

    // The class's global when it has class functions: an empty table whose metatable serves
    // them, calls the constructor, refuses assignments and hides itself, like the read-only
    // tables of names. /* metatable, class table */
    static void pushClassTable(lua_State* L)
    {
        const int metatable = lua_gettop(L);
        lua_newtable(L); /* metatable, class table */
        lua_newtable(L); /* metatable, class table, its metatable */
        lua_newtable(L); /* ..., its metatable, functions */
        for (lua_Integer position = 0; Wrapper::classFunctions[position].name; ++position) {
            lua_pushvalue(L, metatable);
            lua_pushinteger(L, position);
            lua_pushcclosure(L, callClassFunction, 2);
            lua_setfield(L, -2, Wrapper::classFunctions[position].name);
        }
        lua_setfield(L, -2, "__index");
        lua_pushvalue(L, metatable);
        pushWithMetatable(L, constructByCall);
        lua_setfield(L, -3, "__call");
        lua_pop(L, 1);
        lua_pushcfunction(L, refuseAssignment);
        lua_setfield(L, -2, "__newindex");
        lua_pushboolean(L, false);
        lua_setfield(L, -2, "__metatable");
        lua_setmetatable(L, -2); /* metatable, class table */
    }

    static int refuseAssignment(lua_State* L)
    {
        return luaL_error(L, "Attempt to modify read-only table");
    }

    // The class table called: its first argument is the table itself.
    static int constructByCall(lua_State* L)
    {
        lua_remove(L, 1);
        return construct(L);
    }

    // Both upvalues can be reached and replaced through the debug library.
    static int callClassFunction(lua_State* L)
    {
        const lua_Integer position = lua_tointeger(L, lua_upvalueindex(2));
        if (!isPosition(Wrapper::classFunctions, position))
            return luaL_error(L, "%s: not a function of this class", Wrapper::className);
        const ClassFunction& function = Wrapper::classFunctions[position];
        RunningMethod running(L, Wrapper::className, function.name);
        const int results = function.function(L);
        running.raisePendingError(L);
        return results;
    }

    // The metatable maps each method name to its table position with this bit set. Script
    // classes have methods only, so every number in the metatable is taken for one.
    static constexpr lua_Integer MethodBit = 256;

    static void setFunction(lua_State* L, const char* name, lua_CFunction function)
    {
        lua_pushstring(L, name);
        lua_pushcfunction(L, function);
        lua_settable(L, -3);
    }

    // The wrapper of the class's object at index, or null for any other value.
    static Wrapper* wrapperAt(lua_State* L, int index)
    {
        return static_cast<Wrapper*>(ScriptObjects::wrapper(L, index, Wrapper::className));
    }

    static void destroy(void* wrapper)
    {
        DeferredRelease::release(std::unique_ptr<Wrapper>(static_cast<Wrapper*>(wrapper)));
    }

    // Whether the position is that of an entry of the list, which ends with a null name.
    template <class Entry>
    static bool isPosition(const Entry* list, lua_Integer position)
    {
        for (lua_Integer i = 0; list[i].name; ++i)
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

    // The constructor keeps the class's metatable as its upvalue; the registry entry must still
    // be that table, since a script can reach and replace both.
    static int construct(lua_State* L)
    {
        return pushNew(L, std::make_unique<Wrapper>(L));
    }

    static int describe(lua_State* L)
    {
        if (Wrapper* wrapper = wrapperAt(L, 1))
            lua_pushfstring(L, "%s (%p)", Wrapper::className, static_cast<void*>(wrapper));
        else
            lua_pushliteral(L, "Empty object");
        return 1;
    }

    // Every script object owns its own wrapper, so only an object equals itself.
    static int equal(lua_State* L)
    {
        Wrapper* left = wrapperAt(L, 1);
        lua_pushboolean(L, left && left == wrapperAt(L, 2));
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
        if (!wrapperAt(L, 1))
            return luaL_error(L, "Internal error, no object given!");
        return luaL_error(L, "Trying to set the method [%s] of class [%s]", lua_tostring(L, 2),
                          Wrapper::className);
    }

    // The method closure. Its upvalues are the method position and the object; both are checked
    // because a script can reach them through the metatable and the debug library.
    static int dispatch(lua_State* L)
    {
        const lua_Integer position = lua_tointeger(L, lua_upvalueindex(1));
        const int object = lua_upvalueindex(2);
        if (!ScriptObjects::isOwn(L, object, Wrapper::className) || !isPosition(Wrapper::methods, position))
            return luaL_error(L, "%s: not a method of this class", Wrapper::className);
        const ScriptMethod<Wrapper>& method = Wrapper::methods[position];
        RunningMethod running(L, Wrapper::className, method.name);
        if (lua_rawequal(L, 1, object))
            methodWarning(L, "called with ':'; methods are called with '.', as in screen.print{...}");
        Wrapper* wrapper = wrapperAt(L, object);
        if (!wrapper)
            methodError(L, "object no longer exists");
        const int results = method.function(*wrapper, L);
        running.raisePendingError(L);
        return results;
    }
};

} // namespace qel
