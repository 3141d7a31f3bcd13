#include "base/SaveStore.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace qel {

namespace {

bool isNameByte(char byte)
{
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
           byte == '-' || byte == '_' || byte == '.';
}

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

// The temporary file of a name starts with '.', which no name does.
std::filesystem::path temporaryFile(const std::filesystem::path& folder, const std::string& name)
{
    return folder / ("." + name + ".new");
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
    const std::filesystem::path temporary = temporaryFile(folder, name);
    Descriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (fd.fd < 0) {
        error = systemError(("cannot write in \"" + folder.string() + "\"").c_str());
        return false;
    }
    if (!writeAll(fd.fd, bytes) || ::fsync(fd.fd) != 0 || !fd.close() ||
        ::rename(temporary.c_str(), (folder / name).c_str()) != 0 || !syncFolder(folder)) {
        error = systemError("the disc refused it");
        ::unlink(temporary.c_str());
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
