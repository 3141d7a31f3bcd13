#pragma once

#include "script/ScriptBinding.hpp"

namespace qel {

class Label;

// Script class LuaLabel, made with LuaLabel(handle) from a handle that LuaUI.createLabel gave.
// Once its window is closed or a reload removed it, the object is stale and raises script errors.
class LuaLabel : public EngineObject<Label> {
public:
    static const char* const className;
    static const ScriptMethod<LuaLabel>* const methods;

    using EngineObject::EngineObject;
};

} // namespace qel
