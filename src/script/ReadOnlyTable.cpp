#include "script/ReadOnlyTable.hpp"

#include <lua.hpp>

#include <cstdio>

namespace qel {

std::string readOnlyTableSource(const char* name, const std::vector<ReadOnlyEntry>& entries)
{
    std::string source = name;
    source += " = setmetatable({}, {";
    source += "__index = {";
    for (const ReadOnlyEntry& entry : entries)
        source += std::string(entry.key) + "=" + std::to_string(entry.value) + ",";
    source += "},";
    source += "__newindex = function(table, key, value) error(\"Attempt to modify read-only table\") end,";
    source += "__metatable = false});";
    return source;
}

bool makeReadOnlyTable(lua_State* L, const char* name, const std::vector<ReadOnlyEntry>& entries)
{
    const std::string source = readOnlyTableSource(name, entries);
    int status = luaL_loadbufferx(L, source.data(), source.size(), nullptr, nullptr);
    if (status == LUA_OK)
        status = lua_pcall(L, 0, 0, 0);
    if (status == LUA_OK)
        return true;
    std::fprintf(stderr, "%s\n", lua_tostring(L, -1));
    lua_pop(L, 1);
    return false;
}

} // namespace qel
