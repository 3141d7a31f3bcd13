#include "script/LuaUtils.hpp"

#include "base/HashString.hpp"
#include "script/ScriptArguments.hpp"

namespace qel {

const char* const LuaUtils::className = "LuaUtils";

const ScriptMethod<LuaUtils> LuaUtils::methods[] = {
    {"hash", &LuaUtils::hash},
    {nullptr, nullptr},
};

LuaUtils::LuaUtils(lua_State*)
{
}

int LuaUtils::hash(lua_State* L)
{
    lua_pushinteger(L, hashString(readText(L, 1).c_str()));
    return 1;
}

} // namespace qel
