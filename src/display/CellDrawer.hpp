#pragma once

#include "display/Palette.hpp"
#include "display/ScreenBuffer.hpp"
#include "display/ScreenGeometry.hpp"

#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/Texture.hpp>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace sf {
class Image;
}

namespace qel {

// Draws a screen buffer's cells into a screen texture: backgrounds first, then glyphs, each placed
// and coloured as a rectangle and a one-letter text per cell would be. The picture is composed in
// memory from the font's glyphs, which costs far less than drawing thousands of small shapes, and
// kept: a later draw composes and uploads again only the cells that changed, with the neighbours
// their glyphs overhang (and, to spare uploads, the unchanged cells of short gaps between them).
class CellDrawer {
public:
    explicit CellDrawer(const sf::Font& font);
    virtual ~CellDrawer() = default;

    // target is as wide as the buffer's columns of cells and ScreenTextureHeight high. Returns
    // whether the texture changed: false when it already showed these cells.
    virtual bool draw(const ScreenBuffer& buffer, sf::Texture& target);

protected:
    const sf::Font& font;

private:
    // The columns of a glyph's pixel row from the first it covers to past the last.
    struct Span {
        int begin = 0, end = 0;
    };
    // A glyph's coverage, and where it lies relative to the top-left corner of its text.
    struct GlyphMask {
        int left = 0, top = 0, width = 0, height = 0;
        std::vector<uint8_t> coverage;
        std::vector<Span> spans;
    };
    // Texture pixels from left and top up to, not including, right and bottom.
    struct Area {
        int left = 0, top = 0, right = 0, bottom = 0;
    };
    // Cells of a row from the first column to the last.
    struct Run {
        int first = 0, last = 0;
    };

    bool showsOther(const ScreenBuffer& buffer, const sf::Texture& target) const;
    void drawAll(const ScreenBuffer& buffer, sf::Texture& target);
    void drawChanges(const ScreenBuffer& buffer, sf::Texture& target);
    void composeAll(const ScreenBuffer& buffer, sf::Texture& target);
    std::vector<int> changedCells(const ScreenBuffer& buffer) const;
    std::vector<uint8_t> cellsToCompose(const ScreenBuffer& buffer, const std::vector<int>& changed) const;
    void markAffectedCells(const Cell& cell, int column, int row, std::vector<uint8_t>& dirty) const;
    std::vector<Run> dirtyRuns(const uint8_t* inRow) const;
    static std::vector<Run> joinedForUpload(const std::vector<Run>& runs);
    Area runArea(int row, Run run) const;

    void learnNewGlyphs(const std::vector<Cell>& cells);
    static void copyCoverage(GlyphMask& mask, const sf::Glyph& glyph, const sf::Image& page);
    bool isLearned(uint16_t character) const;
    std::unique_ptr<GlyphMask>& glyphSlot(uint16_t character);
    const GlyphMask* glyphOf(const Cell& cell) const;
    Area cellArea(int column, int row) const;
    Area glyphArea(const GlyphMask& mask, int column, int row) const;
    int rowAt(int y) const;

    void compose(const ScreenBuffer& buffer, Area area);
    void paintBackgrounds(const ScreenBuffer& buffer, Area area);
    void paintGlyphs(const ScreenBuffer& buffer, Area area);
    void blendGlyph(const GlyphMask& mask, int column, int row, const Cell& cell, Area clip);
    using BlendTable = std::array<uint32_t, 256>;
    const BlendTable& blendTable(const Cell& cell);

    // By character: null until learned, then the glyph, whose coverage is empty when it shows none.
    std::vector<std::unique_ptr<GlyphMask>> glyphs;
    // How many cells away from its own the farthest-reaching glyph learned so far reaches.
    int reachColumns = 0, reachRows = 0;
    // For each glyph colour and background, made when first needed.
    std::array<std::unique_ptr<BlendTable>, PaletteSize * PaletteSize> blendTables;

    // The picture the last drawn texture shows, row after row of pixels.
    std::vector<uint32_t> pixels;
    // One pixel row of backgrounds, kept to spare an allocation per composed area.
    std::vector<uint32_t> backgroundLine;
    GridSize grid;
    int textureWidth = 0;
    const sf::Texture* lastTarget = nullptr;
    std::vector<Cell> lastCells;
};

} // namespace qel
