#pragma once

#include "script/ScriptBinding.hpp"

namespace qel {

// Script class LuaUtils: engine utilities that need no engine object, made with LuaUtils(gUtils).
class LuaUtils {
public:
    static const char* const className;
    static const ScriptMethod<LuaUtils> methods[];

    explicit LuaUtils(lua_State*) {}
};

} // namespace qel
