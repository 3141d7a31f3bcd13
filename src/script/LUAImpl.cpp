#include "script/LUAImpl.hpp"

#include "base/DeferredRelease.hpp"
#include "base/GameFiles.hpp"
#include "base/GamePaths.hpp"
#include "base/LiveObjects.hpp"
#include "script/ScriptBinding.hpp"
#include "script/ScriptFiles.hpp"

#include <lua.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace qel {

namespace {

std::string startupScriptPath()
{
    return basePath() + "scripts/startup.lua";
}

std::string launchScriptPath(const std::string& name)
{
    return basePath() + "scripts/" + name + ".lua";
}

using Clock = std::chrono::steady_clock;

// The count hook reads the clock once per this many instructions: often enough to stop a call
// within microseconds of its limit, seldom enough to cost next to nothing.
constexpr int WatchInterval = 5000;
// A call running this long polls for a close request, every ClosePollInterval.
constexpr Clock::duration CloseCheckAfter = std::chrono::milliseconds(500);
constexpr Clock::duration ClosePollInterval = std::chrono::milliseconds(250);
// Room the message handler has past the memory limit, for the traceback of "not enough memory".
constexpr std::size_t ErrorReserve = std::size_t(1) << 20;

// Loads a chunk with the given loader and runs it, raising any error of either step.
template <class Load>
void loadAndRun(lua_State* L, Load load)
{
    if (load() != LUA_OK)
        lua_error(L);
    lua_call(L, 0, 0);
}

// Pushes the global if the script defined one; false, with nothing pushed, otherwise. The
// globals table is read raw: the engine's lookups must not run a script's metamethods.
bool pushGlobalFunction(lua_State* L, const char* name)
{
    lua_rawgeti(L, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS); /* globals */
    if (!lua_istable(L, -1)) {
        lua_pop(L, 1);
        return false;
    }
    lua_pushstring(L, name);
    lua_rawget(L, -2);
    lua_remove(L, -2); /* value */
    if (!lua_isnil(L, -1))
        return true;
    lua_pop(L, 1);
    return false;
}

// The fourth argument of the script's key function: {shift, control, alt, system, repeated}.
void pushModifiers(lua_State* L, const KeyModifiers& modifiers)
{
    const std::pair<const char*, bool> fields[] = {{"shift", modifiers.shift},
                                                   {"control", modifiers.control},
                                                   {"alt", modifiers.alt},
                                                   {"system", modifiers.system},
                                                   {"repeated", modifiers.repeated}};
    lua_createtable(L, 0, 5);
    for (const auto& [name, value] : fields) {
        lua_pushboolean(L, value);
        lua_setfield(L, -2, name);
    }
}

// Pushes the column and the row, or two nils.
void pushCellOrNil(lua_State* L, const std::optional<CellPosition>& cell)
{
    if (!cell) {
        lua_pushnil(L);
        lua_pushnil(L);
        return;
    }
    lua_pushinteger(L, cell->column);
    lua_pushinteger(L, cell->row);
}

void setGlobalRaw(lua_State* L, const char* name, void* object)
{
    lua_rawgeti(L, LUA_REGISTRYINDEX, LUA_RIDX_GLOBALS); /* globals */
    if (lua_istable(L, -1)) {
        lua_pushstring(L, name);
        lua_pushlightuserdata(L, object);
        lua_rawset(L, -3);
    }
    lua_pop(L, 1);
}

// The error value at index as the text to print: a string or number as it is, but for each NUL
// byte, written \0 so that the text after it is printed too; other values by their type.
std::string printableMessage(lua_State* L, int index)
{
    if (lua_type(L, index) != LUA_TSTRING && lua_type(L, index) != LUA_TNUMBER)
        return std::string("(error object is a ") + luaL_typename(L, index) + " value)";
    size_t length = 0;
    lua_pushvalue(L, index); /* ..., copy: turning it into text leaves a number one */
    const char* text = lua_tolstring(L, -1, &length);
    std::string printable;
    printable.reserve(length);
    for (const char* end = text + length; text != end; ++text) {
        if (*text == '\0')
            printable += "\\0";
        else
            printable += *text;
    }
    lua_pop(L, 1);
    return printable;
}

// Seeds math.random through the library itself, whatever generator it uses.
void seedRandomNumbers(lua_State* L, unsigned seed)
{
    lua_getglobal(L, "math");               /* math */
    lua_getfield(L, -1, "randomseed");      /* math, randomseed */
    lua_pushunsigned(L, seed);
    lua_call(L, 1, 0);                      /* math */
    lua_pop(L, 1);
}

} // namespace

