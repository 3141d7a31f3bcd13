#include "script/LUAImpl.hpp"

#include "app/Core.hpp"
#include "display/LuaScreenBuffer.hpp"
#include "display/Renderer.hpp"
#include "script/LiveObjects.hpp"
#include "script/LuaCore.hpp"
#include "script/LuaUtils.hpp"
#include "script/ReadOnlyTable.hpp"
#include "script/ScriptBinding.hpp"
#include "sound/LuaSoundManager.hpp"
#include "sound/SoundManager.hpp"
#include "ui/LuaConsole.hpp"
#include "ui/LuaLabel.hpp"
#include "ui/LuaTextField.hpp"
#include "ui/LuaUI.hpp"
#include "ui/LuaWindow.hpp"
#include "ui/TextField.hpp"
#include "ui/UI.hpp"

#include <lua.hpp>

#include <cstdio>

namespace qel {

namespace {

// The one list of script classes. The order in which they become globals is part of the
// contract with the scripts: LuaCore, LuaUtils, LuaScreenBuffer, LuaUI, LuaConsole,
// LuaTextField, LuaWindow, LuaLabel, LuaSoundManager.
void registerScriptClasses(lua_State* L)
{
    ScriptBinding<LuaCore>::registerClass(L);
    ScriptBinding<LuaUtils>::registerClass(L);
    ScriptBinding<LuaScreenBuffer>::registerClass(L);
    ScriptBinding<LuaUI>::registerClass(L);
    ScriptBinding<LuaConsole>::registerClass(L);
    ScriptBinding<LuaTextField>::registerClass(L);
    ScriptBinding<LuaWindow>::registerClass(L);
    ScriptBinding<LuaLabel>::registerClass(L);
    ScriptBinding<LuaSoundManager>::registerClass(L);
}

void defineEnumerationTables(lua_State* L)
{
    makeReadOnlyTable(L, "Color",
                      {{"Clear", Clear}, {"Clear2", Clear2}, {"Red", Red}, {"Brown", Brown},
                       {"Green", Green}, {"Cyan", Cyan}, {"Blue", Blue}, {"Magenta", Magenta},
                       {"LightGray", LightGray}, {"Gray", Gray}, {"LightRed", LightRed},
                       {"Yellow", Yellow}, {"LightGreen", LightGreen}, {"LightCyan", LightCyan},
                       {"LightBlue", LightBlue}, {"LightMagenta", LightMagenta}, {"White", White},
                       {"Black", Black}});
    makeReadOnlyTable(L, "VideoMode", {{"Text80x25", Text80x25}, {"Text40x25", Text40x25}});
    makeReadOnlyTable(L, "DisplayStyle", {{"Default", Default}, {"FullFill", FullFill}, {"FullFit", FullFit}});
}

std::string startupScriptPath()
{
    return basePath() + "scripts/startup.lua";
}

std::string launchScriptPath(const std::string& name)
{
    return basePath() + "scripts/" + name + ".lua";
}

} // namespace

LUAImpl::LUAImpl(Core* core) : core(core)
{
}

LUAImpl::~LUAImpl()
{
    closeInterpreter();
}

bool LUAImpl::load(const std::string& launchScriptName)
{
    scriptName = launchScriptName;
    closeInterpreter();
    lastError.clear();
    state = luaL_newstate();
    luaL_openlibs(state);
    registerScriptClasses(state);
    publishGlobals();
    defineEnumerationTables(state);
    runFileProtected(startupScriptPath());
    runFileProtected(launchScriptPath(scriptName));
    return true;
}

void LUAImpl::reload()
{
    load(scriptName);
}

void LUAImpl::start()
{
    runGlobalProtected("start", "start()");
}

void LUAImpl::update(float frameTime)
{
    char text[64];
    std::snprintf(text, sizeof text, "update(%f)", static_cast<double>(frameTime));
    runGlobalProtected("update", text);
}

void LUAImpl::runFile(const std::string& fileName)
{
    runFileProtected(basePath() + "scripts/" + fileName);
}

void LUAImpl::onGlobalKey(int keyCode, bool pressed, bool handled)
{
    lua_State* L = activeThread();
    if (!pushGlobalFunction(L, "key"))
        return;
    lua_pushinteger(L, keyCode);
    lua_pushboolean(L, pressed);
    lua_pushboolean(L, handled);
    call(L, 3, 0);
}

void LUAImpl::redraw()
{
    lua_State* L = activeThread();
    if (pushGlobalFunction(L, "redraw"))
        call(L, 0, 0);
}

bool LUAImpl::onWidgetClose(UIWidget* widget, bool dismissedByEscape)
{
    lua_State* L = activeThread();
    if (!pushHandler(L, widget->getHandler(HandlerSlot::Close)))
        return false;
    lua_pushboolean(L, dismissedByEscape);
    call(L, 1, 0);
    return true;
}

// Without a key handler the key goes on; a handler that fails answers as one that returned nothing.
bool LUAImpl::onWidgetKey(UIWidget* widget, int keyCode, bool pressed)
{
    lua_State* L = activeThread();
    if (!pushHandler(L, widget->getHandler(HandlerSlot::Key)))
        return true;
    lua_pushinteger(L, keyCode);
    lua_pushboolean(L, pressed);
    if (!call(L, 2, 1))
        return false;
    const bool goesOn = lua_toboolean(L, -1);
    lua_pop(L, 1);
    return goesOn;
}

bool LUAImpl::onWidgetDraw(UIWidget* widget)
{
    lua_State* L = activeThread();
    if (!pushHandler(L, widget->getHandler(HandlerSlot::Draw)))
        return false;
    call(L, 0, 0);
    return true;
}

bool LUAImpl::onTextFieldEnter(TextField* field)
{
    lua_State* L = activeThread();
    if (!pushHandler(L, field->getEnterHandler()))
        return false;
    const std::string text = toUtf8(field->getText());
    lua_pushlstring(L, text.data(), text.size());
    call(L, 1, 0);
    return true;
}

void LUAImpl::onSetVideoMode(int mode)
{
    if (!state)
        return;
    publishScreenBuffer();
    lua_State* L = activeThread();
    if (!pushGlobalFunction(L, "onSetVideoMode"))
        return;
    lua_pushinteger(L, mode);
    call(L, 1, 0);
}

void LUAImpl::closeInterpreter()
{
    for (const void* object : liveGlobals)
        LiveObjects::remove(object);
    liveGlobals.clear();
    LiveObjects::remove(publishedBuffer);
    publishedBuffer = nullptr;
    if (state)
        lua_close(state);
    state = nullptr;
}

// The globals are light userdata. The host registers each engine object it publishes as live,
// so that script objects made from them can tell when the object is gone.
void LUAImpl::publishGlobals()
{
    publishLive("gCore", core);
    publishScreenBuffer();
    publishLive("gUI", core->getUI());
    publish("gUtils", nullptr);
    publishLive("gSoundManager", core->getSoundManager());
}

template <class Engine>
void LUAImpl::publishLive(const char* name, Engine* object)
{
    LiveObjects::add(object);
    liveGlobals.push_back(object);
    publish(name, object);
}

// The renderer has just made a new buffer and dropped the one scripts knew, which is no longer
// live even when the new one has its address.
void LUAImpl::publishScreenBuffer()
{
    LiveObjects::remove(publishedBuffer);
    Renderer* renderer = core->getRenderer();
    publishedBuffer = renderer ? renderer->getScreenBuffer() : nullptr;
    LiveObjects::add(publishedBuffer);
    publish("gScreenBuffer", publishedBuffer);
}

void LUAImpl::publish(const char* name, void* object)
{
    lua_pushlightuserdata(state, object);
    lua_setglobal(state, name);
}

// Script code runs on the main thread of the interpreter, or on a coroutine. While a script
// method runs, the engine's calls back into the script go on the method's thread, so that an
// error there reaches the script code that called the method, coroutine or not.
lua_State* LUAImpl::activeThread() const
{
    lua_State* running = RunningMethod::thread();
    return protectedDepth > 0 && running ? running : state;
}

void LUAImpl::runFileProtected(const std::string& path)
{
    if (lua_State* L = activeThread())
        runProtected(L, luaL_loadfilex(L, path.c_str(), nullptr));
}

void LUAImpl::runTextProtected(const char* text)
{
    lua_State* L = activeThread();
    runProtected(L, luaL_loadstring(L, text));
}

// Runs the chunk that loading left on top of the stack, or reports the compile error that it
// left there instead. The stack ends as it was before loading.
void LUAImpl::runProtected(lua_State* L, int loadStatus)
{
    const int top = lua_gettop(L) - 1;
    int status = loadStatus;
    if (status == LUA_OK) {
        ++protectedDepth;
        status = lua_pcall(L, 0, LUA_MULTRET, 0);
        --protectedDepth;
    }
    if (status != LUA_OK)
        reportError(L);
    lua_settop(L, top);
}

// A script need not define start or update: without the function nothing runs.
void LUAImpl::runGlobalProtected(const char* function, const char* text)
{
    lua_State* L = activeThread();
    if (!pushGlobalFunction(L, function))
        return;
    lua_pop(L, 1);
    runTextProtected(text);
}

// Pushes the global if the script defined one; false, with nothing pushed, otherwise. The
// globals table is read raw: a metamethod on it could raise an error outside any protection.
bool LUAImpl::pushGlobalFunction(lua_State* L, const char* name)
{
    if (!L)
        return false;
    lua_rawgeti(L, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS); /* globals */
    lua_pushstring(L, name);
    lua_rawget(L, -2); /* globals, value */
    lua_remove(L, -2); /* value */
    if (!lua_isnil(L, -1))
        return true;
    lua_pop(L, 1);
    return false;
}

// Pushes the handler a widget keeps; false, with nothing pushed, when it keeps none.
bool LUAImpl::pushHandler(lua_State* L, int reference)
{
    if (reference == NoReference || !L)
        return false;
    lua_rawgeti(L, LUA_REGISTRYINDEX, reference);
    return true;
}

// Calls the function below the arguments. Inside a protected run the call is plain, so that an
// error ends that run as any script error does. Called from the engine's own loop it is
// protected: the error is reported, nothing of the call stays on the stack, and the answer is
// false.
bool LUAImpl::call(lua_State* L, int argumentCount, int resultCount)
{
    if (protectedDepth > 0) {
        lua_call(L, argumentCount, resultCount);
        return true;
    }
    ++protectedDepth;
    const int status = lua_pcall(L, argumentCount, resultCount, 0);
    --protectedDepth;
    if (status == LUA_OK)
        return true;
    reportError(L);
    lua_pop(L, 1);
    return false;
}

// Prints the error message on top of the stack, unless it is the one printed last.
void LUAImpl::reportError(lua_State* L)
{
    const char* message = lua_tostring(L, -1);
    const std::string text = message ? message : std::string("(error object is a ") + luaL_typename(L, -1) + " value)";
    if (text == lastError)
        return;
    lastError = text;
    std::fprintf(stderr, "%s\n", text.c_str());
}

} // namespace qel
