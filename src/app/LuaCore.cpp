#include "app/LuaCore.hpp"

#include "app/Core.hpp"
#include "display/Renderer.hpp"
#include "script/ScriptArguments.hpp"

namespace qel {

const char* const LuaCore::className = "LuaCore";

const ScriptMethod<LuaCore> LuaCore::methods[] = {
    {"instance", &LuaCore::instance},
    {"load", &LuaCore::load},
    {"exit", &LuaCore::exit},
    {"toggleFullscreen", &LuaCore::toggleFullscreen},
    {"setWindowTitle", &LuaCore::setWindowTitle},
    {"setVideoMode", &LuaCore::setVideoMode},
    {"getVideoMode", &LuaCore::getVideoMode},
    {"setDisplayStyle", &LuaCore::setDisplayStyle},
    {"getDisplayStyle", &LuaCore::getDisplayStyle},
    {"setWallpaper", &LuaCore::setWallpaper},
    {"getWallpaper", &LuaCore::getWallpaper},
    {nullptr, nullptr},
};

LuaCore::LuaCore(lua_State* L) : core(L)
{
}

int LuaCore::instance(lua_State* L)
{
    return core.pushInstance(L);
}

// Runs the file at once, nested in the calling script; the name is taken as it is, ".lua" included.
int LuaCore::load(lua_State* L)
{
    core.live(L).runScript(readText(L, 1));
    return 0;
}

// The calling script goes on; the program ends after the frame in progress.
int LuaCore::exit(lua_State* L)
{
    core.live(L).exit(readInteger(L, 1));
    return 0;
}

// The window is made again as the frame ends, once however often a script toggles in the frame.
int LuaCore::toggleFullscreen(lua_State* L)
{
    core.live(L).requestFullscreenToggle();
    return 0;
}

// The window takes the bytes as they are, with no UTF-8 decoding.
int LuaCore::setWindowTitle(lua_State* L)
{
    core.live(L).setWindowTitle(readText(L, 1));
    return 0;
}

// Calls the script's onSetVideoMode and redraw before it returns.
int LuaCore::setVideoMode(lua_State* L)
{
    core.live(L).getRenderer()->setVideoMode(static_cast<VideoMode>(readInteger(L, 1)), Repaint::Now);
    return 0;
}

int LuaCore::getVideoMode(lua_State* L)
{
    return pushInteger(L, static_cast<int>(core.live(L).getRenderer()->getVideoMode()));
}

int LuaCore::setDisplayStyle(lua_State* L)
{
    core.live(L).getRenderer()->setDisplayStyle(static_cast<DisplayStyle>(readInteger(L, 1)), Repaint::Now);
    return 0;
}

int LuaCore::getDisplayStyle(lua_State* L)
{
    return pushInteger(L, static_cast<int>(core.live(L).getRenderer()->getDisplayStyle()));
}

int LuaCore::setWallpaper(lua_State* L)
{
    core.live(L).getRenderer()->setWallpaper(readInteger(L, 1));
    return 0;
}

int LuaCore::getWallpaper(lua_State* L)
{
    return pushInteger(L, core.live(L).getRenderer()->getWallpaper());
}

} // namespace qel
