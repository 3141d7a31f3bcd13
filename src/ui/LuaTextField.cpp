#include "ui/LuaTextField.hpp"

#include "ui/LuaWidget.hpp"

#include "script/ScriptArguments.hpp"
#include "ui/LuaWidgetArguments.hpp"
#include "ui/TextField.hpp"

namespace qel {

namespace {

// Takes the focus whatever windows are open.
int focus(LuaTextField& field, lua_State* L)
{
    field.live(L).focus();
    return 0;
}

// Only the focused field gives the focus up, and then by the focus rule: the main input keeps
// it while no closable window is open.
int unfocus(LuaTextField& field, lua_State* L)
{
    field.live(L).unfocus();
    return 0;
}

int getText(LuaTextField& field, lua_State* L)
{
    return pushText(L, field.live(L).getText());
}

int setText(LuaTextField& field, lua_State* L)
{
    field.live(L).setText(toWide(readText(L, lastArgument(L))));
    return 0;
}

int clear(LuaTextField& field, lua_State* L)
{
    field.live(L).setText(WideString());
    return 0;
}

int setInputPrefix(LuaTextField& field, lua_State* L)
{
    field.live(L).setInputPrefix(toWide(readText(L, lastArgument(L))));
    return 0;
}

// The handler gets the field's text when Return is pressed while the field has the focus.
int onEnter(LuaTextField& field, lua_State* L)
{
    TextField& live = field.live(L);
    live.setEnterHandler(replaceHandler(L, live.getEnterHandler()));
    return 0;
}

constexpr auto fieldMethods = widgetMethods<LuaTextField>({
    {"focus", focus},
    {"unfocus", unfocus},
    {"getText", getText},
    {"setText", setText},
    {"clear", clear},
    {"setInputPrefix", setInputPrefix},
    {"onEnter", onEnter},
});

} // namespace

const char* const LuaTextField::className = "LuaTextField";

const ScriptMethod<LuaTextField>* const LuaTextField::methods = fieldMethods.data();

} // namespace qel
