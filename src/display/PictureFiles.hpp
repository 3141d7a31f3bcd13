#pragma once

#include <string>
#include <vector>

namespace sf {
class Image;
}

namespace qel {

// Saves the picture to each path: as BMP, TGA or JPEG by the name's ending (".bmp", ".tga",
// ".jpg", ".jpeg", in any case), and as PNG otherwise. The PNG is encoded once for all the paths
// that take it, however many there are. Each file that cannot be saved is said on standard error
// with its path and the reason.
void savePicture(const sf::Image& picture, const std::vector<std::string>& paths);

} // namespace qel
