#include "display/CellDrawer.hpp"

#include "ReferenceCellDrawer.hpp"
#include "display/Palette.hpp"

#include <SFML/Graphics/Image.hpp>
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

using namespace qel;

namespace {

// Characters from every kind the screen shows: ASCII, Latin-1, the frame and block characters,
// arrows and shapes, control characters, and some the font has no glyph for.
uint16_t randomCharacter(std::mt19937& random)
{
    static const uint16_t ranges[][2] = {
        {0, 0}, {1, 31}, {32, 126}, {160, 255}, {0x2550, 0x256C}, {0x2580, 0x259F},
        {0x25A0, 0x25FF}, {0x2190, 0x21FF}, {0x0400, 0x04FF}, {0x4E00, 0x4E40},
    };
    const auto& range = ranges[std::uniform_int_distribution<int>(0, std::size(ranges) - 1)(random)];
    return static_cast<uint16_t>(std::uniform_int_distribution<int>(range[0], range[1])(random));
}

// Colour indices mostly from the palette, with 0 and indices that have no entry mixed in.
uint8_t randomColour(std::mt19937& random)
{
    const int pick = std::uniform_int_distribution<int>(0, 24)(random);
    return static_cast<uint8_t>(pick <= 16 ? pick : pick == 17 ? 17 : 200 + pick);
}

void fillRandomly(ScreenBuffer& buffer, std::mt19937& random)
{
    for (Cell& cell : buffer.getCells())
        cell = {randomColour(random), randomColour(random), randomCharacter(random)};
}

sf::Image drawWith(CellDrawer& drawer, const ScreenBuffer& buffer)
{
    sf::Texture texture;
    texture.create(buffer.getSize().width * CellWidth, ScreenTextureHeight);
    drawer.draw(buffer, texture);
    return texture.copyToImage();
}

// A few cells changed at random places, some next to each other, so that changed glyphs overhang
// both changed and unchanged neighbours.
void changeSomeCells(ScreenBuffer& buffer, std::mt19937& random, int count)
{
    std::vector<Cell>& cells = buffer.getCells();
    std::uniform_int_distribution<size_t> place(0, cells.size() - 1);
    for (int changed = 0; changed < count; ++changed) {
        const size_t at = place(random);
        cells[at] = {randomColour(random), randomColour(random), randomCharacter(random)};
        if (at + 1 < cells.size() && changed % 3 == 0)
            cells[at + 1] = {randomColour(random), randomColour(random), randomCharacter(random)};
    }
}

// The largest difference of any channel between the two pictures, and where it lies.
struct Difference {
    int largest = 0;
    unsigned x = 0, y = 0;
};

Difference compare(const sf::Image& a, const sf::Image& b)
{
    Difference difference;
    for (unsigned y = 0; y < a.getSize().y; ++y) {
        for (unsigned x = 0; x < a.getSize().x; ++x) {
            const sf::Color p = a.getPixel(x, y), q = b.getPixel(x, y);
            const int largest = std::max({std::abs(p.r - q.r), std::abs(p.g - q.g),
                                          std::abs(p.b - q.b), std::abs(p.a - q.a)});
            if (largest > difference.largest)
                difference = {largest, x, y};
        }
    }
    return difference;
}

// Whether the texture, drawn into again and again, shows what the reference draws for the
// buffer now.
::testing::AssertionResult showsAsReferenceDraws(const sf::Texture& texture, CellDrawer& reference,
                                                 const ScreenBuffer& buffer)
{
    const Difference difference = compare(texture.copyToImage(), drawWith(reference, buffer));
    if (difference.largest <= 2)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << difference.x << ", " << difference.y << ") differs by "
                                         << difference.largest;
}

} // namespace

TEST(CellDrawer, DrawsRandomScreensAsOneRectangleAndOneTextPerCellWould)
{
    std::mt19937 random(2024);
    for (const int columns : {80, 40}) {
        // A fresh font for each size: its glyphs are first rendered by the composed drawing.
        sf::Font font;
        ASSERT_TRUE(font.loadFromFile("data/fonts/VodareraZorezo.ttf"));
        ScreenBuffer buffer(nullptr, columns, 25);
        CellDrawer composed(font);
        ReferenceCellDrawer reference(font);
        for (int round = 0; round < 3; ++round) {
            fillRandomly(buffer, random);
            const sf::Image fast = drawWith(composed, buffer);
            const sf::Image slow = drawWith(reference, buffer);
            ASSERT_EQ(fast.getSize(), slow.getSize());
            const Difference difference = compare(fast, slow);
            EXPECT_LE(difference.largest, 2) << columns << " columns, round " << round << ": pixel ("
                                             << difference.x << ", " << difference.y << ")";
        }
    }
}

