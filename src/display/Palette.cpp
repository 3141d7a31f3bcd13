#include "display/Palette.hpp"

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

} // namespace qel
