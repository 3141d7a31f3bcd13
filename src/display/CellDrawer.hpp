#pragma once

#include "display/ScreenBuffer.hpp"
#include "display/ScreenGeometry.hpp"

#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/Texture.hpp>

#include <unordered_map>
#include <vector>

namespace qel {

// Draws a screen buffer's cells into a screen texture: backgrounds first, then glyphs, each placed
// and coloured as a rectangle and a one-letter text per cell would be. The picture is composed in
// memory from the font's glyphs and uploaded at once, which costs far less than drawing thousands
// of small shapes; a texture that already shows the same cells is left as it is.
class CellDrawer {
public:
    explicit CellDrawer(const sf::Font& font);
    virtual ~CellDrawer() = default;

    // target is as wide as the buffer's columns of cells and ScreenTextureHeight high.
    virtual void draw(const ScreenBuffer& buffer, sf::Texture& target);

protected:
    const sf::Font& font;

private:
    // A glyph's coverage, and where it lies relative to the top-left corner of its text.
    struct GlyphMask {
        int left = 0, top = 0, width = 0, height = 0;
        std::vector<uint8_t> coverage;
    };

    bool alreadyShows(const ScreenBuffer& buffer, const sf::Texture& target) const;
    void learnNewGlyphs(const ScreenBuffer& buffer);
    void paintBackgrounds(const ScreenBuffer& buffer, int textureWidth);
    void paintGlyphs(const ScreenBuffer& buffer, int textureWidth);
    void blendGlyph(const GlyphMask& mask, int x, int y, sf::Color color, int textureWidth);

    std::unordered_map<uint16_t, GlyphMask> glyphs;
    std::vector<sf::Uint8> pixels;

    // What the last drawn texture shows.
    const sf::Texture* lastTarget = nullptr;
    std::vector<Cell> lastCells;
};

} // namespace qel
