#pragma once

#include "script/ScriptingInterface.hpp"

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <typeindex>
#include <typeinfo>
#include <utility>
#include <vector>

struct lua_State;
struct lua_Debug;

namespace qel {

// An engine object published as a global (light userdata), registered as live under the type
// its script class expects; a null object is published as it is.
struct ScriptGlobal {
    const char* name;
    void* object;
    std::type_index type;
};

template <class Engine>
ScriptGlobal scriptGlobal(const char* name, Engine* object)
{
    return {name, object, typeid(Engine)};
}

// What the application defines in every fresh interpreter: its script classes and enumeration
// tables, then its engine objects as globals. The screen buffer is asked for again after every
// video-mode change, which replaces it.
struct ScriptEnvironment {
    void (*defineClasses)(lua_State* L) = nullptr;
    std::vector<ScriptGlobal> globals;
    std::function<ScriptGlobal()> screenBuffer;
    // Shows an error the host has just printed (message and traceback) to the player.
    std::function<void(const std::string&)> showError;
    // Where math.random starts in every fresh interpreter.
    unsigned randomSeed = 0;
    // How long one call from the engine into the scripts may run, in seconds; 0 lets it run on.
    double timeLimit = 5;
    // How many bytes the interpreter may hold.
    std::size_t memoryLimit = std::size_t(1) << 30;
    // Whether the player has asked to end the game; asked now and then while a call runs long.
    std::function<bool()> closeRequested;
};

// The script host: runs the game's scripts in an embedded Lua interpreter and turns engine
// events into calls of their global functions and of the handlers attached to widgets.
//
// Script errors never stop the engine, and nothing a script does can raise an error through the
// engine's own code: every entry into the interpreter, including each push and lookup that may
// run the collector and so a finalizer, happens inside one protected call (enter). Errors of
// files and text that the host runs, and of calls the engine makes from its own loop, are
// printed on standard error with the chain of calls that raised them, and handed to the
// application to show. An error its source (update, a handler, a file) keeps raising is
// printed once, and again only after the source has run cleanly in between. A callback made
// while a script method runs (onSetVideoMode for a video-mode change asked for by update, say)
// ends the script code that called the method, as a plain call would: the method raises the
// error once the engine's work is done (RunningMethod). A global function the script does not
// define is skipped.
//
// The host also bounds every call: one that runs past the time limit, or past half a second once
// the player has asked to close the window, is stopped with a script error, raised again at
// every instruction until the call has returned to the engine so that no pcall can swallow it
// for good. Calls made while a call runs (callbacks of a method) run on its time. Allocations
// past the memory limit fail, and the script gets Lua's "not enough memory".
class LUAImpl : public ScriptingInterface {
public:
    explicit LUAImpl(ScriptEnvironment environment);
    ~LUAImpl() override;
    LUAImpl(const LUAImpl&) = delete;
    LUAImpl& operator=(const LUAImpl&) = delete;

    // Makes a fresh interpreter with the script classes, globals and enumeration tables, then
    // runs scripts/startup.lua and the launch script.
    bool load(const std::string& launchScriptName) override;
    void reload() override;
    void start() override;
    // The script sees the frame time rounded to six decimals, as the text "%f" gives it.
    void update(float frameTime) override;
    void runFile(const std::string& fileName) override;
    void onGlobalKey(int keyCode, bool pressed, bool handled, const KeyModifiers& modifiers) override;
    void onTextTyped(uint32_t character) override;
    void redraw() override;
    void quit() override;
    void onFocus(bool gained) override;
    void onMouse(const MouseFact& fact) override;
    void onPadButton(int pad, int button, bool pressed) override;
    void onPadConnected(int pad, bool connected) override;
    bool onWidgetClose(int handler, bool dismissedByEscape) override;
    bool onWidgetKey(int handler, int keyCode, bool pressed) override;
    bool onWidgetDraw(int handler) override;
    bool onTextFieldEnter(int handler, const WideString& text) override;
    // Publishes the renderer's new screen buffer before the script's onSetVideoMode runs.
    void onSetVideoMode(int mode) override;
    void releaseReference(int reference) override;
    std::size_t heapBytes() const override { return allocatedBytes; }

private:
    // The script code an entry runs: a global function's name, a file's path, or "handler" and
    // the handler's reference. Kept as a short name and a number, so that the calls made
    // every frame (update, draw handlers) allocate nothing for it.
    using ErrorSource = std::pair<std::string, int>;

    // Where an error of the script code that an entry runs goes.
    enum class Errors { Reported, EndCallingScript };

    template <class Body>
    bool enter(Errors errors, const ErrorSource& source, Body body);
    template <class Body>
    static int runBody(lua_State* L);
    // Whether a callback may run now: not while the host closes, nor once an earlier callback
    // of the running method has failed.
    bool callbacksAllowed() const;

    void openInterpreter();
    void closeInterpreter();
    void publishGlobals(lua_State* L);
    void publishScreenBuffer(lua_State* L);

    lua_State* activeThread() const;
    void runScriptFile(const std::string& path);
    // Calls the script's global function, if it defines one, with the arguments that
    // pushArguments pushes (it returns their count).
    template <class PushArguments>
    void callGlobal(const char* function, Errors errors, PushArguments pushArguments);
    template <class PushArguments>
    bool runHandler(int reference, PushArguments pushArguments, bool* answer = nullptr);
    void reportError(lua_State* L, const ErrorSource& source);
    // Notes the error of a source; false when it is the error the source gave last.
    bool recordError(const ErrorSource& source, const std::string& text);
    static LUAImpl& hostOf(lua_State* L);
    static void* allocate(void* host, void* block, std::size_t oldSize, std::size_t newSize);
    // Starts the clock of an entry made from the engine's loop, and watches the entry's thread.
    void beginEntry(lua_State* L);
    static void watchTime(lua_State* L, lua_Debug* event);
    // Whether the running call must stop now; says why in stopReason.
    bool callMustStop(std::chrono::steady_clock::time_point now);
    static int addTraceback(lua_State* L);
    static int keepErrorValue(lua_State* L);

    ScriptEnvironment environment;
    lua_State* state = nullptr;
    std::string scriptName;
    // The engine objects published as globals, registered as live while the interpreter runs.
    std::vector<const void*> liveGlobals;
    const void* publishedBuffer = nullptr;
    // The error each source of script code gave last, as a hash of its text, until it runs cleanly.
    std::map<ErrorSource, std::size_t> reportedErrors;
    static constexpr std::size_t MostRecordedSources = 256;
    bool recordOverflowSaid = false;
    // The chain of calls of the latest error that a callback raised inside a method.
    std::string deferredTraceback;

    // Entries under way, and when the outermost began.
    int entryDepth = 0;
    std::chrono::steady_clock::time_point entryStart;
    std::chrono::steady_clock::time_point nextClosePoll;
    std::string stopReason;
    std::size_t allocatedBytes = 0;
    // The message handler may go a little past the memory limit, to report running out.
    bool reportingError = false;
};

} // namespace qel
