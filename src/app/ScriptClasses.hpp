#pragma once

#include "script/LUAImpl.hpp"

namespace qel {

class Core;

// The engine's side of the contract with its scripts: the nine script classes, the enumeration
// tables and the engine objects published as globals.
ScriptEnvironment scriptEnvironment(Core& core);

} // namespace qel
