#pragma once

#include "base/TextConversion.hpp"

#include <lua.hpp>

namespace qel {

// Argument handling shared by the UI script classes.

// Stores the function given as the call's last argument in the registry and returns its
// reference, releasing the reference it replaces; nil (or nothing) gives NoReference, which
// removes the handler. Any other value is a script error: it could only fail when called.
int replaceHandler(lua_State* L, int previousReference);

// Pushes engine text as a UTF-8 string; one result.
int pushText(lua_State* L, const WideString& text);

} // namespace qel
