#include "ui/LuaLabel.hpp"

#include "ui/LuaWidget.hpp"

#include "script/ScriptArguments.hpp"
#include "ui/Label.hpp"
#include "ui/LuaWidgetArguments.hpp"

namespace qel {

namespace {

int getText(LuaLabel& label, lua_State* L)
{
    return pushText(L, label.live(L).getText());
}

int setText(LuaLabel& label, lua_State* L)
{
    label.live(L).setText(toWide(readText(L, lastArgument(L))));
    return 0;
}

constexpr auto labelMethods = widgetMethods<LuaLabel>({
    {"getText", getText},
    {"setText", setText},
});

} // namespace

const char* const LuaLabel::className = "LuaLabel";

const ScriptMethod<LuaLabel>* const LuaLabel::methods = labelMethods.data();

} // namespace qel
