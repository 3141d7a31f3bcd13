#pragma once

#include "display/CellDrawer.hpp"

#include <SFML/Graphics/RenderTexture.hpp>

namespace qel {

// The straightforward way to draw the cells: one rectangle and one one-letter text per cell,
// every frame, into a render texture that is then copied to the screen texture. Slow, but
// obviously right; the engine's composed drawing is measured and checked against it.
class ReferenceCellDrawer : public CellDrawer {
public:
    using CellDrawer::CellDrawer;

    // Draws every cell, every time.
    bool draw(const ScreenBuffer& buffer, sf::Texture& target) override;

private:
    bool hasNoShape(uint16_t character) const;

    sf::RenderTexture canvas;
};

} // namespace qel
