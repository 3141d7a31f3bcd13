#pragma once

#include "script/ScriptBinding.hpp"

namespace qel {

class SoundManager;

// Script class LuaSoundManager: loading and playing sounds, made with
// LuaSoundManager(gSoundManager). Sounds are named by the integer that load returns, the hash of
// their path; an integer that names no sound gives false, 0 or {0, 0, 0}.
class LuaSoundManager {
public:
    static const char* const className;
    static const ScriptMethod<LuaSoundManager> methods[];

    explicit LuaSoundManager(lua_State* L);

    int instance(lua_State* L);
    int load(lua_State* L);
    int unload(lua_State* L);
    int unloadAll(lua_State* L);
    int play(lua_State* L);
    int pause(lua_State* L);
    int stop(lua_State* L);
    int setVolume(lua_State* L);
    int setPan(lua_State* L);
    int setPitch(lua_State* L);
    int setLoop(lua_State* L);
    int set3D(lua_State* L);
    int setPosition(lua_State* L);
    int getVolume(lua_State* L);
    int getPan(lua_State* L);
    int getPitch(lua_State* L);
    int getLoop(lua_State* L);
    int is3D(lua_State* L);
    int getPosition(lua_State* L);

private:
    EngineObject<SoundManager> manager;
};

} // namespace qel
