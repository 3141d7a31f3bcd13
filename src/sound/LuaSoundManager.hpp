#pragma once

#include "script/ScriptBinding.hpp"

namespace qel {

class SoundManager;

// Script class LuaSoundManager: loading and playing sounds, made with
// LuaSoundManager(gSoundManager). Sounds are named by the integer that load returns, the hash of
// their path; an integer that names no sound gives false, 0 or {0, 0, 0}.
class LuaSoundManager : public EngineObject<SoundManager> {
public:
    static const char* const className;
    static const ScriptMethod<LuaSoundManager> methods[];

    using EngineObject::EngineObject;
};

} // namespace qel
