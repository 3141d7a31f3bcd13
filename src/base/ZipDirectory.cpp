#include "base/ZipDirectory.hpp"

#include "base/DataFile.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace qel {

namespace {

constexpr std::uint32_t EndSignature = 0x06054b50;
constexpr std::uint32_t Zip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t CentralSignature = 0x02014b50;
constexpr std::uint32_t LocalSignature = 0x04034b50;
constexpr std::size_t EndBytes = 22;
constexpr std::size_t CentralBytes = 46;
constexpr std::size_t LocalBytes = 30;
constexpr std::size_t LongestComment = 0xffff;
constexpr std::uint32_t Zip64Marker = 0xffffffff;
// A table of ten thousand members with names of a few dozen bytes takes under a megabyte.
constexpr std::uint64_t MostDirectoryBytes = 16 << 20;
constexpr std::size_t LongestName = 1024;
constexpr unsigned Stored = 0;
constexpr unsigned Deflated = 8;
// General purpose flags: encrypted (bit 0) or strongly encrypted (bit 6).
constexpr unsigned EncryptedFlags = 0x41;
// Unix file types in the high half of the external attributes.
constexpr std::uint32_t UnixTypeMask = 0170000;
constexpr std::uint32_t UnixLink = 0120000;

// A record in memory, read field by field in little-endian order; a field past its end reads 0
// and marks the record short.
class Fields {
public:
    Fields(const unsigned char* bytes, std::size_t size) : bytes(bytes), size(size) {}

    std::uint32_t at(std::size_t offset, int width)
    {
        if (offset + width > size) {
            cut = true;
            return 0;
        }
        std::uint32_t value = 0;
        for (int i = width - 1; i >= 0; --i)
            value = value << 8 | bytes[offset + i];
        return value;
    }
    bool isShort() const { return cut; }

private:
    const unsigned char* bytes;
    std::size_t size;
    bool cut = false;
};

// The archive file, read at given places.
class ArchiveFile {
public:
    explicit ArchiveFile(const std::string& path) : in(path, std::ios::binary)
    {
        std::error_code error;
        bytes = std::filesystem::file_size(path, error);
        if (error || !in)
            bytes = 0;
    }

    // The bytes at the offset, or nothing when the file ends before them.
    std::optional<std::vector<unsigned char>> readAt(std::uint64_t offset, std::size_t count)
    {
        if (offset > bytes || count > bytes - offset)
            return std::nullopt;
        std::vector<unsigned char> read(count);
        in.clear();
        if (!in.seekg(static_cast<std::streamoff>(offset)) ||
            !in.read(reinterpret_cast<char*>(read.data()), static_cast<std::streamsize>(count)))
            return std::nullopt;
        return read;
    }
    std::uint64_t size() const { return bytes; }

private:
    std::ifstream in;
    std::uint64_t bytes = 0;
};

// A member's name as a message shows it: on one line, and not too long.
std::string shown(const std::string& name)
{
    std::string text = name.substr(0, 100);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return "\"" + text + (name.size() > 100 ? "...\"" : "\"");
}

// Whether the name is a plain path inside the archive: parts of visible characters between single
// slashes, none of them "." or "..", no backslash (a separator elsewhere) and no colon (a drive);
// a folder's name ends in one slash.
bool isPlainPath(const std::string& name)
{
    const std::string path = !name.empty() && name.back() == '/' ? name.substr(0, name.size() - 1) : name;
    if (path.empty() || path.size() > LongestName)
        return false;
    if (std::any_of(path.begin(), path.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == '\\' || c == ':';
        }))
        return false;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

// Where the end record starts: the last signature in the file's tail, which must end the file
// together with its comment.
std::optional<std::uint64_t> findEnd(ArchiveFile& file, std::string& error)
{
    const std::size_t tailBytes = static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), EndBytes + LongestComment));
    const std::optional<std::vector<unsigned char>> tail = file.readAt(file.size() - tailBytes, tailBytes);
    const std::optional<std::vector<unsigned char>> head = file.readAt(0, 4);
    const bool startsLikeZip = head && Fields(head->data(), 4).at(0, 4) == LocalSignature;
    for (std::size_t at = tailBytes >= 4 ? tailBytes - 4 : 0; tail && tailBytes >= 4; --at) {
        Fields end(tail->data() + at, tailBytes - at);
        if (end.at(0, 4) == EndSignature) {
            if (at + EndBytes + end.at(20, 2) == tailBytes && !end.isShort())
                return file.size() - tailBytes + at;
            break;
        }
        if (at == 0)
            break;
    }
    error = startsLikeZip ? "it is cut short (its table of contents is missing)" : "it is not a zip archive";
    return std::nullopt;
}

