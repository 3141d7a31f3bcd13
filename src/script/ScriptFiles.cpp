#include "script/ScriptFiles.hpp"

#include "base/GameFiles.hpp"

#include <lua.hpp>

#include <algorithm>
#include <optional>
#include <vector>

namespace qel {

namespace {

// The templates of a search path, separated by ';'.
std::vector<std::string> templatesIn(const std::string& searchPath)
{
    std::vector<std::string> templates;
    for (std::size_t start = 0; start <= searchPath.size();) {
        const std::size_t end = std::min(searchPath.find(';', start), searchPath.size());
        if (end > start)
            templates.push_back(searchPath.substr(start, end - start));
        start = end + 1;
    }
    return templates;
}

// The module's name with its dots made folders, put into each of package.path's templates; the
// first that names a file of the game is loaded. Gives the loader and the file's name, or the
// list of files tried, as the interpreter's own searcher does.
int searchGameFiles(lua_State* L)
{
    const std::string name = luaL_checkstring(L, 1);
    lua_getfield(L, lua_upvalueindex(1), "path"); /* name, path */
    const char* searchPath = lua_tostring(L, -1);
    if (!searchPath)
        return luaL_error(L, "'package.path' must be a string");
    std::string asPath = name;
    std::replace(asPath.begin(), asPath.end(), '.', '/');
    std::string tried;
    for (std::string file : templatesIn(searchPath)) {
        for (std::size_t mark = file.find('?'); mark != std::string::npos; mark = file.find('?', mark + asPath.size()))
            file.replace(mark, 1, asPath);
        if (!GameFiles::whyNoFile(file).empty()) {
            tried += "\n\tno file '" + file + "'";
            continue;
        }
        if (loadScriptFile(L, file) != LUA_OK)
            return luaL_error(L, "error loading module '%s' from file '%s':\n\t%s", name.c_str(), file.c_str(),
                              lua_tostring(L, -1));
        lua_pushstring(L, file.c_str()); /* name, path, loader, file */
        return 2;
    }
    lua_pushstring(L, tried.c_str());
    return 1;
}

} // namespace

int loadScriptFile(lua_State* L, const std::string& path)
{
    std::string error;
    const std::optional<std::vector<unsigned char>> file = GameFiles::read(path, error);
    if (!file) {
        lua_pushfstring(L, "cannot open %s: %s", path.c_str(), error.c_str());
        return LUA_ERRFILE;
    }
    std::size_t start = 0;
    if (file->size() >= 3 && (*file)[0] == 0xef && (*file)[1] == 0xbb && (*file)[2] == 0xbf)
        start = 3;
    // The line end stays, so that the lines keep their numbers.
    if (start < file->size() && (*file)[start] == '#')
        while (start < file->size() && (*file)[start] != '\n')
            ++start;
    // Source only: Lua does not verify compiled chunks, and a crafted one reaches any memory.
    if (start < file->size() && (*file)[start] == LUA_SIGNATURE[0]) {
        lua_pushfstring(L, "cannot run %s: it is compiled Lua, and only Lua source is run", path.c_str());
        return LUA_ERRSYNTAX;
    }
    const std::string chunkName = "@" + path;
    return luaL_loadbufferx(L, reinterpret_cast<const char*>(file->data()) + start, file->size() - start,
                            chunkName.c_str(), "t");
}

namespace {

// The library's load, loadstring or loadfile (upvalue 1) called with the arguments given but its
// mode argument (at the index of upvalue 2) made "t"; arguments left out stay out.
int loadSourceOnly(lua_State* L)
{
    const int modeIndex = static_cast<int>(lua_tointeger(L, lua_upvalueindex(2)));
    if (lua_gettop(L) < modeIndex)
        lua_settop(L, modeIndex);
    lua_pushliteral(L, "t");
    lua_replace(L, modeIndex);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
    return lua_gettop(L);
}

// dofile as the library has it, for source only.
int doSourceFile(lua_State* L)
{
    const char* name = luaL_optstring(L, 1, nullptr);
    lua_settop(L, 1);
    if (luaL_loadfilex(L, name, "t") != LUA_OK)
        return lua_error(L);
    lua_call(L, 0, LUA_MULTRET);
    return lua_gettop(L) - 1;
}

void wrapLoader(lua_State* L, const char* name, int modeIndex)
{
    lua_getglobal(L, name);
    if (lua_isnil(L, -1)) {
        lua_pop(L, 1);
        return;
    }
    lua_pushinteger(L, modeIndex);
    lua_pushcclosure(L, loadSourceOnly, 2);
    lua_setglobal(L, name);
}

} // namespace

void refuseCompiledChunks(lua_State* L)
{
    wrapLoader(L, "load", 3);
    wrapLoader(L, "loadstring", 3);
    wrapLoader(L, "loadfile", 2);
    lua_register(L, "dofile", doSourceFile);
}

void installModuleSearcher(lua_State* L)
{
    lua_getfield(L, LUA_REGISTRYINDEX, "_LOADED"); /* loaded */
    lua_getfield(L, -1, "package");                /* loaded, package */
    lua_getfield(L, -1, "searchers");              /* loaded, package, searchers */
    lua_pushvalue(L, -2);                          /* loaded, package, searchers, package */
    lua_pushcclosure(L, searchGameFiles, 1);       /* loaded, package, searchers, searcher */
    lua_rawseti(L, -2, 2);                         /* loaded, package, searchers */
    lua_pop(L, 3);
}

} // namespace qel
