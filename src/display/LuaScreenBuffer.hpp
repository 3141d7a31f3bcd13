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
class LuaScreenBuffer : public EngineObject<ScreenBuffer> {
public:
    static const char* const className;
    static const ScriptMethod<LuaScreenBuffer> methods[];

    using EngineObject::EngineObject;
};

} // namespace qel
