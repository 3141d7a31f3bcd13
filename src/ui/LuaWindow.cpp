#include "ui/LuaWindow.hpp"

#include "script/ScriptArguments.hpp"
#include "ui/LuaWidgetArguments.hpp"
#include "ui/Window.hpp"

namespace qel {

const char* const LuaWindow::className = "LuaWindow";

namespace {

constexpr auto windowMethods = widgetMethods<LuaWindow>({
    {"close", &LuaWindow::close},
    {"onClose", &LuaWindow::onClose},
    {"onKey", &LuaWindow::onKey},
    {"onDraw", &LuaWindow::onDraw},
    {"setTitle", &LuaWindow::setTitle},
    {"getTitle", &LuaWindow::getTitle},
});

} // namespace

const ScriptMethod<LuaWindow>* const LuaWindow::methods = windowMethods.data();

LuaWindow::LuaWindow(lua_State* L) : LuaWidget(L)
{
}

// Runs the close handler with false, then removes the window; the script repaints before this returns.
int LuaWindow::close(lua_State* L)
{
    widget.live(L).close();
    return 0;
}

// The handler gets one flag: true when Escape dismissed the window.
int LuaWindow::onClose(lua_State* L)
{
    return setHandler(L, HandlerSlot::Close);
}

// The handler gets the key code and the pressed flag; what it returns decides whether the
// key goes on to the script's key function.
int LuaWindow::onKey(lua_State* L)
{
    return setHandler(L, HandlerSlot::Key);
}

// The handler runs every frame, printing relative to the window's inside.
int LuaWindow::onDraw(lua_State* L)
{
    return setHandler(L, HandlerSlot::Draw);
}

int LuaWindow::setHandler(lua_State* L, HandlerSlot slot)
{
    Window& live = widget.live(L);
    live.setHandler(slot, replaceHandler(L, live.getHandler(slot)));
    return 0;
}

int LuaWindow::setTitle(lua_State* L)
{
    widget.live(L).setTitle(toWide(readText(L, lastArgument(L))));
    return 0;
}

int LuaWindow::getTitle(lua_State* L)
{
    return pushText(L, widget.live(L).getTitle());
}

} // namespace qel
