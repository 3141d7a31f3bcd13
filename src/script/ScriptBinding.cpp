#include "script/ScriptBinding.hpp"

#include <cstdarg>
#include <cstdlib>

namespace qel {

namespace {

// Script methods run on the main thread only, one inside the other at most.
const RunningMethod* innermost = nullptr;

} // namespace

RunningMethod::RunningMethod(lua_State* thread, const char* className, const char* methodName)
    : previous(innermost), runningThread(thread), className(className), methodName(methodName)
{
    innermost = this;
}

RunningMethod::~RunningMethod()
{
    innermost = previous;
}

lua_State* RunningMethod::thread()
{
    return innermost ? innermost->runningThread : nullptr;
}

void methodError(lua_State* L, const char* format, ...)
{
    luaL_where(L, 1); /* where the script called */
    if (innermost)
        lua_pushfstring(L, "%s.%s: ", innermost->className, innermost->methodName);
    else
        lua_pushliteral(L, "");
    va_list arguments;
    va_start(arguments, format);
    lua_pushvfstring(L, format, arguments); /* where, method, message */
    va_end(arguments);
    lua_concat(L, 3); /* full message */
    lua_error(L);
    // lua_error unwinds to the enclosing protected call and never comes back.
    std::abort();
}

} // namespace qel
