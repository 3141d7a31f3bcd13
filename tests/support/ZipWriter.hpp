#pragma once

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qel::test {

// One member of a zip file written by zipOf. Its header fields follow from its data unless a test
// sets them otherwise, as a damaged or hostile archive would have them.
struct ZipMember {
    std::string name;
    std::string data;
    bool deflated = false;
    std::optional<std::uint32_t> claimedBytes;
    std::optional<std::uint32_t> claimedPackedBytes;
    std::optional<std::uint32_t> crc;
    std::optional<std::uint16_t> method;
    std::uint16_t flags = 0;
    std::uint32_t externalAttributes = 0100644u << 16;
    std::uint16_t disk = 0;
    // The method its own header gives, when it disagrees with the table of contents.
    std::optional<std::uint16_t> localMethod;
    // Where the table of contents says its header is: at the header of that earlier member.
    std::optional<std::size_t> sharesHeaderOf;
};

// The end record's fields, as given or as they follow from the members.
struct ZipEnd {
    std::optional<std::uint16_t> listed;
    std::optional<std::uint32_t> directoryAt;
    std::uint16_t disk = 0;
    std::string comment;
};

namespace zip {

inline void put(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(value >> (8 * i) & 0xff);
}

// Raw deflate, as zip members hold it.
inline std::string deflate(const std::string& data)
{
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string packed(deflateBound(&stream, data.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = static_cast<uInt>(packed.size());
    ::deflate(&stream, Z_FINISH);
    packed.resize(stream.total_out);
    deflateEnd(&stream);
    return packed;
}

} // namespace zip

// The bytes of a zip file of the members, with the given end record.
inline std::string zipOf(const std::vector<ZipMember>& members, const ZipEnd& end = {})
{
    std::string out;
    std::string directory;
    std::vector<std::uint32_t> headerAt;
    for (const ZipMember& member : members) {
        const std::string packed = member.deflated ? zip::deflate(member.data) : member.data;
        const std::uint16_t method = member.method.value_or(member.deflated ? 8 : 0);
        const std::uint32_t crc = member.crc.value_or(static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(member.data.data()), static_cast<uInt>(member.data.size()))));
        const std::uint32_t bytes = member.claimedBytes.value_or(static_cast<std::uint32_t>(member.data.size()));
        const std::uint32_t packedBytes = member.claimedPackedBytes.value_or(static_cast<std::uint32_t>(packed.size()));
        const auto fields = [&](std::string& record, std::uint16_t ownMethod) {
            zip::put(record, 20, 2); // version needed
            zip::put(record, member.flags, 2);
            zip::put(record, ownMethod, 2);
            zip::put(record, 0, 4); // time and date
            zip::put(record, crc, 4);
            zip::put(record, packedBytes, 4);
            zip::put(record, bytes, 4);
            zip::put(record, static_cast<std::uint32_t>(member.name.size()), 2);
            zip::put(record, 0, 2); // extra field
        };
        headerAt.push_back(member.sharesHeaderOf ? headerAt[*member.sharesHeaderOf] : static_cast<std::uint32_t>(out.size()));
        if (!member.sharesHeaderOf) {
            zip::put(out, 0x04034b50, 4);
            fields(out, member.localMethod.value_or(method));
            out += member.name + packed;
        }
        zip::put(directory, 0x02014b50, 4);
        zip::put(directory, 0x031e, 2); // made on Unix
        fields(directory, method);
        zip::put(directory, 0, 2); // comment
        zip::put(directory, member.disk, 2);
        zip::put(directory, 0, 2); // internal attributes
        zip::put(directory, member.externalAttributes, 4);
        zip::put(directory, headerAt.back(), 4);
        directory += member.name;
    }
    const std::uint32_t directoryAt = end.directoryAt.value_or(static_cast<std::uint32_t>(out.size()));
    out += directory;
    const std::uint16_t listed = end.listed.value_or(static_cast<std::uint16_t>(members.size()));
    zip::put(out, 0x06054b50, 4);
    zip::put(out, end.disk, 2);
    zip::put(out, 0, 2);
    zip::put(out, listed, 2);
    zip::put(out, listed, 2);
    zip::put(out, static_cast<std::uint32_t>(directory.size()), 4);
    zip::put(out, directoryAt, 4);
    zip::put(out, static_cast<std::uint32_t>(end.comment.size()), 2);
    return out + end.comment;
}

} // namespace qel::test
