#pragma once

#include "script/ScriptBinding.hpp"

namespace qel {

class UI;

// Script class LuaUI, made with LuaUI(gUI): creates windows, labels, text fields and consoles,
// opens message boxes and applies the focus rule. The create methods take one table of named
// options, read from the last argument, and return the new object's handle for the matching
// script class (LuaWindow, LuaLabel, LuaTextField, LuaConsole).
class LuaUI : public EngineObject<UI> {
public:
    static const char* const className;
    static const ScriptMethod<LuaUI> methods[];

    using EngineObject::EngineObject;
};

} // namespace qel
