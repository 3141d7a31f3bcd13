#include "display/PictureFiles.hpp"

#include "base/WholeFile.hpp"

#include <SFML/Graphics/Image.hpp>
#include <png.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

namespace qel {

namespace {

bool endsWith(const std::string& path, std::string_view ending)
{
    if (path.size() < ending.size())
        return false;
    return std::equal(ending.begin(), ending.end(), path.end() - ending.size(), [](char wanted, char given) {
        return wanted == std::tolower(static_cast<unsigned char>(given));
    });
}

// The formats SFML writes itself, straight to the file.
bool isSavedBySfml(const std::string& path)
{
    return endsWith(path, ".bmp") || endsWith(path, ".tga") || endsWith(path, ".jpg") || endsWith(path, ".jpeg");
}

void sayNotSaved(const std::string& path, const std::string& reason)
{
    std::fprintf(stderr, "qel: cannot save the picture to \"%s\": %s\n", path.c_str(), reason.c_str());
}

// The picture as the bytes of a PNG file; nothing, with libpng's reason, when it cannot be
// encoded. Captures are for looking at and comparing, so speed counts more than size.
std::vector<unsigned char> encodePng(const sf::Image& picture, std::string& failure)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = picture.getSize().x;
    image.height = picture.getSize().y;
    image.format = PNG_FORMAT_RGBA;
    image.flags = PNG_IMAGE_FLAG_FAST;
    png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(image);
    std::vector<unsigned char> bytes(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, picture.getPixelsPtr(), 0, nullptr)) {
        failure = image.message;
        png_image_free(&image);
        return {};
    }
    bytes.resize(size);
    return bytes;
}

// SFML says why on its own line, and the system's reason is left in errno when there is one.
void saveBySfml(const sf::Image& picture, const std::string& path)
{
    errno = 0;
    if (!picture.saveToFile(path))
        sayNotSaved(path, errno != 0 ? std::strerror(errno) : "the picture could not be written");
}

} // namespace

void savePicture(const sf::Image& picture, const std::vector<std::string>& paths)
{
    std::optional<std::vector<unsigned char>> png;
    std::string encodingFailure;
    for (const std::string& path : paths) {
        if (isSavedBySfml(path)) {
            saveBySfml(picture, path);
            continue;
        }
        if (!png)
            png = encodePng(picture, encodingFailure);
        const std::string failure = png->empty() ? encodingFailure : writeWholeFile(path, *png);
        if (!failure.empty())
            sayNotSaved(path, failure);
    }
}

} // namespace qel
