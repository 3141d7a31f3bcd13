#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

struct PHYSFS_File;

namespace qel {

// One open file of the game, read a piece at a time: a member of the game archive, or a file of
// the file system (the game folder's, or any by an absolute path). GameFiles opens them.
class GameFile {
public:
    explicit GameFile(std::FILE* file);
    GameFile(PHYSFS_File* member, std::int64_t bytes);
    ~GameFile();
    GameFile(const GameFile&) = delete;
    GameFile& operator=(const GameFile&) = delete;

    // Reads up to count bytes; gives how many, fewer at the end, or -1 when the read fails.
    std::int64_t read(void* into, std::int64_t count);
    bool seek(std::int64_t position);
    // The position, or -1 when it cannot be told.
    std::int64_t tell();
    // The size in bytes; for a member, the size the archive gives.
    std::int64_t size() const { return bytes; }

private:
    std::FILE* file = nullptr;
    PHYSFS_File* member = nullptr;
    std::int64_t bytes = 0;
};

} // namespace qel
