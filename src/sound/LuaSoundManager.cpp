#include "sound/LuaSoundManager.hpp"

#include "script/ScriptArguments.hpp"
#include "sound/SoundManager.hpp"

namespace qel {

namespace {

// Sound settings are single precision in the engine.
float readFloat(lua_State* L, int index)
{
    return static_cast<float>(readNumber(L, index));
}

// The optional volume, pan and pitch count by the arguments passed, not by their types: an
// explicit nil sets 0. A path loaded before gets them again.
int load(LuaSoundManager& manager, lua_State* L)
{
    SoundManager& sounds = manager.live(L);
    const int arguments = lua_gettop(L);
    const int32_t id = sounds.load(readText(L, 1).c_str());
    lua_pushinteger(L, id);
    if (id == SoundManager::NoSound)
        return 1;
    if (arguments >= 2)
        sounds.setVolume(id, readFloat(L, 2));
    if (arguments >= 3)
        sounds.setPan(id, readFloat(L, 3));
    if (arguments >= 4)
        sounds.setPitch(id, readFloat(L, 4));
    return 1;
}

int unload(LuaSoundManager& manager, lua_State* L)
{
    manager.live(L).unload(readInteger(L, 1));
    return 0;
}

int unloadAll(LuaSoundManager& manager, lua_State* L)
{
    manager.live(L).unloadAll();
    return 0;
}

int play(LuaSoundManager& manager, lua_State* L)
{
    return pushBoolean(L, manager.live(L).play(readInteger(L, 1)));
}

int pause(LuaSoundManager& manager, lua_State* L)
{
    return pushBoolean(L, manager.live(L).pause(readInteger(L, 1)));
}

int stop(LuaSoundManager& manager, lua_State* L)
{
    return pushBoolean(L, manager.live(L).stop(readInteger(L, 1)));
}

int setVolume(LuaSoundManager& manager, lua_State* L)
{
    return pushBoolean(L, manager.live(L).setVolume(readInteger(L, 1), readFloat(L, 2)));
}

int setPan(LuaSoundManager& manager, lua_State* L)
{
    return pushBoolean(L, manager.live(L).setPan(readInteger(L, 1), readFloat(L, 2)));
}

int setPitch(LuaSoundManager& manager, lua_State* L)
{
    return pushBoolean(L, manager.live(L).setPitch(readInteger(L, 1), readFloat(L, 2)));
}

int setLoop(LuaSoundManager& manager, lua_State* L)
{
    return pushBoolean(L, manager.live(L).setLoop(readInteger(L, 1), readSwitch(L, 2)));
}

int set3D(LuaSoundManager& manager, lua_State* L)
{
    return pushBoolean(L, manager.live(L).set3D(readInteger(L, 1), readSwitch(L, 2)));
}

// Only a 3D sound is placed by coordinates; the others keep the place their pan gave them.
int setPosition(LuaSoundManager& manager, lua_State* L)
{
    SoundManager& sounds = manager.live(L);
    const int32_t id = readInteger(L, 1);
    if (!sounds.is3D(id))
        return pushBoolean(L, false);
    return pushBoolean(L, sounds.setPosition(id, readFloat(L, 2), readFloat(L, 3), readFloat(L, 4)));
}

int getVolume(LuaSoundManager& manager, lua_State* L)
{
    return pushNumber(L, manager.live(L).getVolume(readInteger(L, 1)));
}

int getPan(LuaSoundManager& manager, lua_State* L)
{
    return pushNumber(L, manager.live(L).getPan(readInteger(L, 1)));
}

int getPitch(LuaSoundManager& manager, lua_State* L)
{
    return pushNumber(L, manager.live(L).getPitch(readInteger(L, 1)));
}

int getLoop(LuaSoundManager& manager, lua_State* L)
{
    return pushBoolean(L, manager.live(L).getLoop(readInteger(L, 1)));
}

int is3D(LuaSoundManager& manager, lua_State* L)
{
    return pushBoolean(L, manager.live(L).is3D(readInteger(L, 1)));
}

// A fresh table every time, {x, y, z}, so a script may keep and change it.
int getPosition(LuaSoundManager& manager, lua_State* L)
{
    const sf::Vector3f position = manager.live(L).getPosition(readInteger(L, 1));
    lua_createtable(L, 0, 0); /* table */
    const float coordinates[] = {position.x, position.y, position.z};
    for (int i = 0; i < 3; ++i) {
        lua_pushnumber(L, coordinates[i]); /* table, coordinate */
        lua_rawseti(L, -2, i + 1);         /* table */
    }
    return 1;
}

} // namespace

const char* const LuaSoundManager::className = "LuaSoundManager";

const ScriptMethod<LuaSoundManager> LuaSoundManager::methods[] = {
    {"instance", instanceMethod<LuaSoundManager>},
    {"load", load},
    {"unload", unload},
    {"unloadAll", unloadAll},
    {"play", play},
    {"pause", pause},
    {"stop", stop},
    {"setVolume", setVolume},
    {"setPan", setPan},
    {"setPitch", setPitch},
    {"setLoop", setLoop},
    {"set3D", set3D},
    {"setPosition", setPosition},
    {"getVolume", getVolume},
    {"getPan", getPan},
    {"getPitch", getPitch},
    {"getLoop", getLoop},
    {"is3D", is3D},
    {"getPosition", getPosition},
    {nullptr, nullptr},
};

} // namespace qel
