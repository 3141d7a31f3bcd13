#pragma once

#include "script/ScriptBinding.hpp"

namespace qel {

class Console;

// Script class LuaConsole, made with LuaConsole(handle) from a handle that
// LuaUI.createConsole gave. Consoles stay until removed or the scripts reload.
class LuaConsole : public EngineObject<Console> {
public:
    static const char* const className;
    static const ScriptMethod<LuaConsole>* const methods;

    using EngineObject::EngineObject;
};

} // namespace qel
