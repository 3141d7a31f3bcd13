#pragma once

#include <SFML/Window/GlResource.hpp>

#include <cstdint>

namespace sf {
class Texture;
}

namespace qel {

// Copies rectangles of a picture kept in memory into a texture of the same size. The texture is
// bound once for all of them and each rectangle is read from the picture in place: the graphics
// library's own update binds, flushes and wants the pixels gathered for every rectangle, which on
// a software renderer costs more than copying a few cells.
class PictureUpload : private sf::GlResource {
public:
    // picture holds rows of width pixels, red, green, blue and alpha bytes in that order.
    PictureUpload(sf::Texture& target, const uint32_t* picture, int width);
    ~PictureUpload();
    PictureUpload(const PictureUpload&) = delete;
    PictureUpload& operator=(const PictureUpload&) = delete;

    // Pixels from left and top up to, not including, right and bottom.
    void copy(int left, int top, int right, int bottom);

private:
    TransientContextLock contextLock;
    const uint32_t* picture;
    int width;
    int previousTexture = 0, previousRowLength = 0;
};

} // namespace qel