LUAImpl::LUAImpl(ScriptEnvironment environment) : environment(std::move(environment))
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
    reportedErrors.clear();
    openInterpreter();
    // A game need not have a start-up script.
    if (GameFiles::exists(startupScriptPath()))
        runScriptFile(startupScriptPath());
    runScriptFile(launchScriptPath(scriptName));
    return true;
}

void LUAImpl::reload()
{
    load(scriptName);
}

void LUAImpl::start()
{
    callGlobal("start", Errors::Reported, [](lua_State*) { return 0; });
}

void LUAImpl::update(float frameTime)
{
    char text[64];
    std::snprintf(text, sizeof text, "%f", static_cast<double>(frameTime));
    const double seconds = std::strtod(text, nullptr);
    callGlobal("update", Errors::Reported, [&](lua_State* L) {
        lua_pushnumber(L, seconds);
        return 1;
    });
}

void LUAImpl::runFile(const std::string& fileName)
{
    runScriptFile(basePath() + "scripts/" + fileName);
}

void LUAImpl::onGlobalKey(int keyCode, bool pressed, bool handled, const KeyModifiers& modifiers)
{
    callGlobal("key", Errors::EndCallingScript, [&](lua_State* L) {
        lua_pushinteger(L, keyCode);
        lua_pushboolean(L, pressed);
        lua_pushboolean(L, handled);
        pushModifiers(L, modifiers);
        return 4;
    });
}

