#include "display/CellDrawer.hpp"

#include "display/Palette.hpp"
#include "display/ScreenBuffer.hpp"

#include <SFML/Graphics/RenderStates.hpp>

namespace qel {

namespace {

// Appends two triangles covering the rectangle, with texture coordinates in pixels.
void appendQuad(std::vector<sf::Vertex>& vertices, sf::FloatRect area, sf::FloatRect texture,
                sf::Color color)
{
    const float left = area.left, top = area.top;
    const float right = area.left + area.width, bottom = area.top + area.height;
    const float u1 = texture.left, v1 = texture.top;
    const float u2 = texture.left + texture.width, v2 = texture.top + texture.height;
    vertices.emplace_back(sf::Vector2f(left, top), color, sf::Vector2f(u1, v1));
    vertices.emplace_back(sf::Vector2f(right, top), color, sf::Vector2f(u2, v1));
    vertices.emplace_back(sf::Vector2f(left, bottom), color, sf::Vector2f(u1, v2));
    vertices.emplace_back(sf::Vector2f(left, bottom), color, sf::Vector2f(u1, v2));
    vertices.emplace_back(sf::Vector2f(right, top), color, sf::Vector2f(u2, v1));
    vertices.emplace_back(sf::Vector2f(right, bottom), color, sf::Vector2f(u2, v2));
}

// Characters a one-letter text lays out without a quad.
bool drawsNothing(uint16_t character)
{
    return character == 0 || character == ' ' || character == '\t' || character == '\n' ||
           character == '\r';
}

// The glyph quad of a text whose top-left corner is at origin: the glyph's bounds and texture
// rectangle, each grown by one pixel of padding, with the baseline one character size down.
void appendGlyph(std::vector<sf::Vertex>& vertices, const sf::Glyph& glyph, sf::Vector2f origin,
                 sf::Color color)
{
    const float padding = 1.f;
    const sf::FloatRect bounds(origin.x + glyph.bounds.left - padding,
                               origin.y + GlyphSize + glyph.bounds.top - padding,
                               glyph.bounds.width + 2 * padding, glyph.bounds.height + 2 * padding);
    const sf::FloatRect texture(glyph.textureRect.left - padding, glyph.textureRect.top - padding,
                                glyph.textureRect.width + 2 * padding,
                                glyph.textureRect.height + 2 * padding);
    appendQuad(vertices, bounds, texture, color);
}

} // namespace

void CellDrawer::draw(const ScreenBuffer& buffer, const sf::Font& font, sf::RenderTexture& target)
{
    buildBackgrounds(buffer);
    buildGlyphs(buffer, font);

    target.clear(sf::Color::Transparent);
    target.draw(backgroundVertices.data(), backgroundVertices.size(), sf::Triangles);
    // Fetched after every glyph is in place: rendering a new glyph may grow the font's texture.
    sf::RenderStates glyphStates(&font.getTexture(GlyphSize));
    target.draw(glyphVertices.data(), glyphVertices.size(), sf::Triangles, glyphStates);
    target.display();
}

void CellDrawer::buildBackgrounds(const ScreenBuffer& buffer)
{
    backgroundVertices.clear();
    const GridSize size = buffer.getSize();
    const std::vector<Cell>& cells = buffer.getCells();
    for (int row = 0; row < size.height; ++row) {
        for (int column = 0; column < size.width; ++column) {
            const Cell& cell = cells[column + row * size.width];
            const sf::Color* color = paletteColor(cell.background);
            if (cell.background == 0 || !color)
                continue;
            const sf::FloatRect area(column * CellWidth, row * CellHeight + 2, CellWidth, CellHeight);
            appendQuad(backgroundVertices, area, {}, *color);
        }
    }
}

void CellDrawer::buildGlyphs(const ScreenBuffer& buffer, const sf::Font& font)
{
    glyphVertices.clear();
    const GridSize size = buffer.getSize();
    const std::vector<Cell>& cells = buffer.getCells();
    for (int row = 0; row < size.height; ++row) {
        for (int column = 0; column < size.width; ++column) {
            const Cell& cell = cells[column + row * size.width];
            const sf::Color* color = paletteColor(cell.foreground);
            // A foreground of 0 is fully transparent: the glyph would leave no mark.
            if (drawsNothing(cell.character) || cell.foreground == 0 || !color)
                continue;
            const sf::Glyph& glyph = font.getGlyph(cell.character, GlyphSize, false);
            appendGlyph(glyphVertices, glyph, sf::Vector2f(column * CellWidth, row * CellHeight - 2),
                        *color);
        }
    }
}

} // namespace qel
