#pragma once

#include "script/ScriptBinding.hpp"

namespace qel {

class ScreenBuffer;

// Script class LuaScreenBuffer: drawing on the screen, made with LuaScreenBuffer(gScreenBuffer).
// A video-mode change replaces the buffer, so scripts make a new object in onSetVideoMode; an
// object kept from before raises a script error.
//
// Every method but instance, redraw and clear takes one table of named options, read from the
// last argument, so the dot and the colon form of a call behave alike.
class LuaScreenBuffer {
public:
    static const char* const className;
    static const ScriptMethod<LuaScreenBuffer> methods[];

    explicit LuaScreenBuffer(lua_State* L);

    int instance(lua_State* L);
    int redraw(lua_State* L);
    int clear(lua_State* L);
    int print(lua_State* L);
    int fillRow(lua_State* L);
    int fillRect(lua_State* L);
    int clearRect(lua_State* L);
    int drawBorder(lua_State* L);
    int put(lua_State* L);

private:
    EngineObject<ScreenBuffer> buffer;
};

} // namespace qel
