#include "base/GamePaths.hpp"

#include "base/GameFiles.hpp"

#include <filesystem>

namespace qel {

namespace {

bool isFile(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// The engine's own data folder, beside the game folder's relative paths ("data/..."): an
// installed engine keeps it in DIR/share/qel beside DIR/bin/qel; one run from its build tree
// takes the bundled game's.
std::filesystem::path engineDataRoot()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path installed = program.parent_path().parent_path() / "share" / "qel";
    if (!error && std::filesystem::is_directory(installed / "data", error))
        return installed;
    return QEL_BUILD_GAME_DIR;
}

} // namespace

std::string dataPath(const std::string& relative)
{
    const std::string own = basePath() + relative;
    // Anything there, even a folder or a dangling link, is the game's, for the readers to judge.
    if (GameFiles::exists(own))
        return own;
    static const std::filesystem::path engineRoot = engineDataRoot();
    const std::filesystem::path engines = engineRoot / relative;
    return isFile(engines) ? engines.string() : own;
}

} // namespace qel
