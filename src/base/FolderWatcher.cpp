#include "base/FolderWatcher.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/inotify.h>
#include <unistd.h>

namespace qel {

namespace {

constexpr uint32_t WatchedChanges =
    IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR;

// Swap files, lock files, autosaves and backups that editors keep beside the file edited change
// while the author types, before anything is saved.
bool isEditorsOwn(const std::string& name)
{
    return !name.empty() && (name.front() == '.' || name.front() == '#' || name.back() == '~');
}

} // namespace

FolderWatcher::FolderWatcher(const std::filesystem::path& folder) : root(folder)
{
    descriptor = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (descriptor < 0) {
        std::fprintf(stderr, "qel: cannot watch \"%s\" for changes: %s\n", root.c_str(), std::strerror(errno));
        return;
    }
    watchTree(root);
}

FolderWatcher::~FolderWatcher()
{
    if (descriptor >= 0)
        ::close(descriptor);
}

bool FolderWatcher::changesSettled(Clock::time_point now)
{
    if (readChanges())
        lastChange = now;
    if (!lastChange || now - *lastChange < SettleTime)
        return false;
    lastChange.reset();
    return true;
}

// A folder made before its parent's watch took hold has its changes missed, so the whole tree
// under a new folder is watched.
void FolderWatcher::watchTree(const std::filesystem::path& folder)
{
    watchFolder(folder);
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error))
        if (entry->is_directory(error) && !entry->is_symlink(error))
            watchFolder(entry->path());
}

void FolderWatcher::watchFolder(const std::filesystem::path& folder)
{
    const int watch = inotify_add_watch(descriptor, folder.c_str(), WatchedChanges);
    if (watch >= 0) {
        folders[watch] = folder;
        return;
    }
    // The system's limit on watches is the likely refusal; it would repeat for every folder.
    if (!refusalSaid)
        std::fprintf(stderr, "qel: cannot watch \"%s\" for changes: %s\n", folder.c_str(), std::strerror(errno));
    refusalSaid = true;
}

bool FolderWatcher::readChanges()
{
    alignas(inotify_event) char buffer[4096];
    bool changed = false;
    for (;;) {
        const ssize_t length = descriptor < 0 ? -1 : ::read(descriptor, buffer, sizeof buffer);
        if (length <= 0)
            return changed;
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_IGNORED) {
                folders.erase(event->wd);
                continue;
            }
            // The system dropped changes: something changed.
            if (event->mask & IN_Q_OVERFLOW) {
                changed = true;
                continue;
            }
            const std::string name = event->len > 0 ? event->name : "";
            const auto folder = folders.find(event->wd);
            if (isEditorsOwn(name) || folder == folders.end())
                continue;
            if ((event->mask & IN_ISDIR) && (event->mask & (IN_CREATE | IN_MOVED_TO)))
                watchTree(folder->second / name);
            lastChangedName = (folder->second / name).string();
            changed = true;
        }
    }
}

} // namespace qel
