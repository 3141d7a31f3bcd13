#include "ui/LuaLabel.hpp"

#include "script/ScriptArguments.hpp"
#include "ui/Label.hpp"
#include "ui/LuaWidgetArguments.hpp"

namespace qel {

const char* const LuaLabel::className = "LuaLabel";

const ScriptMethod<LuaLabel> LuaLabel::methods[] = {
    {"instance", &LuaLabel::instance},
    {"getText", &LuaLabel::getText},
    {"setText", &LuaLabel::setText},
    {"setId", &LuaLabel::setId},
    {"getId", &LuaLabel::getId},
    {nullptr, nullptr},
};

LuaLabel::LuaLabel(lua_State* L) : label(L)
{
}

int LuaLabel::instance(lua_State* L)
{
    return label.pushInstance(L);
}

int LuaLabel::getText(lua_State* L)
{
    return pushText(L, label.live(L).getText());
}

int LuaLabel::setText(lua_State* L)
{
    label.live(L).setText(toWide(readText(L, lastArgument(L))));
    return 0;
}

int LuaLabel::setId(lua_State* L)
{
    label.live(L).setId(readInteger(L, 1));
    return 0;
}

int LuaLabel::getId(lua_State* L)
{
    lua_pushinteger(L, label.live(L).getId());
    return 1;
}

} // namespace qel
