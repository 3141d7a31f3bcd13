#pragma once

#include "ui/LuaWidget.hpp"

namespace qel {

class Console;

// Script class LuaConsole, made with LuaConsole(handle) from a handle that
// LuaUI.createConsole gave. Consoles stay until the program ends, across reloads.
class LuaConsole : public LuaWidget<Console> {
public:
    static const char* const className;
    static const ScriptMethod<LuaConsole>* const methods;

    explicit LuaConsole(lua_State* L);

    int setActive(lua_State* L);
    int isActive(lua_State* L);
    int display(lua_State* L);
    int insert(lua_State* L);
    int insertEmptyLine(lua_State* L);
    int clear(lua_State* L);
};

} // namespace qel
