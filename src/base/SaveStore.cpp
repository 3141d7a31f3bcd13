#include "base/SaveStore.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

namespace qel {

namespace {

bool isNameByte(char byte)
{
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
           byte == '-' || byte == '_' || byte == '.';
}

const char* const TemporaryEnding = ".new";
constexpr std::time_t StaleSeconds = 60;

std::string systemError(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

// Closes the descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    // Closes now, for the error a close may give; false on one.
    bool close() { return ::close(std::exchange(fd, -1)) == 0; }
    int fd;
};

bool writeAll(int fd, const std::string& bytes)
{
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// A rename is on the disc once the folder that holds it is.
bool syncFolder(const std::filesystem::path& folder)
{
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.fd >= 0 && ::fsync(fd.fd) == 0;
}

// A write's own temporary file, ".NAME.XXXXXX.new": a name never starts with '.', and each
// write makes a new file (mkostemps opens it exclusively), so that two engines saving one name
// at once never write into the same file. The writer locks it until it is renamed into place;
// a lock ends with its process, so a temporary nobody locks is a killed write's.
int makeTemporary(const std::filesystem::path& folder, const std::string& name, std::string& path)
{
    path = (folder / ("." + name + ".XXXXXX" + TemporaryEnding)).string();
    const int fd = ::mkostemps(path.data(), static_cast<int>(std::strlen(TemporaryEnding)), O_CLOEXEC);
    if (fd >= 0 && (::flock(fd, LOCK_EX) != 0 || ::fchmod(fd, 0644) != 0)) {
        ::close(fd);
        ::unlink(path.c_str());
        return -1;
    }
    return fd;
}

bool isTemporaryName(const std::string& file)
{
    const std::size_t ending = std::strlen(TemporaryEnding);
    return file.size() > ending && file[0] == '.' && file.compare(file.size() - ending, ending, TemporaryEnding) == 0;
}

// A temporary is stale when it is a regular file, nobody holds its lock, and it has not been
// written for a while: the wait covers a new one between its making and its locking.
bool isStaleTemporary(const std::filesystem::path& file)
{
    Descriptor fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat status;
    return fd.fd >= 0 && ::fstat(fd.fd, &status) == 0 && S_ISREG(status.st_mode) &&
           std::time(nullptr) - status.st_mtime > StaleSeconds && ::flock(fd.fd, LOCK_EX | LOCK_NB) == 0;
}

} // namespace

std::filesystem::path SaveStore::userFolder(const std::string& game)
{
    // Only an absolute XDG_DATA_HOME counts; a relative one is to be ignored.
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::filesystem::path base;
    if (dataHome && dataHome[0] == '/')
        base = dataHome;
    else if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        base = std::filesystem::path(home) / ".local" / "share";
    else
        return {};
    return base / "qel" / "saves" / game;
}

bool SaveStore::isName(std::string_view name)
{
    return !name.empty() && name.size() <= LongestName && name[0] != '.' &&
           std::all_of(name.begin(), name.end(), isNameByte);
}

std::optional<std::string> SaveStore::read(const std::string& name, std::string& error) const
{
    error.clear();
    if (folder.empty())
        return std::nullopt;
    // Non-blocking, so that a pipe put in the file's place cannot hold the engine up.
    Descriptor fd(::open((folder / name).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.fd < 0) {
        if (errno != ENOENT)
            error = systemError("it cannot be opened");
        return std::nullopt;
    }
    struct stat status;
    if (::fstat(fd.fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        error = "it is not a regular file";
        return std::nullopt;
    }
    if (static_cast<std::uintmax_t>(status.st_size) > MostFileBytes) {
        error = "it is larger than 16 MB";
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(status.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd.fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = systemError("it cannot be read");
            return std::nullopt;
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

bool SaveStore::write(const std::string& name, const std::string& bytes, std::string& error)
{
    if (folder.empty()) {
        error = "there is no folder for saved data (neither XDG_DATA_HOME nor HOME is set)";
        return false;
    }
    if (bytes.size() > MostFileBytes || bytesHeldBesides(name) + bytes.size() > MostGameBytes) {
        error = "the game's saved data would pass 256 MB";
        return false;
    }
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    removeStaleTemporaries();
    std::string temporary;
    Descriptor fd(makeTemporary(folder, name, temporary));
    if (fd.fd < 0) {
        error = systemError(("cannot write in \"" + folder.string() + "\"").c_str());
        return false;
    }
    // The file stays open, and locked, until it has its name.
    if (!writeAll(fd.fd, bytes) || ::fsync(fd.fd) != 0 || ::rename(temporary.c_str(), (folder / name).c_str()) != 0) {
        error = systemError("the disc refused it");
        ::unlink(temporary.c_str());
        return false;
    }
    if (!fd.close() || !syncFolder(folder)) {
        error = systemError("the disc refused it");
        return false;
    }
    return true;
}

bool SaveStore::remove(const std::string& name, std::string& error)
{
    if (folder.empty())
        return true;
    if (::unlink((folder / name).c_str()) != 0 && errno != ENOENT) {
        error = systemError("the disc refused it");
        return false;
    }
    syncFolder(folder);
    return true;
}

std::vector<std::string> SaveStore::names() const
{
    std::vector<std::string> found;
    std::error_code error;
    if (folder.empty())
        return found;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (isName(name) && entry->is_regular_file(error))
            found.push_back(name);
    }
    std::sort(found.begin(), found.end());
    return found;
}

void SaveStore::removeStaleTemporaries() const
{
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error))
        if (isTemporaryName(entry->path().filename().string()) && isStaleTemporary(entry->path()))
            ::unlink(entry->path().c_str());
}

std::uintmax_t SaveStore::bytesHeldBesides(const std::string& name) const
{
    std::uintmax_t total = 0;
    for (const std::string& held : names()) {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(folder / held, error);
        if (held != name && !error)
            total += size;
    }
    return total;
}

} // namespace qel