void LUAImpl::onTextTyped(uint32_t character)
{
    callGlobal("text", Errors::EndCallingScript, [&](lua_State* L) {
        unsigned char bytes[4];
        const int length = utf8EncodeOne(character, bytes);
        lua_pushlstring(L, reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
        return 1;
    });
}

void LUAImpl::redraw()
{
    callGlobal("redraw", Errors::EndCallingScript, [](lua_State*) { return 0; });
}

// A quit that fails is printed like any other error, and the game ends all the same.
void LUAImpl::quit()
{
    callGlobal("quit", Errors::Reported, [](lua_State*) { return 0; });
}

void LUAImpl::onFocus(bool gained)
{
    callGlobal("focus", Errors::EndCallingScript, [&](lua_State* L) {
        lua_pushboolean(L, gained);
        return 1;
    });
}

// mouse(kind, column, row, button): the cell is nil for a move off the screen, the button nil
// for any move.
void LUAImpl::onMouse(const MouseFact& fact)
{
    static const char* const kinds[] = {"press", "release", "move", "wheel"};
    callGlobal("mouse", Errors::EndCallingScript, [&](lua_State* L) {
        lua_pushstring(L, kinds[static_cast<int>(fact.action)]);
        pushCellOrNil(L, fact.cell);
        if (fact.action == MouseAction::Move)
            lua_pushnil(L);
        else
            lua_pushinteger(L, fact.button);
        return 4;
    });
}

void LUAImpl::onPadButton(int pad, int button, bool pressed)
{
    callGlobal("pad", Errors::EndCallingScript, [&](lua_State* L) {
        lua_pushinteger(L, pad);
        lua_pushinteger(L, button);
        lua_pushboolean(L, pressed);
        return 3;
    });
}

void LUAImpl::onPadConnected(int pad, bool connected)
{
    callGlobal("padConnected", Errors::EndCallingScript, [&](lua_State* L) {
        lua_pushinteger(L, pad);
        lua_pushboolean(L, connected);
        return 2;
    });
}

bool LUAImpl::onWidgetClose(int handler, bool dismissedByEscape)
{
    return runHandler(handler, [&](lua_State* L) {
        lua_pushboolean(L, dismissedByEscape);
        return 1;
    });
}

// Without a key handler the key goes on; a handler that fails answers as one that returned nothing.
bool LUAImpl::onWidgetKey(int handler, int keyCode, bool pressed)
{
    if (handler == NoReference)
        return true;
    bool goesOn = false;
    runHandler(
        handler,
        [&](lua_State* L) {
            lua_pushinteger(L, keyCode);
            lua_pushboolean(L, pressed);
            return 2;
        },
        &goesOn);
    return goesOn;
}

bool LUAImpl::onWidgetDraw(int handler)
{
    return runHandler(handler, [](lua_State*) { return 0; });
}

bool LUAImpl::onTextFieldEnter(int handler, const WideString& text)
{
    const std::string utf8 = toUtf8(text);
    return runHandler(handler, [&](lua_State* L) {
        lua_pushlstring(L, utf8.data(), utf8.size());
        return 1;
    });
}

// The new buffer is published even after a failed callback: scripts must never be left with
// the old one.
void LUAImpl::onSetVideoMode(int mode)
{
    if (!state)
        return;
    enter(Errors::EndCallingScript, ErrorSource{"onSetVideoMode", 0}, [&](lua_State* L) { publishScreenBuffer(L); });
    callGlobal("onSetVideoMode", Errors::EndCallingScript, [&](lua_State* L) {
        lua_pushinteger(L, mode);
        return 1;
    });
}

void LUAImpl::releaseReference(int reference)
{
    if (reference == NoReference)
        return;
    enter(Errors::Reported, ErrorSource{"finalizers", 0}, [&](lua_State* L) { luaL_unref(L, LUA_REGISTRYINDEX, reference); });
}

// The one way into the interpreter: runs body(L) on the active thread inside a protected call.
// Only the two pushes that start the call happen outside it, and they allocate nothing. False
// when the body raised an error, or could not run. What the engine reads from its own objects
// for the call (a handler reference, a field's text) is read before it: the script code may
// drop those objects, and only the script methods and widget passes that are under way hold
// what is dropped.
//
// The source names the script code the entry runs ("update", a handler, a file), so that an
// error is printed again once its source has run cleanly in between. An error that ends the
// script code calling a method keeps its value as it is: the traceback is added where it is
// reported.
template <class Body>
bool LUAImpl::enter(Errors errors, const ErrorSource& source, Body body)
{
    lua_State* L = activeThread();
    if (!L || !lua_checkstack(L, 3))
        return false;
    const bool deferred = errors == Errors::EndCallingScript && RunningMethod::thread();
    lua_pushcfunction(L, deferred ? keepErrorValue : addTraceback);
    lua_pushcfunction(L, &LUAImpl::runBody<Body>);
    lua_pushlightuserdata(L, &body);
    beginEntry(L);
    const int status = lua_pcall(L, 1, 0, -3);
    --entryDepth;
    reportingError = false;
    lua_remove(L, status == LUA_OK ? -1 : -2); /* the message handler */
    if (status == LUA_OK) {
        // Most entries run cleanly with no error standing: they need no lookup.
        if (!reportedErrors.empty())
            reportedErrors.erase(source);
        return true;
    }
    if (deferred)
        RunningMethod::deferError(L);
    else
        reportError(L, source);
    return false;
}

template <class Body>
int LUAImpl::runBody(lua_State* L)
{
    Body& body = *static_cast<Body*>(lua_touserdata(L, 1));
    lua_pop(L, 1);
    body(L);
    return 0;
}

LUAImpl& LUAImpl::hostOf(lua_State* L)
{
    void* host = nullptr;
    lua_getallocf(L, &host);
    return *static_cast<LUAImpl*>(host);
}

// The standard allocator, counting what the interpreter holds. Only growth is refused: the
// interpreter takes a failed allocation for a "not enough memory" error (after collecting
// once), and counts on shrinking never failing.
void* LUAImpl::allocate(void* host, void* block, std::size_t oldSize, std::size_t newSize)
{
    LUAImpl& self = *static_cast<LUAImpl*>(host);
    // Without a block, oldSize tells the kind of object to make.
    const std::size_t held = block ? oldSize : 0;
    if (newSize == 0) {
        std::free(block);
        self.allocatedBytes -= held;
        return nullptr;
    }
    const std::size_t limit = self.environment.memoryLimit + (self.reportingError ? ErrorReserve : 0);
    if (newSize > held && self.allocatedBytes - held + newSize > limit)
        return nullptr;
    void* moved = std::realloc(block, newSize);
    if (moved)
        self.allocatedBytes = self.allocatedBytes - held + newSize;
    return moved;
}

// Every thread the entry may run on is watched: the entry's own here, and coroutines, which take
// the hook of the thread that makes them. A thread that stopped an earlier call gets its
// interval back.
void LUAImpl::beginEntry(lua_State* L)
{
    if (entryDepth++ == 0) {
        entryStart = Clock::now();
        nextClosePoll = entryStart + CloseCheckAfter;
        stopReason.clear();
    }
    if (environment.timeLimit > 0)
        lua_sethook(L, watchTime, LUA_MASKCOUNT, WatchInterval);
}

// Once a call must stop, the hook raises its error at every instruction of every thread it
// reaches, so that the error unwinds through each pcall of the script up to the engine.
void LUAImpl::watchTime(lua_State* L, lua_Debug*)
{
    LUAImpl& host = hostOf(L);
    if (host.entryDepth == 0)
        return;
    if (host.callMustStop(Clock::now())) {
        lua_sethook(L, watchTime, LUA_MASKCOUNT, 1);
        luaL_error(L, "%s", host.stopReason.c_str());
    }
    if (lua_gethookcount(L) != WatchInterval)
        lua_sethook(L, watchTime, LUA_MASKCOUNT, WatchInterval);
}

bool LUAImpl::callMustStop(Clock::time_point now)
{
    if (!stopReason.empty())
        return true;
    const std::chrono::duration<double> ran = now - entryStart;
    char reason[96];
    if (ran.count() > environment.timeLimit) {
        std::snprintf(reason, sizeof reason, "script ran for more than %g s without returning", environment.timeLimit);
        stopReason = reason;
        return true;
    }
    if (now < nextClosePoll || !environment.closeRequested)
        return false;
    nextClosePoll = now + ClosePollInterval;
    if (!environment.closeRequested())
        return false;
    std::snprintf(reason, sizeof reason, "script stopped after running for %.1f s without returning: the game is closing",
                  ran.count());
    stopReason = reason;
    return true;
}

// The message handler of the engine's entries: the error as text, numbers as they are and other
// values by their type, followed by the chain of calls that raised it. An error that a method
// raises again in its caller gets the chain taken where the callback failed, which goes on down
// through the method to the caller.
int LUAImpl::addTraceback(lua_State* L)
{
    hostOf(L).reportingError = true;
    const std::string message = printableMessage(L, 1);
    std::string& deferred = hostOf(L).deferredTraceback;
    if (deferred.compare(0, message.size(), message) == 0 && deferred.find("\nstack traceback:") == message.size())
        lua_pushlstring(L, deferred.data(), deferred.size());
    else
        luaL_traceback(L, L, message.c_str(), 1);
    deferred.clear();
    return 1;
}

// The message handler of an entry whose error is raised again in the script that called the
// running method: the value goes on as it is, so that the script may catch it, and its chain
// of calls waits for the report.
int LUAImpl::keepErrorValue(lua_State* L)
{
    hostOf(L).reportingError = true;
    lua_settop(L, 1);
    if (lua_type(L, 1) == LUA_TSTRING || lua_type(L, 1) == LUA_TNUMBER) {
        luaL_traceback(L, L, printableMessage(L, 1).c_str(), 1); /* error, traceback */
        size_t length = 0;
        const char* traceback = lua_tolstring(L, -1, &length);
        hostOf(L).deferredTraceback.assign(traceback, length);
        lua_pop(L, 1);
    }
    return 1;
}

bool LUAImpl::callbacksAllowed() const
{
    return state && !RunningMethod::errorPending();
}

void LUAImpl::openInterpreter()
{
    state = lua_newstate(allocate, this);
    enter(Errors::Reported, ErrorSource{"start-up", 0}, [this](lua_State* L) {
        luaL_openlibs(L);
        refuseCompiledChunks(L);
        installModuleSearcher(L);
        seedRandomNumbers(L, environment.randomSeed);
        environment.defineClasses(L);
        publishGlobals(L);
    });
}

// Finalizers run while the interpreter closes; the script objects they reach find the
// published engine objects gone, and the engine's callbacks find no interpreter.
void LUAImpl::closeInterpreter()
{
    for (const void* object : liveGlobals)
        LiveObjects::remove(object);
    liveGlobals.clear();
    LiveObjects::remove(publishedBuffer);
    publishedBuffer = nullptr;
    if (!state)
        return;
    const DeferredRelease::Hold hold;
    // Finalizers run now, and are watched as a call of their own.
    beginEntry(state);
    lua_close(std::exchange(state, nullptr));
    --entryDepth;
    allocatedBytes = 0;
    ScriptObjects::destroyAll(this);
}

// The globals are light userdata. The host registers each engine object it publishes as live,
// so that script objects made from them can tell when the object is gone.
void LUAImpl::publishGlobals(lua_State* L)
{
    for (const ScriptGlobal& global : environment.globals) {
        if (global.object) {
            LiveObjects::add(global.object, global.type);
            liveGlobals.push_back(global.object);
        }
        setGlobalRaw(L, global.name, global.object);
    }
    publishScreenBuffer(L);
}

// The renderer has just made a new buffer and dropped the one scripts knew, which is no longer
// live even when the new one has its address.
void LUAImpl::publishScreenBuffer(lua_State* L)
{
    LiveObjects::remove(publishedBuffer);
    const ScriptGlobal buffer = environment.screenBuffer();
    publishedBuffer = buffer.object;
    LiveObjects::add(buffer.object, buffer.type);
    setGlobalRaw(L, buffer.name, buffer.object);
}

// Script code runs on the main thread of the interpreter, or on a coroutine. While a script
// method runs, the engine's calls back into the script go on the method's thread, so that an
// error there reaches the script code that called the method, coroutine or not.
lua_State* LUAImpl::activeThread() const
{
    if (!state)
        return nullptr;
    lua_State* running = RunningMethod::thread();
    return running ? running : state;
}

// A missing file is a load error like any other, and so is a pipe or a device, which would block
// the reading or feed it forever.
void LUAImpl::runScriptFile(const std::string& path)
{
    if (!callbacksAllowed())
        return;
    enter(Errors::Reported, ErrorSource{path, 0}, [&](lua_State* L) { loadAndRun(L, [&] { return loadScriptFile(L, path); }); });
}

// A script need not define start or update: without the function nothing runs.
template <class PushArguments>
void LUAImpl::callGlobal(const char* function, Errors errors, PushArguments pushArguments)
{
    if (!callbacksAllowed())
        return;
    enter(errors, ErrorSource{function, 0}, [&](lua_State* L) {
        if (pushGlobalFunction(L, function))
            lua_call(L, pushArguments(L), 0);
    });
}

// Calls the handler a widget keeps with the arguments that pushArguments pushes (it returns
// their count), and stores the truth of its result in answer, if given; an answer stays as it
// was when the handler fails. False when the widget keeps no handler.
template <class PushArguments>
bool LUAImpl::runHandler(int reference, PushArguments pushArguments, bool* answer)
{
    if (reference == NoReference || !callbacksAllowed())
        return false;
    enter(Errors::EndCallingScript, ErrorSource{"handler", reference}, [&](lua_State* L) {
        lua_rawgeti(L, LUA_REGISTRYINDEX, reference);
        lua_call(L, pushArguments(L), 1);
        if (answer)
            *answer = lua_toboolean(L, -1);
    });
    return true;
}

// Pops the error value, which the message handler has made a text with its traceback (unless
// the handler itself failed, for want of memory). An error its source gave last time is not
// printed again.
void LUAImpl::reportError(lua_State* L, const ErrorSource& source)
{
    size_t length = 0;
    const char* value = lua_type(L, -1) == LUA_TSTRING ? lua_tolstring(L, -1, &length) : nullptr;
    const std::string text = value ? std::string(value, length) : "error in error handling";
    lua_pop(L, 1);
    if (!recordError(source, text))
        return;
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
    if (environment.showError)
        environment.showError(text);
}

// The record keeps a hash of each text, since an error may be megabytes long. A script can fail
// in ever new sources (files of ever new names) and none of them ever runs cleanly, so past
// MostRecordedSources the record starts afresh: an error standing then may be printed once more.
bool LUAImpl::recordError(const ErrorSource& source, const std::string& text)
{
    const std::size_t hash = std::hash<std::string>()(text);
    const auto found = reportedErrors.find(source);
    if (found != reportedErrors.end() && found->second == hash)
        return false;
    if (found == reportedErrors.end() && reportedErrors.size() >= MostRecordedSources) {
        if (!recordOverflowSaid)
            std::fprintf(stderr, "qel: errors of more than %zu sources stand at once; errors already printed may be"
                                 " printed again\n", MostRecordedSources);
        recordOverflowSaid = true;
        reportedErrors.clear();
    }
    reportedErrors[source] = hash;
    return true;
}

} // namespace qel
