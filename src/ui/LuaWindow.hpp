#pragma once

#include "ui/LuaWidget.hpp"
#include "ui/UIWidget.hpp"

namespace qel {

class Window;

// Script class LuaWindow, made with LuaWindow(handle) from a handle that LuaUI.createWindow
// gave. A window closed by the player or removed by a reload leaves the object stale: its
// methods then raise a script error.
class LuaWindow : public LuaWidget<Window> {
public:
    static const char* const className;
    static const ScriptMethod<LuaWindow>* const methods;

    explicit LuaWindow(lua_State* L);

    int close(lua_State* L);
    int onClose(lua_State* L);
    int onKey(lua_State* L);
    int onDraw(lua_State* L);
    int setTitle(lua_State* L);
    int getTitle(lua_State* L);

private:
    int setHandler(lua_State* L, HandlerSlot slot);
};

} // namespace qel
