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

} // namespace

const char* const LuaSoundManager::className = "LuaSoundManager";

const ScriptMethod<LuaSoundManager> LuaSoundManager::methods[] = {
    {"instance", &LuaSoundManager::instance},
    {"load", &LuaSoundManager::load},
    {"unload", &LuaSoundManager::unload},
    {"unloadAll", &LuaSoundManager::unloadAll},
    {"play", &LuaSoundManager::play},
    {"pause", &LuaSoundManager::pause},
    {"stop", &LuaSoundManager::stop},
    {"setVolume", &LuaSoundManager::setVolume},
    {"setPan", &LuaSoundManager::setPan},
    {"setPitch", &LuaSoundManager::setPitch},
    {"setLoop", &LuaSoundManager::setLoop},
    {"set3D", &LuaSoundManager::set3D},
    {"setPosition", &LuaSoundManager::setPosition},
    {"getVolume", &LuaSoundManager::getVolume},
    {"getPan", &LuaSoundManager::getPan},
    {"getPitch", &LuaSoundManager::getPitch},
    {"getLoop", &LuaSoundManager::getLoop},
    {"is3D", &LuaSoundManager::is3D},
    {"getPosition", &LuaSoundManager::getPosition},
    {nullptr, nullptr},
};

LuaSoundManager::LuaSoundManager(lua_State* L) : manager(L)
{
}

int LuaSoundManager::instance(lua_State* L)
{
    return manager.pushInstance(L);
}

// The optional volume, pan and pitch count by the arguments passed, not by their types: an
// explicit nil sets 0. A path loaded before gets them again.
int LuaSoundManager::load(lua_State* L)
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

int LuaSoundManager::unload(lua_State* L)
{
    manager.live(L).unload(readInteger(L, 1));
    return 0;
}

int LuaSoundManager::unloadAll(lua_State* L)
{
    manager.live(L).unloadAll();
    return 0;
}

int LuaSoundManager::play(lua_State* L)
{
    return pushBoolean(L, manager.live(L).play(readInteger(L, 1)));
}

int LuaSoundManager::pause(lua_State* L)
{
    return pushBoolean(L, manager.live(L).pause(readInteger(L, 1)));
}

int LuaSoundManager::stop(lua_State* L)
{
    return pushBoolean(L, manager.live(L).stop(readInteger(L, 1)));
}

int LuaSoundManager::setVolume(lua_State* L)
{
    return pushBoolean(L, manager.live(L).setVolume(readInteger(L, 1), readFloat(L, 2)));
}

int LuaSoundManager::setPan(lua_State* L)
{
    return pushBoolean(L, manager.live(L).setPan(readInteger(L, 1), readFloat(L, 2)));
}

int LuaSoundManager::setPitch(lua_State* L)
{
    return pushBoolean(L, manager.live(L).setPitch(readInteger(L, 1), readFloat(L, 2)));
}

int LuaSoundManager::setLoop(lua_State* L)
{
    return pushBoolean(L, manager.live(L).setLoop(readInteger(L, 1), readSwitch(L, 2)));
}

int LuaSoundManager::set3D(lua_State* L)
{
    return pushBoolean(L, manager.live(L).set3D(readInteger(L, 1), readSwitch(L, 2)));
}

// Only a 3D sound is placed by coordinates; the others keep the place their pan gave them.
int LuaSoundManager::setPosition(lua_State* L)
{
    SoundManager& sounds = manager.live(L);
    const int32_t id = readInteger(L, 1);
    if (!sounds.is3D(id))
        return pushBoolean(L, false);
    return pushBoolean(L, sounds.setPosition(id, readFloat(L, 2), readFloat(L, 3), readFloat(L, 4)));
}

int LuaSoundManager::getVolume(lua_State* L)
{
    return pushNumber(L, manager.live(L).getVolume(readInteger(L, 1)));
}

int LuaSoundManager::getPan(lua_State* L)
{
    return pushNumber(L, manager.live(L).getPan(readInteger(L, 1)));
}

int LuaSoundManager::getPitch(lua_State* L)
{
    return pushNumber(L, manager.live(L).getPitch(readInteger(L, 1)));
}

int LuaSoundManager::getLoop(lua_State* L)
{
    return pushBoolean(L, manager.live(L).getLoop(readInteger(L, 1)));
}

int LuaSoundManager::is3D(lua_State* L)
{
    return pushBoolean(L, manager.live(L).is3D(readInteger(L, 1)));
}

// A fresh table every time, {x, y, z}, so a script may keep and change it.
int LuaSoundManager::getPosition(lua_State* L)
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

} // namespace qel
