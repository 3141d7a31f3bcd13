#pragma once

#include <SFML/Graphics/Color.hpp>

#include <array>
#include <cstdint>

namespace qel {

constexpr int PaletteSize = 17;

// The 17 colours a cell can show: 0 is transparent, then Red to Black.
const std::array<sf::Color, PaletteSize>& palette();

// The colour for a cell's index, or null for indices without an entry (they draw nothing).
inline const sf::Color* paletteColor(uint8_t index)
{
    return index < PaletteSize ? &palette()[index] : nullptr;
}

// The entry, Red (1) to Black (16), nearest the colour's red, green and blue (by squared
// distance; of entries equally near, the lower index). Clear is never the nearest.
uint8_t nearestPaletteIndex(sf::Color colour);

} // namespace qel
