#include "ui/LuaTextField.hpp"

#include "script/ScriptArguments.hpp"
#include "ui/LuaWidgetArguments.hpp"
#include "ui/TextField.hpp"

namespace qel {

const char* const LuaTextField::className = "LuaTextField";

namespace {

constexpr auto fieldMethods = widgetMethods<LuaTextField>({
    {"focus", &LuaTextField::focus},
    {"unfocus", &LuaTextField::unfocus},
    {"getText", &LuaTextField::getText},
    {"setText", &LuaTextField::setText},
    {"clear", &LuaTextField::clear},
    {"setInputPrefix", &LuaTextField::setInputPrefix},
    {"onEnter", &LuaTextField::onEnter},
});

} // namespace

const ScriptMethod<LuaTextField>* const LuaTextField::methods = fieldMethods.data();

LuaTextField::LuaTextField(lua_State* L) : LuaWidget(L)
{
}

// Takes the focus whatever windows are open.
int LuaTextField::focus(lua_State* L)
{
    widget.live(L).focus();
    return 0;
}

// Only the focused field gives the focus up, and then by the focus rule: the main input keeps
// it while no closable window is open.
int LuaTextField::unfocus(lua_State* L)
{
    widget.live(L).unfocus();
    return 0;
}

int LuaTextField::getText(lua_State* L)
{
    return pushText(L, widget.live(L).getText());
}

int LuaTextField::setText(lua_State* L)
{
    widget.live(L).setText(toWide(readText(L, lastArgument(L))));
    return 0;
}

int LuaTextField::clear(lua_State* L)
{
    widget.live(L).setText(WideString());
    return 0;
}

int LuaTextField::setInputPrefix(lua_State* L)
{
    widget.live(L).setInputPrefix(toWide(readText(L, lastArgument(L))));
    return 0;
}

// The handler gets the field's text when Return is pressed while the field has the focus.
int LuaTextField::onEnter(lua_State* L)
{
    TextField& live = widget.live(L);
    live.setEnterHandler(replaceHandler(L, live.getEnterHandler()));
    return 0;
}

} // namespace qel
