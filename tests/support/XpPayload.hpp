#pragma once

#include <zlib.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace qel::test {

using Bytes = std::vector<unsigned char>;

struct Rgb {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};
constexpr Rgb KeyRgb{255, 0, 255};

// The bytes of a cell-art file before compression, written field by field, little-endian, so
// that a test can write any header a file could hold, however wrong.
class XpPayload {
public:
    XpPayload& int32(int32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<unsigned char>(static_cast<uint32_t>(value) >> shift));
        return *this;
    }

    XpPayload& ints(std::initializer_list<int32_t> values)
    {
        for (int32_t value : values)
            int32(value);
        return *this;
    }

    XpPayload& cell(uint32_t character, Rgb foreground, Rgb background)
    {
        int32(static_cast<int32_t>(character));
        bytes.insert(bytes.end(), {foreground.red, foreground.green, foreground.blue, background.red,
                                   background.green, background.blue});
        return *this;
    }

    // A layer's size and its cells, column by column: characters and colours of every kind,
    // the key among them, varying with the place and the layer.
    XpPayload& layer(int32_t width, int32_t height, int number = 1)
    {
        ints({width, height});
        for (int x = 0; x < width; ++x) {
            for (int y = 0; y < height; ++y) {
                const int n = x * 7 + y * 13 + number * 29;
                const auto shade = [&](int step) { return static_cast<uint8_t>(n * step); };
                cell(static_cast<uint32_t>(n % 256), n % 9 == 0 ? KeyRgb : Rgb{shade(3), shade(5), shade(11)},
                     n % 4 == 0 ? KeyRgb : Rgb{shade(17), shade(19), shade(23)});
            }
        }
        return *this;
    }

    // A whole file as the editor writes it now: version -1 and the layers, all of one size.
    static XpPayload picture(int layers, int32_t width, int32_t height)
    {
        XpPayload payload;
        payload.ints({-1, layers});
        for (int number = 1; number <= layers; ++number)
            payload.layer(width, height, number);
        return payload;
    }

    Bytes bytes;
};

inline Bytes gunzipped(const Bytes& compressed)
{
    z_stream stream{};
    inflateInit2(&stream, 15 + 16);
    stream.next_in = const_cast<unsigned char*>(compressed.data());
    stream.avail_in = static_cast<uInt>(compressed.size());
    Bytes raw;
    unsigned char piece[16384];
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = piece;
        stream.avail_out = sizeof piece;
        status = inflate(&stream, Z_NO_FLUSH);
        raw.insert(raw.end(), piece, piece + (sizeof piece - stream.avail_out));
    }
    inflateEnd(&stream);
    return raw;
}

// A small gzip file that inflates to the prefix and then about this many mebibytes of zeros: the
// zeros are one deflated mebibyte, flushed so that it stands alone, repeated.
inline Bytes gzipBomb(const Bytes& prefix, int mebibytes)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
    const Bytes zeros(1 << 20);
    const auto deflated = [&](const Bytes& raw, int flush) {
        Bytes out(deflateBound(&stream, static_cast<uLong>(raw.size())) + 64);
        stream.next_in = const_cast<unsigned char*>(raw.data());
        stream.avail_in = static_cast<uInt>(raw.size());
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        deflate(&stream, flush);
        out.resize(out.size() - stream.avail_out);
        return out;
    };
    Bytes bomb = deflated(prefix, Z_FULL_FLUSH);
    const Bytes mebibyte = deflated(zeros, Z_FULL_FLUSH);
    for (int i = 0; i < mebibytes; ++i)
        bomb.insert(bomb.end(), mebibyte.begin(), mebibyte.end());
    deflateEnd(&stream);
    return bomb;
}

} // namespace qel::test
