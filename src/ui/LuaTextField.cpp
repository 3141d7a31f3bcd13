#include "ui/LuaTextField.hpp"

#include "script/ScriptArguments.hpp"
#include "ui/LuaWidgetArguments.hpp"
#include "ui/TextField.hpp"

namespace qel {

const char* const LuaTextField::className = "LuaTextField";

const ScriptMethod<LuaTextField> LuaTextField::methods[] = {
    {"instance", &LuaTextField::instance},
    {"focus", &LuaTextField::focus},
    {"unfocus", &LuaTextField::unfocus},
    {"getText", &LuaTextField::getText},
    {"setText", &LuaTextField::setText},
    {"clear", &LuaTextField::clear},
    {"setInputPrefix", &LuaTextField::setInputPrefix},
    {"onEnter", &LuaTextField::onEnter},
    {"setId", &LuaTextField::setId},
    {"getId", &LuaTextField::getId},
    {nullptr, nullptr},
};

LuaTextField::LuaTextField(lua_State* L) : field(L)
{
}

int LuaTextField::instance(lua_State* L)
{
    return field.pushInstance(L);
}

// Takes the focus whatever windows are open.
int LuaTextField::focus(lua_State* L)
{
    field.live(L).focus();
    return 0;
}

// Only the focused field gives the focus up, and then by the focus rule: the main input keeps
// it while no closable window is open.
int LuaTextField::unfocus(lua_State* L)
{
    field.live(L).unfocus();
    return 0;
}

int LuaTextField::getText(lua_State* L)
{
    return pushText(L, field.live(L).getText());
}

int LuaTextField::setText(lua_State* L)
{
    field.live(L).setText(toWide(readText(L, lastArgument(L))));
    return 0;
}

int LuaTextField::clear(lua_State* L)
{
    field.live(L).setText(WideString());
    return 0;
}

int LuaTextField::setInputPrefix(lua_State* L)
{
    field.live(L).setInputPrefix(toWide(readText(L, lastArgument(L))));
    return 0;
}

// The handler gets the field's text when Return is pressed while the field has the focus.
int LuaTextField::onEnter(lua_State* L)
{
    TextField& live = field.live(L);
    live.setEnterHandler(replaceHandler(L, live.getEnterHandler()));
    return 0;
}

int LuaTextField::setId(lua_State* L)
{
    field.live(L).setId(readInteger(L, 1));
    return 0;
}

int LuaTextField::getId(lua_State* L)
{
    lua_pushinteger(L, field.live(L).getId());
    return 1;
}

} // namespace qel