// Where the table of contents lies, and how many members it lists.
struct Table {
    std::uint32_t listed;
    std::uint64_t at;
    std::uint64_t bytes;
};

// Reads an archive's table of contents into its members, one check after another; the first
// that fails says why.
class TableReader {
public:
    TableReader(const std::string& path, const ZipDirectory::Limits& limits) : file(path), limits(limits) {}

    // The members, or nothing and why.
    std::optional<std::map<std::string, ZipDirectory::Member>> read(std::string& why)
    {
        const std::optional<std::uint64_t> endAt = findEnd(file, error);
        if (endAt && readEnd(*endAt) && readRecords() && checkOverlaps())
            addImpliedFolders();
        why = error;
        return error.empty() ? std::optional(std::move(members)) : std::nullopt;
    }
    std::size_t listed() const { return table.listed; }

private:
    bool fail(const std::string& why)
    {
        error = why;
        return false;
    }

    bool readEnd(std::uint64_t endAt)
    {
        const std::optional<std::vector<unsigned char>> locator = endAt >= 20 ? file.readAt(endAt - 20, 4) : std::nullopt;
        if (locator && Fields(locator->data(), 4).at(0, 4) == Zip64LocatorSignature)
            return fail("it uses 64-bit zip records, which a game archive has no need of");
        const std::optional<std::vector<unsigned char>> bytes = file.readAt(endAt, EndBytes);
        if (!bytes)
            return fail("it cannot be read");
        Fields end(bytes->data(), EndBytes);
        table = {end.at(10, 2), end.at(16, 4), end.at(12, 4)};
        if (end.at(4, 2) != 0 || end.at(6, 2) != 0 || end.at(8, 2) != table.listed)
            return fail("it is split over several files");
        if (table.listed > limits.mostMembers)
            return fail("it holds " + std::to_string(table.listed) + " members, more than " +
                        std::to_string(limits.mostMembers));
        if (table.at + table.bytes != endAt)
            return fail("it is damaged: its table of contents is not where its end says");
        if (table.bytes > MostDirectoryBytes)
            return fail("its table of contents is larger than " + std::to_string(MostDirectoryBytes) + " bytes");
        return true;
    }

    // One record a member, each checked with its own header.
    bool readRecords()
    {
        const std::optional<std::vector<unsigned char>> bytes = file.readAt(table.at, static_cast<std::size_t>(table.bytes));
        if (!bytes)
            return fail("it cannot be read");
        std::size_t at = 0;
        for (std::uint32_t i = 0; i < table.listed; ++i) {
            Fields record(bytes->data() + at, bytes->size() - at);
            const std::size_t nameBytes = record.at(28, 2);
            const std::size_t recordBytes = CentralBytes + nameBytes + record.at(30, 2) + record.at(32, 2);
            if (record.at(0, 4) != CentralSignature || record.isShort() || at + recordBytes > bytes->size())
                return fail("it is damaged: its table of contents breaks off at member " + std::to_string(i + 1));
            const std::string name(reinterpret_cast<const char*>(bytes->data() + at + CentralBytes), nameBytes);
            at += recordBytes;
            if (!checkRecord(name, record, table.at))
                return false;
        }
        return at == bytes->size() || fail("it is damaged: its table of contents holds more than its members");
    }

    bool checkRecord(const std::string& name, Fields& record, std::uint64_t tableAt)
    {
        const unsigned method = record.at(10, 2);
        ZipDirectory::Member member;
        member.crc = record.at(16, 4);
        member.packedBytes = record.at(20, 4);
        member.bytes = record.at(24, 4);
        const std::string shownName = shown(name);
        if (!isPlainPath(name))
            return fail("member " + shownName + " is not named by a plain path inside the archive");
        if (member.packedBytes == Zip64Marker || member.bytes == Zip64Marker || record.at(42, 4) == Zip64Marker)
            return fail("it uses 64-bit zip records, which a game archive has no need of");
        if (record.at(34, 2) != 0)
            return fail("it is split over several files");
        if (record.at(8, 2) & EncryptedFlags)
            return fail("member " + shownName + " is encrypted");
        if (method != Stored && method != Deflated)
            return fail("member " + shownName + " is packed by method " + std::to_string(method) +
                        "; only stored and deflated members are read");
        if ((record.at(38, 4) >> 16 & UnixTypeMask) == UnixLink)
            return fail("member " + shownName + " is a link");
        if (!checkSize(shownName, member, method) || !checkLocalHeader(shownName, record, member, tableAt))
            return false;
        member.folder = name.back() == '/';
        const std::string key = member.folder ? name.substr(0, name.size() - 1) : name;
        return members.emplace(key, member).second || fail("it names member " + shown(key) + " twice");
    }

