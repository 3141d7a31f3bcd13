#pragma once

#include "script/ScriptBinding.hpp"

namespace qel {

class TextField;

// Script class LuaTextField, made with LuaTextField(handle) from a handle that
// LuaUI.createTextField gave. Once its window is closed or a reload removed it, the object is
// stale and raises script errors.
class LuaTextField : public EngineObject<TextField> {
public:
    static const char* const className;
    static const ScriptMethod<LuaTextField>* const methods;

    using EngineObject::EngineObject;
};

} // namespace qel