// Later frames compose again only what changed; the picture must be the one a whole redraw gives,
// also where a changed glyph overhangs an unchanged neighbour or the other way round.
TEST(CellDrawer, ScreensChangedInPlacesLookAsIfDrawnWhole)
{
    std::mt19937 random(77);
    sf::Font font;
    ASSERT_TRUE(font.loadFromFile("data/fonts/VodareraZorezo.ttf"));
    ScreenBuffer buffer(nullptr, 80, 25);
    CellDrawer composed(font);
    ReferenceCellDrawer reference(font);
    sf::Texture texture;
    texture.create(80 * CellWidth, ScreenTextureHeight);
    fillRandomly(buffer, random);
    composed.draw(buffer, texture);
    for (const int changes : {1, 5, 40, 200, 1200}) {
        changeSomeCells(buffer, random, changes);
        EXPECT_TRUE(composed.draw(buffer, texture));
        EXPECT_TRUE(showsAsReferenceDraws(texture, reference, buffer)) << changes << " changed cells";
    }
    // Glyphs that reach past their cells, between cells that change and cells that stay.
    for (int row = 0; row < 25; row += 2)
        for (int column = 0; column < 80; ++column)
            buffer.put(column, row, (column + row) % 3 ? 0x2588 : 'g', {static_cast<uint8_t>(1 + column % 16), Blue});
    composed.draw(buffer, texture);
    for (int column = 0; column < 80; column += 7)
        buffer.put(column, 1 + column % 23, 0x2593, {Yellow, Clear});
    composed.draw(buffer, texture);
    EXPECT_TRUE(showsAsReferenceDraws(texture, reference, buffer)) << "overhanging glyphs";
    buffer.clear(0);
    composed.draw(buffer, texture);
    EXPECT_TRUE(showsAsReferenceDraws(texture, reference, buffer)) << "cleared";
}

TEST(CellDrawer, UploadsOnlyTheCellsThatChanged)
{
    sf::Font font;
    ASSERT_TRUE(font.loadFromFile("data/fonts/VodareraZorezo.ttf"));
    ScreenBuffer buffer(nullptr, 80, 25);
    sf::Texture texture;
    texture.create(80 * CellWidth, ScreenTextureHeight);
    CellDrawer drawer(font);
    buffer.fillRect(0, 0, 80, 25, Red);
    const auto cellCentre = [](int column, int row) {
        return sf::Vector2u(column * CellWidth + CellWidth / 2, CellsTop + row * CellHeight + CellHeight / 2);
    };
    EXPECT_TRUE(drawer.draw(buffer, texture));

    // Paint over the texture behind the drawer's back: an unchanged screen leaves it alone, and a
    // change goes up alone.
    sf::Image green;
    green.create(80 * CellWidth, ScreenTextureHeight, sf::Color::Green);
    texture.update(green);
    EXPECT_FALSE(drawer.draw(buffer, texture));
    EXPECT_EQ(texture.copyToImage().getPixel(cellCentre(0, 0).x, cellCentre(0, 0).y), sf::Color::Green);

    buffer.fillRect(5, 5, 2, 1, Blue);
    EXPECT_TRUE(drawer.draw(buffer, texture));
    const sf::Image shown = texture.copyToImage();
    for (const int column : {5, 6})
        EXPECT_EQ(shown.getPixel(cellCentre(column, 5).x, cellCentre(column, 5).y), palette()[Blue]) << column;
    for (const auto& [column, row] : {std::pair{4, 5}, {7, 5}, {5, 4}, {5, 6}, {0, 0}})
        EXPECT_EQ(shown.getPixel(cellCentre(column, row).x, cellCentre(column, row).y), sf::Color::Green)
            << column << ", " << row;

    sf::Texture other;
    other.create(80 * CellWidth, ScreenTextureHeight);
    EXPECT_TRUE(drawer.draw(buffer, other));
    EXPECT_EQ(other.copyToImage().getPixel(cellCentre(0, 0).x, cellCentre(0, 0).y), palette()[Red])
        << "another texture is drawn whole even with the same cells";
}
