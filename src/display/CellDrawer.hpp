#pragma once

#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/RenderTexture.hpp>
#include <SFML/Graphics/Vertex.hpp>

#include <vector>

namespace qel {

class ScreenBuffer;

// Cell geometry in the screen texture.
constexpr int CellWidth = 16;
constexpr int CellHeight = 24;
constexpr unsigned GlyphSize = 24;

// Draws a screen buffer's cells into a screen texture in two batches, backgrounds then glyphs,
// each placed and coloured as if every cell were drawn on its own as a rectangle and a one-letter
// text.
class CellDrawer {
public:
    void draw(const ScreenBuffer& buffer, const sf::Font& font, sf::RenderTexture& target);

private:
    void buildBackgrounds(const ScreenBuffer& buffer);
    void buildGlyphs(const ScreenBuffer& buffer, const sf::Font& font);

    std::vector<sf::Vertex> backgroundVertices;
    std::vector<sf::Vertex> glyphVertices;
};

} // namespace qel
