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

TEST(CellDrawer, RedrawsOnlyWhenTheCellsChange)
{
    sf::Font font;
    ASSERT_TRUE(font.loadFromFile("data/fonts/VodareraZorezo.ttf"));
    ScreenBuffer buffer(nullptr, 80, 25);
    sf::Texture texture;
    texture.create(80 * CellWidth, ScreenTextureHeight);
    CellDrawer drawer(font);
    buffer.fillRect(0, 0, 1, 1, Red);
    const unsigned firstCellX = CellWidth / 2, firstCellY = CellsTop + CellHeight / 2;
    drawer.draw(buffer, texture);

    // Paint over the texture behind the drawer's back: an unchanged screen leaves it alone.
    sf::Image green;
    green.create(80 * CellWidth, ScreenTextureHeight, sf::Color::Green);
    texture.update(green);
    drawer.draw(buffer, texture);
    EXPECT_EQ(texture.copyToImage().getPixel(firstCellX, firstCellY), sf::Color::Green);

    buffer.put(5, 5, 'x', {White, 0});
    drawer.draw(buffer, texture);
    EXPECT_EQ(texture.copyToImage().getPixel(firstCellX, firstCellY), palette()[Red]);

    sf::Texture other;
    other.create(80 * CellWidth, ScreenTextureHeight);
    drawer.draw(buffer, other);
    EXPECT_EQ(other.copyToImage().getPixel(firstCellX, firstCellY), palette()[Red])
        << "another texture is drawn even with the same cells";
}
