#pragma once

#include "script/ScriptBinding.hpp"

namespace qel {

class Core;

// Script class LuaCore: the application controls of Core and its renderer, made with
// LuaCore(gCore).
class LuaCore {
public:
    static const char* const className;
    static const ScriptMethod<LuaCore> methods[];

    explicit LuaCore(lua_State* L);

    int instance(lua_State* L);
    int load(lua_State* L);
    int exit(lua_State* L);
    int toggleFullscreen(lua_State* L);
    int setWindowTitle(lua_State* L);
    int setVideoMode(lua_State* L);
    int getVideoMode(lua_State* L);
    int setDisplayStyle(lua_State* L);
    int getDisplayStyle(lua_State* L);
    int setWallpaper(lua_State* L);
    int getWallpaper(lua_State* L);

private:
    EngineObject<Core> core;
};

} // namespace qel
