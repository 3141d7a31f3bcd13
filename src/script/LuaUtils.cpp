#include "script/LuaUtils.hpp"

#include "base/HashString.hpp"
#include "script/ScriptArguments.hpp"

namespace qel {

namespace {

int hash(LuaUtils&, lua_State* L)
{
    return pushInteger(L, hashString(readText(L, 1).c_str()));
}

} // namespace

const char* const LuaUtils::className = "LuaUtils";

const ScriptMethod<LuaUtils> LuaUtils::methods[] = {
    {"hash", hash},
    {nullptr, nullptr},
};

} // namespace qel