    // What a member claims to unpack to must be within the limits, and within what its packed
    // bytes can give.
    bool checkSize(const std::string& shownName, const ZipDirectory::Member& member, unsigned method)
    {
        const std::string claims = "member " + shownName + " claims " + std::to_string(member.bytes) + " bytes";
        if (method == Stored && member.packedBytes != member.bytes)
            return fail("member " + shownName + " is stored, yet claims " + std::to_string(member.bytes) +
                        " bytes from " + std::to_string(member.packedBytes));
        if (member.bytes > limits.mostMemberBytes)
            return fail(claims + ", more than " + std::to_string(limits.mostMemberBytes));
        if (member.bytes > limits.ratioFrom && member.bytes > member.packedBytes * limits.mostRatio)
            return fail(claims + " from " + std::to_string(member.packedBytes) + " packed ones, more than " +
                        std::to_string(limits.mostRatio) + " to 1");
        totalBytes += member.bytes;
        return totalBytes <= limits.mostBytes ||
               fail("its members claim more than " + std::to_string(limits.mostBytes) + " bytes together");
    }

    // The member's own header, before its data, must agree with the table, and its data lie
    // before the table.
    bool checkLocalHeader(const std::string& shownName, Fields& record, const ZipDirectory::Member& member,
                          std::uint64_t tableAt)
    {
        const std::uint32_t headerAt = record.at(42, 4);
        const std::optional<std::vector<unsigned char>> bytes = file.readAt(headerAt, LocalBytes);
        Fields local(bytes ? bytes->data() : nullptr, bytes ? LocalBytes : 0);
        const auto disagrees = [&](std::size_t offset, std::uint32_t value) {
            const std::uint32_t claimed = local.at(offset, 4);
            return claimed != 0 && claimed != Zip64Marker && claimed != value;
        };
        const std::uint64_t dataAt = std::uint64_t(headerAt) + LocalBytes + local.at(26, 2) + local.at(28, 2);
        if (local.at(0, 4) != LocalSignature || local.at(4, 2) != record.at(6, 2) || local.at(8, 2) != record.at(10, 2) ||
            disagrees(14, member.crc) || disagrees(18, member.packedBytes) || disagrees(22, member.bytes) ||
            local.isShort())
            return fail("member " + shownName + " is damaged: its header does not match the table of contents");
        if (dataAt + member.packedBytes > tableAt)
            return fail("member " + shownName + " lies outside the archive's data");
        spans.emplace_back(headerAt, dataAt + member.packedBytes);
        return true;
    }

    // Members that share bytes unpack to more than the archive holds.
    bool checkOverlaps()
    {
        std::sort(spans.begin(), spans.end());
        for (std::size_t i = 1; i < spans.size(); ++i)
            if (spans[i].first < spans[i - 1].second)
                return fail("it is damaged: two of its members overlap");
        return true;
    }

    // The folders that members' names imply, which a file of the same name cannot be. A name sorts
    // after its folders, so a folder found there already has its own folders there too.
    void addImpliedFolders()
    {
        ZipDirectory::Member folder;
        folder.folder = true;
        for (const auto& [name, member] : members) {
            for (std::size_t slash = name.rfind('/'); slash != std::string::npos && slash > 0;
                 slash = name.rfind('/', slash - 1)) {
                const auto [found, added] = members.emplace(name.substr(0, slash), folder);
                if (!added && !found->second.folder) {
                    fail("member " + shown(found->first) + " is both a file and a folder");
                    return;
                }
                if (!added)
                    break;
                if (members.size() > 2 * limits.mostMembers) {
                    fail("its member names make more than " + std::to_string(limits.mostMembers) + " folders");
                    return;
                }
            }
        }
    }

    ArchiveFile file;
    const ZipDirectory::Limits& limits;
    Table table{};
    std::string error;
    std::map<std::string, ZipDirectory::Member> members;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> spans;
    std::uint64_t totalBytes = 0;
};

} // namespace

std::optional<ZipDirectory> ZipDirectory::read(const std::string& path, std::string& error)
{
    return read(path, error, Limits());
}

std::optional<ZipDirectory> ZipDirectory::read(const std::string& path, std::string& error, const Limits& limits)
{
    error = whyNoDataFile(path);
    if (!error.empty())
        return std::nullopt;
    TableReader reader(path, limits);
    std::optional<std::map<std::string, Member>> members = reader.read(error);
    if (!members)
        return std::nullopt;
    ZipDirectory directory;
    directory.listed = reader.listed();
    directory.members = std::move(*members);
    return directory;
}

const ZipDirectory::Member* ZipDirectory::find(const std::string& name) const
{
    const auto found = members.find(name);
    return found == members.end() ? nullptr : &found->second;
}

} // namespace qel
