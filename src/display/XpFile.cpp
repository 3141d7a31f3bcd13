#include "display/XpFile.hpp"

#include "base/CodePage437.hpp"
#include "base/Gzip.hpp"
#include "display/Palette.hpp"
#include "display/ScreenBuffer.hpp"

#include <zlib.h>

#include <array>

namespace qel {

namespace {

const sf::Color Key(255, 0, 255);
// What the editor writes first; files of its oldest versions start with the layer count.
constexpr int32_t Version = -1;
constexpr size_t CellBytes = 10;
constexpr size_t InflatedPiece = 64 * 1024;
// gzip's own header and trailer around the deflated data.
constexpr int GzipWindowBits = 15 + 16;

bool isGzip(const std::vector<unsigned char>& bytes)
{
    return bytes.size() >= 2 && bytes[0] == 0x1f && bytes[1] == 0x8b;
}

int32_t littleEndian32(const unsigned char* bytes)
{
    return static_cast<int32_t>(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
                                uint32_t(bytes[3]) << 24);
}

std::string sizeText(int32_t width, int32_t height)
{
    return std::to_string(width) + " x " + std::to_string(height) + " cells";
}

// Inflates a gzip stream a piece at a time as it is read, so that no count a file claims sizes
// an allocation and a file that inflates to gigabytes costs only the bytes read from it.
class InflatingReader {
public:
    explicit InflatingReader(const std::vector<unsigned char>& compressed) : piece(InflatedPiece)
    {
        stream.next_in = const_cast<unsigned char*>(compressed.data());
        stream.avail_in = static_cast<uInt>(compressed.size());
        status = inflateInit2(&stream, GzipWindowBits);
        started = status == Z_OK;
    }
    ~InflatingReader()
    {
        if (started)
            inflateEnd(&stream);
    }
    InflatingReader(const InflatingReader&) = delete;
    InflatingReader& operator=(const InflatingReader&) = delete;

    // The next count bytes, at most a cell's, or null when the stream ends or breaks first;
    // they stay as they are until the next take.
    const unsigned char* take(size_t count)
    {
        if (filled - position >= count) {
            position += count;
            return piece.data() + position - count;
        }
        for (size_t i = 0; i < count; ++i) {
            if (position == filled && !refill())
                return nullptr;
            straddling[i] = piece[position++];
        }
        return straddling;
    }

    // Whether a failed read met damaged data rather than the end of the data.
    bool damaged() const { return status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR; }

private:
    bool refill()
    {
        if (status != Z_OK)
            return false;
        stream.next_out = piece.data();
        stream.avail_out = static_cast<uInt>(piece.size());
        // Headers and empty blocks inflate to nothing: inflation goes on until bytes come out
        // or the stream can go no further.
        do
            status = inflate(&stream, Z_NO_FLUSH);
        while (status == Z_OK && stream.avail_out == piece.size());
        position = 0;
        filled = piece.size() - stream.avail_out;
        return filled > 0;
    }

    z_stream stream{};
    std::vector<unsigned char> piece;
    // The bytes of a take that began in one piece and ends in the next.
    unsigned char straddling[CellBytes] = {};
    size_t position = 0;
    size_t filled = 0;
    int status = Z_OK;
    bool started = false;
};

struct FileCell {
    uint32_t character;
    sf::Color foreground;
    sf::Color background;
};

// The palette entries nearest the colours met so far, a few hundred of them: pictures repeat
// their colours, and a layer of the largest size holds a million cells.
class NearestColours {
public:
    uint8_t of(sf::Color colour)
    {
        const uint32_t rgb = uint32_t(colour.r) << 16 | uint32_t(colour.g) << 8 | colour.b;
        Slot& slot = slots[(rgb * 2654435761u) >> 24];
        if (slot.rgb != rgb)
            slot = {rgb, nearestPaletteIndex(colour)};
        return slot.index;
    }

private:
    struct Slot {
        // No colour has this value.
        uint32_t rgb = 1u << 24;
        uint8_t index = 0;
    };
    std::array<Slot, 256> slots{};
};

// Reads the layers of a file and lays each on the ones before it in one buffer.
class LayerMerger {
public:
    LayerMerger(const std::vector<unsigned char>& bytes, std::string& error) : in(bytes), error(error) {}

    std::unique_ptr<ScreenBuffer> merge()
    {
        int32_t layers = 0;
        if (!readLayerCount(layers))
            return nullptr;
        for (int layer = 1; layer <= layers; ++layer)
            if (!readLayer(layer))
                return nullptr;
        return std::move(merged);
    }

private:
    bool readLayerCount(int32_t& layers)
    {
        int32_t first = 0;
        if (!readInt(first, "its header") || (first < 0 && !readInt(layers, "its header")))
            return false;
        if (first >= 0)
            layers = first;
        if (layers < 1)
            return fail("it holds no layers");
        if (layers > XpFile::MostLayers)
            return fail("it claims " + std::to_string(layers) + " layers; at most " + std::to_string(XpFile::MostLayers));
        return true;
    }

