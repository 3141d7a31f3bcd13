#include "ui/LuaWidgetArguments.hpp"

#include "script/ScriptArguments.hpp"
#include "script/ScriptBinding.hpp"
#include "script/ScriptingInterface.hpp"

#include <string>

namespace qel {

int replaceHandler(lua_State* L, int previousReference)
{
    const int index = lastArgument(L);
    int reference = NoReference;
    if (!lua_isnoneornil(L, index)) {
        if (!lua_isfunction(L, index))
            methodError(L, "argument %d must be a function or nil, not %s", index, luaL_typename(L, index));
        lua_pushvalue(L, index); /* ..., handler */
        reference = luaL_ref(L, LUA_REGISTRYINDEX); /* ... */
    }
    luaL_unref(L, LUA_REGISTRYINDEX, previousReference);
    return reference;
}

int pushText(lua_State* L, const WideString& text)
{
    const std::string utf8 = toUtf8(text);
    lua_pushlstring(L, utf8.data(), utf8.size());
    return 1;
}

} // namespace qel
