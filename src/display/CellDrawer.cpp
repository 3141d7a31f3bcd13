#include "display/CellDrawer.hpp"

#include "display/Palette.hpp"
#include "display/PictureUpload.hpp"

#include <SFML/Graphics/Image.hpp>

#include <algorithm>
#include <cstring>

namespace qel {

namespace {

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

const sf::Color* backgroundColor(const Cell& cell)
{
    return cell.background == Clear ? nullptr : paletteColor(cell.background);
}

// A pixel as the texture stores it: red, green, blue and alpha bytes in that order.
uint32_t packed(sf::Uint8 r, sf::Uint8 g, sf::Uint8 b, sf::Uint8 a)
{
    const sf::Uint8 rgba[] = {r, g, b, a};
    uint32_t pixel;
    std::memcpy(&pixel, rgba, sizeof pixel);
    return pixel;
}

// The pixel a cell's background paints; transparent where it paints none.
uint32_t backgroundPixel(const Cell& cell)
{
    const sf::Color* color = backgroundColor(cell);
    return color ? packed(color->r, color->g, color->b, color->a) : 0;
}

bool sameCell(const Cell& a, const Cell& b)
{
    static_assert(sizeof(Cell) == 4, "cells compare as plain bytes");
    return std::memcmp(&a, &b, sizeof(Cell)) == 0;
}

// A pixel's four channels spread over the 16-bit lanes of a 64-bit number, so that one
// multiplication scales all four at once.
constexpr uint64_t LowBytes = 0x00FF00FF00FF00FFull;
uint64_t spread(uint32_t pixel)
{
    const uint64_t lanes = pixel;
    return (lanes | lanes << 24) & LowBytes;
}

uint32_t gather(uint64_t lanes)
{
    return static_cast<uint32_t>(lanes | lanes >> 24);
}

// Source-over blending of every channel, as the graphics card blends a glyph onto the screen:
// (source * alpha + destination * (255 - alpha)) / 255, rounded. The source's alpha channel is
// 255, which gives the destination's alpha the same rule. Dividing by 255 as (v + v / 256) / 256
// after adding 128 rounds exactly as the division does for every sum the lanes can hold.
uint32_t blend(uint64_t spreadSource, uint32_t destination, int alpha)
{
    constexpr uint64_t Half = 0x0080008000800080ull;
    const uint64_t sum = spreadSource * alpha + spread(destination) * (255 - alpha) + Half;
    return gather(((sum + ((sum >> 8) & LowBytes)) >> 8) & LowBytes);
}

// How many whole cells of the given size an overhang of that many pixels reaches into.
int cellsReached(int overhang, int cellSize)
{
    return overhang > 0 ? (overhang + cellSize - 1) / cellSize : 0;
}

} // namespace

CellDrawer::CellDrawer(const sf::Font& font) : font(font)
{
}

// The texture the drawer drew last is taken to still show what it drew there.
bool CellDrawer::draw(const ScreenBuffer& buffer, sf::Texture& target)
{
    if (showsOther(buffer, target))
        drawAll(buffer, target);
    else if (std::memcmp(buffer.getCells().data(), lastCells.data(), lastCells.size() * sizeof(Cell)))
        drawChanges(buffer, target);
    else
        return false;
    lastCells = buffer.getCells();
    return true;
}

bool CellDrawer::showsOther(const ScreenBuffer& buffer, const sf::Texture& target) const
{
    const GridSize size = buffer.getSize();
    return &target != lastTarget || size.width != grid.width || size.height != grid.height;
}

void CellDrawer::drawAll(const ScreenBuffer& buffer, sf::Texture& target)
{
    lastTarget = &target;
    grid = buffer.getSize();
    textureWidth = grid.width * CellWidth;
    pixels.resize(static_cast<size_t>(textureWidth) * ScreenTextureHeight);
    learnNewGlyphs(buffer.getCells());
    composeAll(buffer, target);
}

// Composes row after row of cells, so that the pixels a row's glyphs are blended onto are still
// at hand from painting its backgrounds.
void CellDrawer::composeAll(const ScreenBuffer& buffer, sf::Texture& target)
{
    for (int row = 0; row < grid.height; ++row)
        compose(buffer, runArea(row, {0, grid.width - 1}));
    PictureUpload(target, pixels.data(), textureWidth).copy(0, 0, textureWidth, ScreenTextureHeight);
}

// Composes again every cell that shows something else now: the changed ones and those that
// their old or new glyph overhangs. When most changed, the whole picture is composed.
void CellDrawer::drawChanges(const ScreenBuffer& buffer, sf::Texture& target)
{
    const std::vector<int> changed = changedCells(buffer);
    if (changed.size() * 2 > lastCells.size()) {
        learnNewGlyphs(buffer.getCells());
        composeAll(buffer, target);
        return;
    }
    std::vector<Cell> changedNow;
    for (const int index : changed)
        changedNow.push_back(buffer.getCells()[index]);
    learnNewGlyphs(changedNow);
    const std::vector<uint8_t> dirty = cellsToCompose(buffer, changed);
    PictureUpload upload(target, pixels.data(), textureWidth);
    for (int row = 0; row < grid.height; ++row) {
        const std::vector<Run> runs = dirtyRuns(&dirty[static_cast<size_t>(row) * grid.width]);
        for (const Run& run : runs)
            compose(buffer, runArea(row, run));
        for (const Run& run : joinedForUpload(runs)) {
            const Area area = runArea(row, run);
            upload.copy(area.left, area.top, area.right, area.bottom);
        }
    }
}

// The runs of marked cells in a row of cells.
std::vector<CellDrawer::Run> CellDrawer::dirtyRuns(const uint8_t* inRow) const
{
    std::vector<Run> runs;
    for (int column = 0; column < grid.width; ++column) {
        if (!inRow[column])
            continue;
        if (runs.empty() || runs.back().last != column - 1)
            runs.push_back({column, column});
        else
            runs.back().last = column;
    }
    return runs;
}

// An upload costs about as much as copying six more cells does (1.3 against 0.2 microseconds on a
// software renderer), so runs closer than that go up as one, the unchanged cells between included.
std::vector<CellDrawer::Run> CellDrawer::joinedForUpload(const std::vector<Run>& runs)
{
    constexpr int CellsWorthAnUpload = 6;
    std::vector<Run> joined;
    for (const Run& run : runs) {
        if (!joined.empty() && run.first - joined.back().last - 1 <= CellsWorthAnUpload)
            joined.back().last = run.last;
        else
            joined.push_back(run);
    }
    return joined;
}

// The pixels of a run of cells in a row.
CellDrawer::Area CellDrawer::runArea(int row, Run run) const
{
    const Area first = cellArea(run.first, row), last = cellArea(run.last, row);
    return {first.left, first.top, last.right, last.bottom};
}

std::vector<int> CellDrawer::changedCells(const ScreenBuffer& buffer) const
{
    const std::vector<Cell>& cells = buffer.getCells();
    std::vector<int> changed;
    for (size_t index = 0; index < cells.size(); ++index)
        if (!sameCell(cells[index], lastCells[index]))
            changed.push_back(static_cast<int>(index));
    return changed;
}

// The changed cells, and every cell their old or new glyph reaches into.
std::vector<uint8_t> CellDrawer::cellsToCompose(const ScreenBuffer& buffer, const std::vector<int>& changed) const
{
    std::vector<uint8_t> dirty(lastCells.size());
    for (const int index : changed) {
        const int column = index % grid.width, row = index / grid.width;
        dirty[index] = true;
        markAffectedCells(buffer.getCells()[index], column, row, dirty);
        markAffectedCells(lastCells[index], column, row, dirty);
    }
    return dirty;
}

// Marks the cells that the glyph of a cell at that place covers.
void CellDrawer::markAffectedCells(const Cell& cell, int column, int row, std::vector<uint8_t>& dirty) const
{
    const GlyphMask* mask = glyphOf(cell);
    if (!mask || reachColumns + reachRows == 0)
        return;
    const Area area = glyphArea(*mask, column, row);
    const int firstColumn = std::max(0, area.left / CellWidth);
    const int lastColumn = std::min(grid.width - 1, (area.right - 1) / CellWidth);
    for (int y = rowAt(area.top); y <= rowAt(area.bottom - 1); ++y)
        for (int x = firstColumn; x <= lastColumn; ++x)
            dirty[x + y * grid.width] = true;
}

// Has the font render the glyphs it has not rendered yet, then copies their coverage out of the
// font's texture, which is read back once for all of them.
void CellDrawer::learnNewGlyphs(const std::vector<Cell>& cells)
{
    std::vector<std::pair<uint16_t, sf::Glyph>> learned;
    for (const Cell& cell : cells) {
        if (!glyphColor(cell) || isLearned(cell.character))
            continue;
        learned.emplace_back(cell.character, font.getGlyph(cell.character, GlyphSize, BoldGlyphs));
        glyphSlot(cell.character) = std::make_unique<GlyphMask>();
    }
    if (learned.empty())
        return;
    const sf::Image page = font.getTexture(GlyphSize).copyToImage();
    for (const auto& [character, glyph] : learned) {
        GlyphMask& mask = *glyphSlot(character);
        copyCoverage(mask, glyph, page);
        if (mask.coverage.empty())
            continue;
        const int topInCell = mask.top - TextAboveCell;
        reachColumns = std::max({reachColumns, cellsReached(-mask.left, CellWidth),
                                 cellsReached(mask.left + mask.width - CellWidth, CellWidth)});
        reachRows = std::max({reachRows, cellsReached(-topInCell, CellHeight),
                              cellsReached(topInCell + mask.height - CellHeight, CellHeight)});
    }
}

void CellDrawer::copyCoverage(GlyphMask& mask, const sf::Glyph& glyph, const sf::Image& page)
{
    const sf::IntRect& rect = glyph.textureRect;
    // The text's baseline lies one character size below its top.
    mask.left = static_cast<int>(glyph.bounds.left);
    mask.top = static_cast<int>(GlyphSize + glyph.bounds.top);
    mask.width = rect.width;
    mask.height = rect.height;
    mask.coverage.resize(static_cast<size_t>(rect.width) * rect.height);
    mask.spans.assign(rect.height, {});
    for (int y = 0; y < rect.height; ++y) {
        Span& span = mask.spans[y];
        for (int x = 0; x < rect.width; ++x) {
            const uint8_t covered = page.getPixel(rect.left + x, rect.top + y).a;
            mask.coverage[x + y * rect.width] = covered;
            if (!covered)
                continue;
            if (span.begin == span.end)
                span.begin = x;
            span.end = x + 1;
        }
    }
}

bool CellDrawer::isLearned(uint16_t character) const
{
    return character < glyphs.size() && glyphs[character];
}

std::unique_ptr<CellDrawer::GlyphMask>& CellDrawer::glyphSlot(uint16_t character)
{
    if (character >= glyphs.size())
        glyphs.resize(character + 1);
    return glyphs[character];
}

// The glyph a cell shows, or null when it shows none.
const CellDrawer::GlyphMask* CellDrawer::glyphOf(const Cell& cell) const
{
    if (!glyphColor(cell) || !isLearned(cell.character))
        return nullptr;
    const GlyphMask* mask = glyphs[cell.character].get();
    return mask->coverage.empty() ? nullptr : mask;
}

// A cell's pixels; those of the first and last rows reach to the texture's edges, over the
// margins that only overhanging glyphs mark.
CellDrawer::Area CellDrawer::cellArea(int column, int row) const
{
    const int top = row == 0 ? 0 : CellsTop + row * CellHeight;
    const int bottom = row == grid.height - 1 ? static_cast<int>(ScreenTextureHeight) : CellsTop + (row + 1) * CellHeight;
    return {column * CellWidth, top, (column + 1) * CellWidth, bottom};
}

// The pixels a glyph drawn for the cell at that place covers, cut to the texture.
CellDrawer::Area CellDrawer::glyphArea(const GlyphMask& mask, int column, int row) const
{
    const int left = column * CellWidth + mask.left;
    const int top = row * CellHeight + CellsTop - TextAboveCell + mask.top;
    return {std::max(0, left), std::max(0, top), std::min(textureWidth, left + mask.width),
            std::min(static_cast<int>(ScreenTextureHeight), top + mask.height)};
}

// The row of cells whose area holds the pixel row y.
int CellDrawer::rowAt(int y) const
{
    return std::clamp(y < CellsTop ? 0 : (y - CellsTop) / CellHeight, 0, grid.height - 1);
}

// Composes the pixels of the area afresh. Backgrounds go first, then glyphs, so that no
// background covers a glyph overhanging its cell.
void CellDrawer::compose(const ScreenBuffer& buffer, Area area)
{
    paintBackgrounds(buffer, area);
    paintGlyphs(buffer, area);
}

// Gives every pixel of the area, which spans whole cells, its cell's background, or none.
void CellDrawer::paintBackgrounds(const ScreenBuffer& buffer, Area area)
{
    const size_t rowBytes = static_cast<size_t>(area.right - area.left) * sizeof(uint32_t);
    std::vector<uint32_t>& line = backgroundLine;
    line.resize(area.right - area.left);
    int lineRow = -1;
    for (int y = area.top; y < area.bottom; ++y) {
        uint32_t* destination = &pixels[static_cast<size_t>(y) * textureWidth + area.left];
        const int row = (y - CellsTop) / CellHeight;
        if (y < CellsTop || row >= grid.height) {
            std::memset(destination, 0, rowBytes);
            continue;
        }
        // Every pixel row of a row of cells looks the same.
        if (row != lineRow) {
            for (int x = area.left; x < area.right; x += CellWidth)
                std::fill_n(&line[x - area.left], CellWidth, backgroundPixel(buffer.cellAt(x / CellWidth, row)));
            lineRow = row;
        }
        std::memcpy(destination, line.data(), rowBytes);
    }
}

// Blends, cut to the area, the glyph of every cell that may reach into it, row after row as the
// whole picture blends them.
void CellDrawer::paintGlyphs(const ScreenBuffer& buffer, Area area)
{
    const int firstRow = std::max(0, rowAt(area.top) - reachRows);
    const int lastRow = std::min(grid.height - 1, rowAt(area.bottom - 1) + reachRows);
    const int firstColumn = std::max(0, area.left / CellWidth - reachColumns);
    const int lastColumn = std::min(grid.width - 1, (area.right - 1) / CellWidth + reachColumns);
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const Cell& cell = buffer.cellAt(column, row);
            if (const GlyphMask* mask = glyphOf(cell))
                blendGlyph(*mask, column, row, cell, area);
        }
    }
}

