#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qel {

// The saved data of one game: one file a name in the game's own folder. A write is atomic and
// durable: the bytes go to a temporary file of the write's own in the same folder, reach the
// disc, and are renamed over the old file, so a process killed at any moment leaves the old
// bytes or the new ones, and two engines saving one name at once leave one's bytes whole.
// Temporary files (names starting with '.') are never names and never count against the
// limits; those of killed writes are removed by a later write, a minute on.
class SaveStore {
public:
    static constexpr std::size_t LongestName = 64;
    // What one name holds at most, and all of a game's names together.
    static constexpr std::size_t MostFileBytes = 16u << 20;
    static constexpr std::uintmax_t MostGameBytes = 256u << 20;

    // No folder: every write fails, saying so, and nothing is stored.
    SaveStore() = default;
    explicit SaveStore(std::filesystem::path folder) : folder(std::move(folder)) {}

    // The folder of a game in the user's data folder: $XDG_DATA_HOME (else ~/.local/share)
    // /qel/saves/GAME. Empty when neither variable names a folder.
    static std::filesystem::path userFolder(const std::string& game);
    // Letters, digits, '-', '_' and '.', not starting with '.', 1 to LongestName bytes: a name
    // can never reach outside the folder, nor be a temporary file's.
    static bool isName(std::string_view name);

    // The bytes stored under the name; none when there are none, and none with the reason in
    // error when the file cannot be read (not a regular file, too large, unreadable).
    std::optional<std::string> read(const std::string& name, std::string& error) const;
    // Stores the bytes under the name, making the folder if need be; false, with the reason in
    // error, when the disc refuses or the game's data would pass MostGameBytes.
    bool write(const std::string& name, const std::string& bytes, std::string& error);
    // Removes what the name holds; removing a name that holds nothing succeeds.
    bool remove(const std::string& name, std::string& error);
    // The names held, sorted.
    std::vector<std::string> names() const;

    const std::filesystem::path& getFolder() const { return folder; }

private:
    void removeStaleTemporaries() const;
    std::uintmax_t bytesHeldBesides(const std::string& name) const;

    std::filesystem::path folder;
};

} // namespace qel
