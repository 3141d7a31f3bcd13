#include "display/CellDrawer.hpp"

#include "display/Palette.hpp"

#include <SFML/Graphics/Image.hpp>

#include <algorithm>
#include <cstring>

namespace qel {

namespace {

constexpr int BytesPerPixel = 4;
// The cells show the font's regular glyphs.
constexpr bool BoldGlyphs = false;

// Characters a one-letter text lays out without a glyph.
bool drawsNothing(uint16_t character)
{
    return character == 0 || character == ' ' || character == '\t' || character == '\n' ||
           character == '\r';
}

// The colour a cell's glyph is drawn in, or null when it would leave no mark.
const sf::Color* glyphColor(const Cell& cell)
{
    if (drawsNothing(cell.character) || cell.foreground == Clear)
        return nullptr;
    return paletteColor(cell.foreground);
}

// Source-over blending of one channel, as the graphics card blends a glyph onto the screen.
sf::Uint8 mix(int source, int destination, int alpha)
{
    return static_cast<sf::Uint8>((source * alpha + destination * (255 - alpha) + 127) / 255);
}

} // namespace

CellDrawer::CellDrawer(const sf::Font& font) : font(font)
{
}

void CellDrawer::draw(const ScreenBuffer& buffer, sf::Texture& target)
{
    if (alreadyShows(buffer, target))
        return;
    lastTarget = &target;
    lastCells = buffer.getCells();

    const int textureWidth = buffer.getSize().width * CellWidth;
    pixels.assign(static_cast<size_t>(textureWidth) * ScreenTextureHeight * BytesPerPixel, 0);
    learnNewGlyphs(buffer);
    paintBackgrounds(buffer, textureWidth);
    // After every background, so that no background covers a glyph overhanging its cell.
    paintGlyphs(buffer, textureWidth);
    target.update(pixels.data(), textureWidth, ScreenTextureHeight, 0, 0);
}

bool CellDrawer::alreadyShows(const ScreenBuffer& buffer, const sf::Texture& target) const
{
    static_assert(sizeof(Cell) == 4, "cells compare as plain bytes");
    const std::vector<Cell>& cells = buffer.getCells();
    return &target == lastTarget && cells.size() == lastCells.size() &&
           std::memcmp(cells.data(), lastCells.data(), cells.size() * sizeof(Cell)) == 0;
}

// Has the font render the glyphs it has not rendered yet, then copies their coverage out of the
// font's texture, which is read back once for all of them.
void CellDrawer::learnNewGlyphs(const ScreenBuffer& buffer)
{
    std::vector<std::pair<uint16_t, sf::Glyph>> learned;
    for (const Cell& cell : buffer.getCells()) {
        if (!glyphColor(cell) || glyphs.count(cell.character))
            continue;
        learned.emplace_back(cell.character, font.getGlyph(cell.character, GlyphSize, BoldGlyphs));
        glyphs[cell.character];
    }
    if (learned.empty())
        return;
    const sf::Image page = font.getTexture(GlyphSize).copyToImage();
    for (const auto& [character, glyph] : learned) {
        GlyphMask& mask = glyphs[character];
        const sf::IntRect& rect = glyph.textureRect;
        // The text's baseline lies one character size below its top.
        mask.left = static_cast<int>(glyph.bounds.left);
        mask.top = static_cast<int>(GlyphSize + glyph.bounds.top);
        mask.width = rect.width;
        mask.height = rect.height;
        mask.coverage.resize(static_cast<size_t>(rect.width) * rect.height);
        for (int y = 0; y < rect.height; ++y)
            for (int x = 0; x < rect.width; ++x)
                mask.coverage[x + y * rect.width] = page.getPixel(rect.left + x, rect.top + y).a;
    }
}

void CellDrawer::paintBackgrounds(const ScreenBuffer& buffer, int textureWidth)
{
    const GridSize size = buffer.getSize();
    for (int row = 0; row < size.height; ++row) {
        for (int column = 0; column < size.width; ++column) {
            const Cell& cell = buffer.cellAt(column, row);
            const sf::Color* color = cell.background == Clear ? nullptr : paletteColor(cell.background);
            if (!color)
                continue;
            const sf::Uint8 rgba[BytesPerPixel] = {color->r, color->g, color->b, color->a};
            const int top = row * CellHeight + CellsTop;
            for (int y = top; y < top + CellHeight; ++y) {
                sf::Uint8* pixel = &pixels[(column * CellWidth + y * textureWidth) * BytesPerPixel];
                for (int x = 0; x < CellWidth; ++x, pixel += BytesPerPixel)
                    std::memcpy(pixel, rgba, BytesPerPixel);
            }
        }
    }
}

void CellDrawer::paintGlyphs(const ScreenBuffer& buffer, int textureWidth)
{
    const GridSize size = buffer.getSize();
    for (int row = 0; row < size.height; ++row) {
        for (int column = 0; column < size.width; ++column) {
            const Cell& cell = buffer.cellAt(column, row);
            if (const sf::Color* color = glyphColor(cell))
                blendGlyph(glyphs[cell.character], column * CellWidth,
                           row * CellHeight + CellsTop - TextAboveCell, *color, textureWidth);
        }
    }
}

// Blends the glyph of a text whose top-left corner is at (x, y), cut to the texture.
void CellDrawer::blendGlyph(const GlyphMask& mask, int x, int y, sf::Color color, int textureWidth)
{
    const int left = x + mask.left, top = y + mask.top;
    const int firstColumn = std::max(0, -left), lastColumn = std::min(mask.width, textureWidth - left);
    const int firstRow = std::max(0, -top);
    const int lastRow = std::min(mask.height, static_cast<int>(ScreenTextureHeight) - top);
    for (int row = firstRow; row < lastRow; ++row) {
        const uint8_t* coverage = &mask.coverage[row * mask.width];
        sf::Uint8* pixel = &pixels[((top + row) * textureWidth + left) * BytesPerPixel];
        for (int column = firstColumn; column < lastColumn; ++column) {
            const int alpha = coverage[column] * color.a / 255;
            if (alpha == 0)
                continue;
            sf::Uint8* p = pixel + column * BytesPerPixel;
            p[0] = mix(color.r, p[0], alpha);
            p[1] = mix(color.g, p[1], alpha);
            p[2] = mix(color.b, p[2], alpha);
            p[3] = static_cast<sf::Uint8>(alpha + (p[3] * (255 - alpha) + 127) / 255);
        }
    }
}

} // namespace qel
