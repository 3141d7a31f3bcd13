#pragma once

#include "script/ScriptBinding.hpp"

namespace qel {

class UI;

// Script class LuaUI, made with LuaUI(gUI): creates windows, labels, text fields and consoles,
// opens message boxes and applies the focus rule. The create methods take one table of named
// options, read from the last argument, and return the new object's handle for the matching
// script class (LuaWindow, LuaLabel, LuaTextField, LuaConsole).
class LuaUI {
public:
    static const char* const className;
    static const ScriptMethod<LuaUI> methods[];

    explicit LuaUI(lua_State* L);

    int instance(lua_State* L);
    int unfocus(lua_State* L);
    int showMessageBox(lua_State* L);
    int createConsole(lua_State* L);
    int createTextField(lua_State* L);
    int createWindow(lua_State* L);
    int createLabel(lua_State* L);

private:
    EngineObject<UI> ui;
};

} // namespace qel
