#include "ui/LuaLabel.hpp"

#include "script/ScriptArguments.hpp"
#include "ui/Label.hpp"
#include "ui/LuaWidgetArguments.hpp"

namespace qel {

const char* const LuaLabel::className = "LuaLabel";

namespace {

constexpr auto labelMethods = widgetMethods<LuaLabel>({
    {"getText", &LuaLabel::getText},
    {"setText", &LuaLabel::setText},
});

} // namespace

const ScriptMethod<LuaLabel>* const LuaLabel::methods = labelMethods.data();

LuaLabel::LuaLabel(lua_State* L) : LuaWidget(L)
{
}

int LuaLabel::getText(lua_State* L)
{
    return pushText(L, widget.live(L).getText());
}

int LuaLabel::setText(lua_State* L)
{
    widget.live(L).setText(toWide(readText(L, lastArgument(L))));
    return 0;
}

} // namespace qel
