#include "display/Palette.hpp"

#include <climits>

namespace qel {

const std::array<sf::Color, PaletteSize>& palette()
{
    static const std::array<sf::Color, PaletteSize> colors = {
        sf::Color::Transparent,
        sf::Color(170, 0, 0),     sf::Color(170, 85, 0),    sf::Color(0, 170, 0),
        sf::Color(0, 170, 170),   sf::Color(4, 0, 170),     sf::Color(170, 0, 170),
        sf::Color(170, 170, 170), sf::Color(85, 85, 85),    sf::Color(255, 85, 85),
        sf::Color(255, 255, 85),  sf::Color(85, 255, 85),   sf::Color(85, 255, 255),
        sf::Color(85, 85, 255),   sf::Color(255, 85, 255),  sf::Color(253, 253, 253),
        sf::Color(19, 15, 15),
    };
    return colors;
}

uint8_t nearestPaletteIndex(sf::Color colour)
{
    const auto squared = [](int difference) { return difference * difference; };
    const auto& entries = palette();
    uint8_t nearest = 1;
    int nearestDistance = INT_MAX;
    for (uint8_t index = 1; index < PaletteSize; ++index) {
        const sf::Color& entry = entries[index];
        const int distance = squared(colour.r - entry.r) + squared(colour.g - entry.g) + squared(colour.b - entry.b);
        if (distance < nearestDistance) {
            nearest = index;
            nearestDistance = distance;
        }
    }
    return nearest;
}

} // namespace qel
