#include "base/Gzip.hpp"

#include <zlib.h>

namespace qel {

std::vector<unsigned char> gzip(const std::vector<unsigned char>& raw)
{
    // gzip's own header and trailer around the deflated data.
    constexpr int GzipWindowBits = 15 + 16;
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, GzipWindowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    std::vector<unsigned char> compressed(deflateBound(&stream, static_cast<uLong>(raw.size())));
    stream.next_in = const_cast<unsigned char*>(raw.data());
    stream.avail_in = static_cast<uInt>(raw.size());
    stream.next_out = compressed.data();
    stream.avail_out = static_cast<uInt>(compressed.size());
    deflate(&stream, Z_FINISH);
    compressed.resize(stream.total_out);
    deflateEnd(&stream);
    return compressed;
}

} // namespace qel
