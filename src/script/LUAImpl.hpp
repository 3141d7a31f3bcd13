#pragma once

#include "script/ScriptingInterface.hpp"

#include <string>
#include <vector>

struct lua_State;

namespace qel {

class Core;
class ScreenBuffer;

// The script host: runs the game's scripts in an embedded Lua interpreter and turns engine
// events into calls of their global functions and of the handlers attached to widgets.
//
// Script errors never stop the engine. Script code that the host runs as a file or as text runs
// protected, and so do the calls the engine makes from its own loop; their errors are printed
// on standard error, a message repeated frame after frame only once. A call made while script
// code runs (a video-mode change asked for by update, say) is plain: its error ends that code,
// as any error of the script would. A global function the script does not define is skipped.
class LUAImpl : public ScriptingInterface {
public:
    explicit LUAImpl(Core* core);
    ~LUAImpl() override;
    LUAImpl(const LUAImpl&) = delete;
    LUAImpl& operator=(const LUAImpl&) = delete;

    // Makes a fresh interpreter with the script classes, globals and enumeration tables, then
    // runs scripts/startup.lua and the launch script.
    bool load(const std::string& launchScriptName) override;
    void reload() override;
    void start() override;
    // Runs the text "update(%f)": the script sees the frame time rounded to six decimals.
    void update(float frameTime) override;
    void runFile(const std::string& fileName) override;
    void onGlobalKey(int keyCode, bool pressed, bool handled) override;
    void redraw() override;
    bool onWidgetClose(UIWidget* widget, bool dismissedByEscape) override;
    bool onWidgetKey(UIWidget* widget, int keyCode, bool pressed) override;
    bool onWidgetDraw(UIWidget* widget) override;
    bool onTextFieldEnter(TextField* field) override;
    // Publishes the renderer's new screen buffer before the script's onSetVideoMode runs.
    void onSetVideoMode(int mode) override;

private:
    void closeInterpreter();
    void publishGlobals();
    template <class Engine>
    void publishLive(const char* name, Engine* object);
    void publishScreenBuffer();
    void publish(const char* name, void* object);

    lua_State* activeThread() const;
    void runFileProtected(const std::string& path);
    void runTextProtected(const char* text);
    void runProtected(lua_State* L, int loadStatus);
    void runGlobalProtected(const char* function, const char* text);
    bool pushGlobalFunction(lua_State* L, const char* name);
    bool pushHandler(lua_State* L, int reference);
    bool call(lua_State* L, int argumentCount, int resultCount);
    void reportError(lua_State* L);

    Core* core;
    lua_State* state = nullptr;
    std::string scriptName;
    // Protected runs and protected calls in progress; calls made inside one are plain.
    int protectedDepth = 0;
    // The engine objects published as globals, registered as live while the interpreter runs.
    std::vector<const void*> liveGlobals;
    ScreenBuffer* publishedBuffer = nullptr;
    std::string lastError;
};

} // namespace qel
