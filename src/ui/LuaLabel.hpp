#pragma once

#include "ui/LuaWidget.hpp"

namespace qel {

class Label;

// Script class LuaLabel, made with LuaLabel(handle) from a handle that LuaUI.createLabel gave.
// Once its window is closed or a reload removed it, the object is stale and raises script errors.
class LuaLabel : public LuaWidget<Label> {
public:
    static const char* const className;
    static const ScriptMethod<LuaLabel>* const methods;

    explicit LuaLabel(lua_State* L);

    int getText(lua_State* L);
    int setText(lua_State* L);
};

} // namespace qel
