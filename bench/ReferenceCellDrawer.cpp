#include "ReferenceCellDrawer.hpp"

#include "display/Palette.hpp"

#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/Graphics/Text.hpp>

namespace qel {

// A one-letter text of a glyph without a shape (a no-break space, say) still draws a stray dot
// from its padding; the screen shows such characters as blank.
bool ReferenceCellDrawer::hasNoShape(uint16_t character) const
{
    const bool bold = false;
    return font.getGlyph(character, GlyphSize, bold).textureRect.width == 0;
}

bool ReferenceCellDrawer::draw(const ScreenBuffer& buffer, sf::Texture& target)
{
    if (canvas.getSize() != target.getSize())
        canvas.create(target.getSize().x, target.getSize().y);
    canvas.clear(sf::Color::Transparent);
    sf::RectangleShape rectangle(sf::Vector2f(CellWidth, CellHeight));
    sf::Text text;
    text.setFont(font);
    text.setCharacterSize(GlyphSize);
    const GridSize size = buffer.getSize();

    // Background pass.
    for (int row = 0; row < size.height; ++row) {
        for (int column = 0; column < size.width; ++column) {
            const Cell& cell = buffer.cellAt(column, row);
            const sf::Color* color = paletteColor(cell.background);
            if (cell.background == 0 || !color)
                continue;
            rectangle.setFillColor(*color);
            rectangle.setPosition(column * CellWidth, row * CellHeight + CellsTop);
            canvas.draw(rectangle);
        }
    }
    // Glyph pass, so that no background covers a glyph overhanging its cell.
    for (int row = 0; row < size.height; ++row) {
        for (int column = 0; column < size.width; ++column) {
            const Cell& cell = buffer.cellAt(column, row);
            const sf::Color* color = paletteColor(cell.foreground);
            if (cell.character == 0 || !color || hasNoShape(cell.character))
                continue;
            text.setString(sf::String(static_cast<sf::Uint32>(cell.character)));
            text.setFillColor(*color);
            text.setPosition(column * CellWidth, row * CellHeight + CellsTop - TextAboveCell);
            canvas.draw(text);
        }
    }
    canvas.display();
    target.update(canvas.getTexture());
    return true;
}

} // namespace qel
