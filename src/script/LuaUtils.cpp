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
    return pushInteger(L, hashString(readText(L, 1).c_str()));
}

} // namespace qel
