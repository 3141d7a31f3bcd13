#pragma once

#include "script/ScriptBinding.hpp"

namespace qel {

class Window;

// Script class LuaWindow, made with LuaWindow(handle) from a handle that LuaUI.createWindow
// gave. A window closed by the player or removed by a reload leaves the object stale: its
// methods then raise a script error.
class LuaWindow : public EngineObject<Window> {
public:
    static const char* const className;
    static const ScriptMethod<LuaWindow>* const methods;

    using EngineObject::EngineObject;
};

} // namespace qel