// What a glyph's pixel of each coverage becomes over the plain background of the given cell,
// which most of a glyph's pixels lie on.
const CellDrawer::BlendTable& CellDrawer::blendTable(const Cell& cell)
{
    const int background = backgroundColor(cell) ? cell.background : 0;
    std::unique_ptr<BlendTable>& table = blendTables[cell.foreground * PaletteSize + background];
    if (table)
        return *table;
    table = std::make_unique<BlendTable>();
    const sf::Color& color = *glyphColor(cell);
    const uint64_t source = spread(packed(color.r, color.g, color.b, 255));
    const uint32_t destination = backgroundPixel(cell);
    for (int coverage = 0; coverage < 256; ++coverage)
        (*table)[coverage] = blend(source, destination, coverage * color.a / 255);
    return *table;
}

// Blends the glyph that the cell shows at that place, cut to the clip area.
void CellDrawer::blendGlyph(const GlyphMask& mask, int column, int row, const Cell& cell, Area clip)
{
    const Area covered = glyphArea(mask, column, row);
    const int left = std::max(covered.left, clip.left), right = std::min(covered.right, clip.right);
    const int top = std::max(covered.top, clip.top), bottom = std::min(covered.bottom, clip.bottom);
    if (left >= right || top >= bottom)
        return;
    const int maskLeft = column * CellWidth + mask.left;
    const int maskTop = row * CellHeight + CellsTop - TextAboveCell + mask.top;
    const sf::Color& color = *glyphColor(cell);
    const uint64_t source = spread(packed(color.r, color.g, color.b, 255));
    const BlendTable& overBackground = blendTable(cell);
    const uint32_t background = backgroundPixel(cell);
    for (int y = top; y < bottom; ++y) {
        const uint8_t* coverage = &mask.coverage[static_cast<size_t>(y - maskTop) * mask.width];
        uint32_t* line = &pixels[static_cast<size_t>(y) * textureWidth];
        // Pixels the glyph leaves uncovered blend to what they were.
        const Span& span = mask.spans[y - maskTop];
        const int from = std::max(left, maskLeft + span.begin), to = std::min(right, maskLeft + span.end);
        for (int x = from; x < to; ++x) {
            const int covered = coverage[x - maskLeft];
            line[x] = line[x] == background ? overBackground[covered]
                                            : blend(source, line[x], covered * color.a / 255);
        }
    }
}

} // namespace qel
