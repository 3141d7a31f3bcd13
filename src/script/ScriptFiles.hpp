#pragma once

#include <string>

struct lua_State;

namespace qel {

// Script files are read through the game's files (GameFiles), from the game folder or the game
// archive alike, by the host and by require.

// Loads the file as a chunk named "@" + path, as the interpreter names a file's chunk, and pushes
// it; or pushes the error ("cannot open scripts/x.lua: there is no such file", or the syntax
// error) and gives the interpreter's status for it. A first line starting with '#' is skipped,
// as the interpreter skips it in a file.
int loadScriptFile(lua_State* L, const std::string& path);

// Makes load, loadstring, loadfile and dofile take Lua source only, as script files are: Lua
// does not verify compiled chunks, and one crafted, say in saved data a game loads, reaches any
// memory. A compiled chunk gets the interpreter's "attempt to load a binary chunk".
void refuseCompiledChunks(lua_State* L);

// Has require find Lua modules in the game's files: the searcher of Lua files is replaced by one
// that tries package.path's templates as the interpreter's does, each read through the game's
// files ("./?.lua" finds scripts/lib/draw.lua for "scripts.lib.draw" in an archive too).
void installModuleSearcher(lua_State* L);

} // namespace qel
