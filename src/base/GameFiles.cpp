#include "base/GameFiles.hpp"

#include "base/DataFile.hpp"
#include "base/ZipDirectory.hpp"

#include <physfs.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace qel {

namespace {

struct MountedArchive {
    std::string path;
    // The library reopens the archive by this path for every member it opens.
    std::string absolutePath;
    ZipDirectory directory;
};

std::optional<MountedArchive> mounted;

// A path of the game as a member's name: parts between slashes, "." and empty ones dropped.
// Nothing for a path that climbs out of the archive.
std::optional<std::string> memberName(const std::string& path)
{
    std::string name;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string part = path.substr(start, end - start);
        if (part == "..")
            return std::nullopt;
        if (!part.empty() && part != ".")
            name += (name.empty() ? "" : "/") + part;
        start = end + 1;
    }
    return name;
}

// Whether the path is read from the archive rather than the file system.
bool inArchive(const std::string& path)
{
    return mounted && (path.empty() || path[0] != '/');
}

std::string libraryError()
{
    return PHYSFS_getErrorByCode(PHYSFS_getLastErrorCode());
}

} // namespace

std::string GameFiles::mountArchive(const std::string& path)
{
    std::string error;
    std::optional<ZipDirectory> directory = ZipDirectory::read(path, error);
    if (!directory)
        return error;
    if (!PHYSFS_isInit() && !PHYSFS_init(nullptr))
        return "the archive library cannot start: " + libraryError();
    mountFolder();
    std::error_code ignored;
    const std::string absolutePath = std::filesystem::absolute(path, ignored).string();
    if (!PHYSFS_mount(absolutePath.c_str(), nullptr, 0))
        return "it cannot be read as an archive: " + libraryError();
    mounted = MountedArchive{path, absolutePath, std::move(*directory)};
    return "";
}

void GameFiles::mountFolder()
{
    if (!mounted)
        return;
    PHYSFS_unmount(mounted->absolutePath.c_str());
    mounted.reset();
}

const std::string& GameFiles::archive()
{
    static const std::string none;
    return mounted ? mounted->path : none;
}

bool GameFiles::exists(const std::string& path)
{
    if (!inArchive(path)) {
        std::error_code error;
        return std::filesystem::exists(std::filesystem::symlink_status(path, error));
    }
    const std::optional<std::string> name = memberName(path);
    return name && mounted->directory.find(*name);
}

std::string GameFiles::whyNoFile(const std::string& path)
{
    if (!inArchive(path))
        return whyNoDataFile(path);
    const std::optional<std::string> name = memberName(path);
    if (!name)
        return "it lies outside the game archive";
    const ZipDirectory::Member* member = mounted->directory.find(*name);
    if (!member)
        return "there is no such file";
    return member->folder ? "it is not a regular file" : "";
}

std::unique_ptr<GameFile> GameFiles::open(const std::string& path, std::string& error)
{
    error = whyNoFile(path);
    if (!error.empty())
        return nullptr;
    if (!inArchive(path)) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (!file)
            error = std::strerror(errno);
        return file ? std::make_unique<GameFile>(file) : nullptr;
    }
    const std::string name = *memberName(path);
    PHYSFS_File* member = PHYSFS_openRead(name.c_str());
    if (!member) {
        error = "it cannot be read from the archive: " + libraryError();
        return nullptr;
    }
    return std::make_unique<GameFile>(member, static_cast<std::int64_t>(mounted->directory.find(name)->bytes));
}

std::optional<std::vector<unsigned char>> GameFiles::read(const std::string& path, std::string& error,
                                                          std::size_t mostBytes)
{
    const std::unique_ptr<GameFile> file = open(path, error);
    if (!file)
        return std::nullopt;
    const auto tooLarge = [&] {
        error = "it is larger than " + std::to_string(mostBytes) + " bytes";
        return std::nullopt;
    };
    if (file->size() > static_cast<std::int64_t>(mostBytes))
        return tooLarge();
    std::vector<unsigned char> bytes;
    constexpr std::size_t Piece = 64 << 10;
    for (;;) {
        const std::size_t had = bytes.size();
        bytes.resize(had + Piece);
        const std::int64_t read = file->read(bytes.data() + had, Piece);
        bytes.resize(had + std::max<std::int64_t>(read, 0));
        if (read < 0) {
            error = "it cannot be read: " + (inArchive(path) ? libraryError() : std::string(std::strerror(errno)));
            return std::nullopt;
        }
        if (bytes.size() > mostBytes)
            return tooLarge();
        if (read == 0)
            break;
    }
    if (inArchive(path)) {
        const ZipDirectory::Member& member = *mounted->directory.find(*memberName(path));
        const uLong crc = crc32(0, bytes.data(), static_cast<uInt>(bytes.size()));
        if (bytes.size() != member.bytes || crc != member.crc) {
            error = "it is damaged in the archive (its bytes do not match their checksum)";
            return std::nullopt;
        }
    }
    return bytes;
}

std::optional<std::vector<unsigned char>> GameFiles::load(const std::string& path, const char* kind)
{
    std::string error;
    std::optional<std::vector<unsigned char>> bytes = read(path, error);
    if (!bytes)
        std::fprintf(stderr, "qel: cannot load %s \"%s\": %s\n", kind, path.c_str(), error.c_str());
    return bytes;
}

} // namespace qel
