#pragma once

#include <string>
#include <vector>

struct lua_State;

namespace qel {

struct ReadOnlyEntry {
    const char* key;
    int value;
};

// The Lua text that defines the global name as an empty table whose metatable serves the
// entries, refuses assignments and hides itself.
std::string readOnlyTableSource(const char* name, const std::vector<ReadOnlyEntry>& entries);

// Runs that text. A failure, which only a key that is no Lua name can cause, is printed on
// standard error and answered with false.
bool makeReadOnlyTable(lua_State* L, const char* name, const std::vector<ReadOnlyEntry>& entries);

} // namespace qel
