#include "display/PictureUpload.hpp"

#include <SFML/Graphics/Texture.hpp>
#include <SFML/OpenGL.hpp>

namespace qel {

// Whatever texture and row length the graphics library had set are set again at the end.
PictureUpload::PictureUpload(sf::Texture& target, const uint32_t* picture, int width)
    : picture(picture), width(width)
{
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previousTexture);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &previousRowLength);
    glBindTexture(GL_TEXTURE_2D, target.getNativeHandle());
    glPixelStorei(GL_UNPACK_ROW_LENGTH, width);
}

// A context of another thread or the shared one sees the new pixels once they are flushed.
PictureUpload::~PictureUpload()
{
    glPixelStorei(GL_UNPACK_ROW_LENGTH, previousRowLength);
    glBindTexture(GL_TEXTURE_2D, previousTexture);
    glFlush();
}

void PictureUpload::copy(int left, int top, int right, int bottom)
{
    glTexSubImage2D(GL_TEXTURE_2D, 0, left, top, right - left, bottom - top, GL_RGBA, GL_UNSIGNED_BYTE,
                    picture + static_cast<size_t>(top) * width + left);
}

} // namespace qel
