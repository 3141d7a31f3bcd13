#pragma once

#include "script/ScriptBinding.hpp"

#include <memory>

namespace qel {

class ScreenBuffer;

// Script class LuaScreenBuffer: drawing on the screen, made with LuaScreenBuffer(gScreenBuffer).
// A video-mode change replaces the buffer, so scripts make a new object in onSetVideoMode; an
// object kept from before raises a script error. LuaScreenBuffer.new makes an off-screen buffer
// that belongs to its script object and goes with it.
//
// Every method but instance, redraw and clear takes one table of named options, read from the
// last argument, so the dot and the colon form of a call behave alike.
class LuaScreenBuffer : public EngineObject<ScreenBuffer> {
public:
    static const char* const className;
    static const ScriptMethod<LuaScreenBuffer> methods[];
    static const ClassFunction classFunctions[];

    using EngineObject::EngineObject;
    // Owns the off-screen buffer, which the engine counts as live while the object holds it. Its
    // bytes, taken from the off-screen memory when it was made, go back when the object goes.
    explicit LuaScreenBuffer(std::unique_ptr<ScreenBuffer> buffer);
    ~LuaScreenBuffer();
    LuaScreenBuffer(const LuaScreenBuffer&) = delete;
    LuaScreenBuffer& operator=(const LuaScreenBuffer&) = delete;

private:
    std::unique_ptr<ScreenBuffer> owned;
};

} // namespace qel
