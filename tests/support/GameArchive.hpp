#pragma once

#include "base/GameFiles.hpp"

#include <string>

namespace qel::test {

// Reads the game from the archive while it lives, and from the working directory again after;
// error says why the archive was refused.
class MountedArchive {
public:
    explicit MountedArchive(const std::string& path) : error(GameFiles::mountArchive(path)) {}
    ~MountedArchive() { GameFiles::mountFolder(); }
    MountedArchive(const MountedArchive&) = delete;
    MountedArchive& operator=(const MountedArchive&) = delete;

    const std::string error;
};

} // namespace qel::test
