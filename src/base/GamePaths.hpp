#pragma once

#include <string>

namespace qel {

// Prefix of every file path the engine opens: files are found relative to the working directory,
// which is the game folder.
inline std::string basePath()
{
    return "";
}

// Where a data file the engine itself needs (font, monitor picture, wallpapers) is read from, so
// that a game needs nothing but its scripts: the game's own file when it has one (in its folder
// or archive), else the engine's by its absolute path, else the game's path again, for the
// message about the missing file.
std::string dataPath(const std::string& relative);

} // namespace qel