    bool readLayer(int layer)
    {
        const std::string where = "layer " + std::to_string(layer);
        int32_t width = 0;
        int32_t height = 0;
        if (!readInt(width, where) || !readInt(height, where) || !checkSize(layer, width, height))
            return false;
        for (int x = 0; x < width; ++x) {
            for (int y = 0; y < height; ++y) {
                FileCell cell;
                if (!readCell(cell, where))
                    return false;
                if (cell.character > 255)
                    return fail("cell (" + std::to_string(x) + ", " + std::to_string(y) + ") of " + where + " holds character " +
                                std::to_string(cell.character) + ", which code page 437 has not");
                lay(merged->getCells()[x + y * width], cell, layer == 1);
            }
        }
        return true;
    }

    // The first layer makes the buffer; the others must be of its size.
    bool checkSize(int layer, int32_t width, int32_t height)
    {
        if (width < 1 || height < 1 || width > XpFile::MostSide || height > XpFile::MostSide)
            return fail("its layer " + std::to_string(layer) + " is " + sizeText(width, height) + "; a layer is 1 x 1 to " +
                        sizeText(XpFile::MostSide, XpFile::MostSide));
        if (!merged) {
            merged = std::make_unique<ScreenBuffer>(nullptr, width, height);
            return true;
        }
        const GridSize size = merged->getSize();
        if (width != size.width || height != size.height)
            return fail("its layers differ in size: layer 1 is " + sizeText(size.width, size.height) + ", layer " +
                        std::to_string(layer) + " " + sizeText(width, height));
        return true;
    }

    // The first layer lies on nothing, so all of it counts; on an upper layer a key background
    // and a blank character let the layers below show through.
    void lay(Cell& cell, const FileCell& given, bool first)
    {
        if (given.background != Key)
            cell.background = nearest.of(given.background);
        if (!first && (given.character == 0 || given.character == ' '))
            return;
        cell.character = codePage437ToUnicode(static_cast<uint8_t>(given.character));
        cell.foreground = given.foreground == Key ? uint8_t(Clear) : nearest.of(given.foreground);
    }

    bool readInt(int32_t& value, const std::string& where)
    {
        const unsigned char* bytes = take(4, where);
        if (bytes)
            value = littleEndian32(bytes);
        return bytes;
    }

    bool readCell(FileCell& cell, const std::string& where)
    {
        const unsigned char* bytes = take(CellBytes, where);
        if (!bytes)
            return false;
        cell.character = static_cast<uint32_t>(littleEndian32(bytes));
        cell.foreground = sf::Color(bytes[4], bytes[5], bytes[6]);
        cell.background = sf::Color(bytes[7], bytes[8], bytes[9]);
        return true;
    }

    const unsigned char* take(size_t count, const std::string& where)
    {
        const unsigned char* bytes = in.take(count);
        if (!bytes)
            fail(in.damaged() ? "its compressed data is damaged" : "it is cut short in " + where);
        return bytes;
    }

    bool fail(const std::string& reason)
    {
        error = reason;
        return false;
    }

    InflatingReader in;
    std::string& error;
    std::unique_ptr<ScreenBuffer> merged;
    NearestColours nearest;
};

void append32(std::vector<unsigned char>& bytes, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<unsigned char>(value >> shift));
}

// A colour index as the file's RGB: indices without a palette colour are the key.
void appendColour(std::vector<unsigned char>& bytes, uint8_t index)
{
    const sf::Color colour = index >= 1 && index < PaletteSize ? palette()[index] : Key;
    bytes.insert(bytes.end(), {colour.r, colour.g, colour.b});
}

} // namespace

std::unique_ptr<ScreenBuffer> XpFile::decode(const std::vector<unsigned char>& bytes, std::string& error)
{
    if (bytes.size() > MostFileBytes) {
        error = "it is larger than " + std::to_string(MostFileBytes >> 20) + " MB";
        return nullptr;
    }
    if (!isGzip(bytes)) {
        error = "it is not gzip-compressed";
        return nullptr;
    }
    return LayerMerger(bytes, error).merge();
}

std::vector<unsigned char> XpFile::encode(const ScreenBuffer& buffer)
{
    const GridSize size = buffer.getSize();
    std::vector<unsigned char> raw;
    raw.reserve(16 + CellBytes * size_t(size.width) * size_t(size.height));
    append32(raw, static_cast<uint32_t>(Version));
    append32(raw, 1);
    append32(raw, static_cast<uint32_t>(size.width));
    append32(raw, static_cast<uint32_t>(size.height));
    for (int x = 0; x < size.width; ++x) {
        for (int y = 0; y < size.height; ++y) {
            const Cell& cell = buffer.cellAt(x, y);
            append32(raw, unicodeToCodePage437(cell.character).value_or('?'));
            appendColour(raw, cell.foreground);
            appendColour(raw, cell.background);
        }
    }
    return gzip(raw);
}

} // namespace qel
