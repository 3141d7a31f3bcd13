#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace qel {

// The table of contents of a game archive (a zip file), read and checked before anything in the
// archive is trusted: a damaged or hostile archive is refused here with one reason, so that the
// library that reads its members later meets only sound ones.
//
// Refused: what is no zip or is cut short; split, encrypted and 64-bit archives and compression
// other than store and deflate, which a packed game never needs; links; member names that are no
// plain relative path (absolute, "..", "\", ":", empty parts) or that name a member twice; members
// that overlap or lie outside the archive's data; too many members, and members that claim more
// bytes than the limits allow or than their packed bytes can hold. Nothing is allocated for
// what a header claims: the tables read are bounded by the file's own size and the limits.
class ZipDirectory {
public:
    struct Limits {
        std::size_t mostMembers = 10000;
        std::uint64_t mostMemberBytes = std::uint64_t(256) << 20;
        std::uint64_t mostBytes = std::uint64_t(1) << 30;
        // Deflate packs at most about 1032 bytes into one, so a member above ratioFrom bytes that
        // claims a higher ratio lies about its size.
        std::uint64_t mostRatio = 1100;
        std::uint64_t ratioFrom = 4096;
    };

    struct Member {
        std::uint32_t crc = 0;
        std::uint64_t packedBytes = 0;
        std::uint64_t bytes = 0;
        bool folder = false;
    };

    // The archive's members, or nothing and why in error ("it is not a zip archive").
    static std::optional<ZipDirectory> read(const std::string& path, std::string& error, const Limits& limits);
    static std::optional<ZipDirectory> read(const std::string& path, std::string& error);

    // The member of that name (without a folder's trailing '/'), or null. The archive's folders
    // are there too, those its members' names imply included.
    const Member* find(const std::string& name) const;
    // The number of members the archive lists.
    std::size_t size() const { return listed; }

private:
    std::map<std::string, Member> members;
    std::size_t listed = 0;
};

} // namespace qel
