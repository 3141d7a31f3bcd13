#pragma once

#include "script/ScriptBinding.hpp"

namespace qel {

class Core;

// Script class LuaCore: the application controls of Core and its renderer, made with
// LuaCore(gCore).
class LuaCore : public EngineObject<Core> {
public:
    static const char* const className;
    static const ScriptMethod<LuaCore> methods[];

    using EngineObject::EngineObject;
};

} // namespace qel
