#pragma once

#include "base/GameFile.hpp"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qel {

// Where the engine reads the game's files: the game folder, which is the working directory, or a
// game archive (a zip of a game folder) mounted in its place. Every reader of the game's files
// (scripts, config.dat, pictures, the font, sounds) asks here, so that both read alike.
//
// A relative path names a file of the game; with an archive mounted, a member of it, and a path
// that climbs out of it ("../x") names none. An absolute path names a file of the file system in
// either case, as the engine's own data files are. The archive is read only: nothing writes here.
class GameFiles {
public:
    // What one whole read takes at most: the most a member of an archive may hold.
    static constexpr std::size_t MostFileBytes = std::size_t(256) << 20;

    // Checks the archive (see ZipDirectory) and reads the game from it from now on; gives why
    // not ("it is not a zip archive"), and keeps the game where it was then.
    static std::string mountArchive(const std::string& path);
    // Reads the game from the working directory again.
    static void mountFolder();
    // The archive mounted, as given, or empty when the game is a folder.
    static const std::string& archive();

    // Whether anything is there: a file, a folder, even a dangling link of the game folder.
    static bool exists(const std::string& path);
    // Why the path names no regular file to read ("there is no such file"), or empty.
    static std::string whyNoFile(const std::string& path);

    // Opens the file to read a piece at a time; nothing, and why in error, when it cannot.
    static std::unique_ptr<GameFile> open(const std::string& path, std::string& error);
    // The whole file, read in pieces up to mostBytes, so that a file larger than its limit, or a
    // member larger than it claims, costs no more than the limit; a member is checked against its
    // checksum too. Nothing, and why in error, when it cannot be read whole.
    static std::optional<std::vector<unsigned char>> read(const std::string& path, std::string& error,
                                                          std::size_t mostBytes = MostFileBytes);
    // The same, or nothing after one line on standard error naming the file as the given kind of
    // data ("picture", "sound") and why it is not read.
    static std::optional<std::vector<unsigned char>> load(const std::string& path, const char* kind);
};

} // namespace qel
