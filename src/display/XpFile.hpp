#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace qel {

class ScreenBuffer;

// The picture files (.xp) of the cell-art editor that roguelike authors draw with: gzip-compressed
// layers of cells, each a code page 437 character with a foreground and a background colour in
// RGB, and magenta (255, 0, 255) as the key colour that marks a background transparent.
class XpFile {
public:
    // Bounds of what a file may hold: the editor's own limit of layers, the largest buffer, and
    // room for the largest picture's cells even if they would not compress at all (94 MB).
    static constexpr int MostLayers = 9;
    static constexpr int MostSide = 1024;
    static constexpr size_t MostFileBytes = size_t(96) << 20;

    // The picture the file's bytes hold, as a buffer of the file's size: the layers laid one on
    // another from the file's first up; the key background and a blank character (0 or space)
    // of an upper layer let the layers below show, and the first layer's key background is
    // Clear; a foreground of the key colour is Clear; the other colours become the nearest
    // palette entries. Null, with the one reason in error ("it is cut short in layer 2"), when
    // the bytes are not such a file. Inflation stops once the last cell is read: anything after
    // it is ignored, unread and so unchecked.
    static std::unique_ptr<ScreenBuffer> decode(const std::vector<unsigned char>& bytes, std::string& error);

    // The file of one layer that holds the buffer's cells. Clear and Clear2 backgrounds, a Clear
    // foreground and indices with no palette entry are written as the key colour, the others as
    // their palette colours; a character code page 437 has not becomes '?'. Empty when zlib
    // finds no memory to compress with.
    static std::vector<unsigned char> encode(const ScreenBuffer& buffer);
};

} // namespace qel
