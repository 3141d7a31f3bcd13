#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace qel {

// Notices that files under a folder (its subfolders too, new ones included) were written, added,
// renamed or removed, through the system's file-change notification: asking costs one read that
// never waits. Changes come in bursts (an editor writes a temporary file, renames it over the old
// one, touches a backup), so a burst counts once, when it has settled: no change for SettleTime.
// Editors' own files (hidden names, "#autosave#" and "backup~" names) are no change.
class FolderWatcher {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds SettleTime{100};

    // Says in one line on standard error when the folder cannot be watched; it is watched as far
    // as the system allows.
    explicit FolderWatcher(const std::filesystem::path& folder);
    ~FolderWatcher();
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

    // Whether a burst of changes has settled by now; true once for each burst.
    bool changesSettled(Clock::time_point now = Clock::now());
    // The path of the last change noticed, relative to the folder, for a message.
    const std::string& lastChanged() const { return lastChangedName; }

private:
    void watchTree(const std::filesystem::path& folder);
    void watchFolder(const std::filesystem::path& folder);
    // Reads the changes waiting; whether any counts.
    bool readChanges();

    std::filesystem::path root;
    int descriptor = -1;
    // The folder of each watch, for the names the changes come with.
    std::map<int, std::filesystem::path> folders;
    std::optional<Clock::time_point> lastChange;
    std::string lastChangedName;
    bool refusalSaid = false;
};

} // namespace qel
