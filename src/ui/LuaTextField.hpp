#pragma once

#include "ui/LuaWidget.hpp"

namespace qel {

class TextField;

// Script class LuaTextField, made with LuaTextField(handle) from a handle that
// LuaUI.createTextField gave. Once its window is closed or a reload removed it, the object is
// stale and raises script errors.
class LuaTextField : public LuaWidget<TextField> {
public:
    static const char* const className;
    static const ScriptMethod<LuaTextField>* const methods;

    explicit LuaTextField(lua_State* L);

    int focus(lua_State* L);
    int unfocus(lua_State* L);
    int getText(lua_State* L);
    int setText(lua_State* L);
    int clear(lua_State* L);
    int setInputPrefix(lua_State* L);
    int onEnter(lua_State* L);
};

} // namespace qel
