#include "ui/LuaWindow.hpp"

#include "ui/LuaWidget.hpp"

#include "script/ScriptArguments.hpp"
#include "ui/LuaWidgetArguments.hpp"
#include "ui/Window.hpp"

namespace qel {

namespace {

// The window keeps the handler in the slot; the one it kept before is let go.
int setHandler(LuaWindow& window, lua_State* L, HandlerSlot slot)
{
    Window& live = window.live(L);
    live.setHandler(slot, replaceHandler(L, live.getHandler(slot)));
    return 0;
}

// Runs the close handler with false, then removes the window; the script repaints before this returns.
int close(LuaWindow& window, lua_State* L)
{
    window.live(L).close();
    return 0;
}

// The handler gets one flag: true when Escape dismissed the window.
int onClose(LuaWindow& window, lua_State* L)
{
    return setHandler(window, L, HandlerSlot::Close);
}

// The handler gets the key code and the pressed flag; what it returns decides whether the
// key goes on to the script's key function.
int onKey(LuaWindow& window, lua_State* L)
{
    return setHandler(window, L, HandlerSlot::Key);
}

// The handler runs every frame, printing relative to the window's inside.
int onDraw(LuaWindow& window, lua_State* L)
{
    return setHandler(window, L, HandlerSlot::Draw);
}

int setTitle(LuaWindow& window, lua_State* L)
{
    window.live(L).setTitle(toWide(readText(L, lastArgument(L))));
    return 0;
}

int getTitle(LuaWindow& window, lua_State* L)
{
    return pushText(L, window.live(L).getTitle());
}

constexpr auto windowMethods = widgetMethods<LuaWindow>({
    {"close", close},
    {"onClose", onClose},
    {"onKey", onKey},
    {"onDraw", onDraw},
    {"setTitle", setTitle},
    {"getTitle", getTitle},
});

} // namespace

const char* const LuaWindow::className = "LuaWindow";

const ScriptMethod<LuaWindow>* const LuaWindow::methods = windowMethods.data();

} // namespace qel
