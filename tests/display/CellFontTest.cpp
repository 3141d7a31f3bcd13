#include "display/CellDrawer.hpp"

#include "display/Palette.hpp"

#include <SFML/Graphics/Image.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

using namespace qel;

namespace {

const ColorPair whiteOnBlue{White, Blue};

// Where the pixels of a cell lie in the screen texture.
int cellLeft(int column)
{
    return column * CellWidth;
}

int cellTop(int row)
{
    return row * CellHeight + CellsTop;
}

// Screens drawn with the game font, and what their pixels show.
class CellFont : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(font.loadFromFile("data/fonts/VodareraZorezo.ttf"));
        buffer.clear(Blue);
    }

    void draw()
    {
        sf::Texture texture;
        texture.create(80 * CellWidth, ScreenTextureHeight);
        CellDrawer(font).draw(buffer, texture);
        image = texture.copyToImage();
    }

    bool isInk(int x, int y) const { return image.getPixel(x, y) == palette()[White]; }

    bool isBackground(int x, int y) const { return image.getPixel(x, y) == palette()[Blue]; }

    // The rows of a cell row in which pixel column x shows ink.
    std::vector<int> inkRows(int x, int row) const
    {
        std::vector<int> rows;
        for (int y = 0; y < CellHeight; ++y)
            if (isInk(x, cellTop(row) + y))
                rows.push_back(y);
        return rows;
    }

    // The columns of a cell column in which pixel row y shows ink.
    std::vector<int> inkColumns(int y, int column) const
    {
        std::vector<int> columns;
        for (int x = 0; x < CellWidth; ++x)
            if (isInk(cellLeft(column) + x, y))
                columns.push_back(x);
        return columns;
    }

    // A horizontal line from cell `first` to cell `last` of a row runs on unbroken and straight
    // when on both sides of every cell boundary along it the pixel columns show the same ink as
    // the middle of the second cell. Gives the pixel columns that differ.
    std::vector<int> breaksInHorizontalLine(int row, int first, int last, size_t strokes) const
    {
        const std::vector<int> line = inkRows(cellLeft(first + 1) + CellWidth / 2, row);
        EXPECT_EQ(strokeCount(line), strokes) << "row " << row;
        std::vector<int> breaks;
        for (int column = first + 1; column <= last; ++column)
            for (int x : {cellLeft(column) - 1, cellLeft(column)})
                if (inkRows(x, row) != line)
                    breaks.push_back(x);
        return breaks;
    }

    // Gives the pixel rows that differ.
    std::vector<int> breaksInVerticalLine(int column, int first, int last, size_t strokes) const
    {
        const std::vector<int> line = inkColumns(cellTop(first + 1) + CellHeight / 2, column);
        EXPECT_EQ(strokeCount(line), strokes) << "column " << column;
        std::vector<int> breaks;
        for (int row = first + 1; row <= last; ++row)
            for (int y : {cellTop(row) - 1, cellTop(row)})
                if (inkColumns(y, column) != line)
                    breaks.push_back(y);
        return breaks;
    }

    // How many separate runs the positions form.
    static size_t strokeCount(const std::vector<int>& positions)
    {
        size_t runs = 0;
        for (size_t i = 0; i < positions.size(); ++i)
            if (i == 0 || positions[i] != positions[i - 1] + 1)
                ++runs;
        return runs;
    }

    // The share of pixels with ink in the square of side 4 whose top-left pixel is (x, y).
    double inkShare(int x, int y) const
    {
        int ink = 0;
        for (int dy = 0; dy < 4; ++dy)
            for (int dx = 0; dx < 4; ++dx)
                ink += isInk(x + dx, y + dy);
        return ink / 16.0;
    }

    sf::Font font;
    ScreenBuffer buffer{nullptr, 80, 25};
    sf::Image image;
};

} // namespace

TEST_F(CellFont, FramesJoinTheirNeighboursWithoutGaps)
{
    buffer.drawBorder(2, 3, 10, 6, whiteOnBlue, 0);
    // Light and heavy lines with tees and crosses.
    buffer.print(2, 12, u"├──┼──┤", whiteOnBlue, 0, 0);
    buffer.print(2, 14, u"┣━━╋━━┫", whiteOnBlue, 0, 0);
    buffer.print(20, 2, u"┬│┼│┴", whiteOnBlue, Vertical, 0);
    draw();

    {
        SCOPED_TRACE("double frame");
        const std::vector<int> none;
        EXPECT_EQ(breaksInHorizontalLine(3, 2, 11, 2), none) << "top";
        EXPECT_EQ(breaksInHorizontalLine(8, 2, 11, 2), none) << "bottom";
        EXPECT_EQ(breaksInVerticalLine(2, 3, 8, 2), none) << "left";
        EXPECT_EQ(breaksInVerticalLine(11, 3, 8, 2), none) << "right";
        // Pixels in between ink and background would be smeared edges.
        int smeared = 0;
        for (int x = cellLeft(2); x < cellLeft(12); ++x)
            for (int y = cellTop(3); y < cellTop(9); ++y)
                smeared += !isInk(x, y) && !isBackground(x, y);
        EXPECT_EQ(smeared, 0);
    }
    {
        SCOPED_TRACE("light and heavy lines");
        const std::vector<int> none;
        EXPECT_EQ(breaksInHorizontalLine(12, 2, 8, 1), none) << "light";
        EXPECT_EQ(breaksInHorizontalLine(14, 2, 8, 1), none) << "heavy";
        EXPECT_EQ(breaksInVerticalLine(20, 2, 6, 1), none) << "light vertical";
        EXPECT_GT(inkRows(cellLeft(3), 14).size(), inkRows(cellLeft(3), 12).size());
    }
}

TEST_F(CellFont, BlocksAndShadesFillTheirCells)
{
    buffer.put(1, 1, 0x2588, whiteOnBlue);
    const std::pair<uint16_t, double> shades[] = {{0x2591, 0.25}, {0x2592, 0.5}, {0x2593, 0.75}};
    int column = 4;
    for (const auto& [shade, share] : shades) {
        for (int row = 1; row <= 2; ++row)
            buffer.print(column, row, WideString(2, shade), whiteOnBlue, 0, 0);
        column += 3;
    }
    draw();

    int uncovered = 0;
    for (int y = cellTop(1); y < cellTop(2); ++y)
        for (int x = cellLeft(1); x < cellLeft(2); ++x)
            uncovered += !isInk(x, y);
    EXPECT_EQ(uncovered, 0) << "pixels of the full block's cell";

    // Every small square of a block of 2 x 2 shaded cells, also those across the cells' edges,
    // holds the shade's share of ink to a pixel.
    column = 4;
    for (const auto& [shade, share] : shades) {
        double worst = share;
        for (int y = cellTop(1); y + 4 <= cellTop(3); ++y)
            for (int x = cellLeft(column); x + 4 <= cellLeft(column + 2); ++x)
                if (std::abs(inkShare(x, y) - share) > std::abs(worst - share))
                    worst = inkShare(x, y);
        EXPECT_NEAR(worst, share, 1 / 16.0) << std::hex << "U+" << shade;
        column += 3;
    }
}

TEST_F(CellFont, TextIsCentredInItsCell)
{
    const std::u16string letters = u"HMWO0=#";
    buffer.print(0, 0, letters, whiteOnBlue, 0, 0);
    draw();

    for (size_t i = 0; i < letters.size(); ++i) {
        int leftmost = CellWidth, rightmost = -1;
        for (int y = cellTop(0); y < cellTop(1); ++y) {
            for (int x = 0; x < CellWidth; ++x) {
                if (!isBackground(cellLeft(static_cast<int>(i)) + x, y)) {
                    leftmost = std::min(leftmost, x);
                    rightmost = std::max(rightmost, x);
                }
            }
        }
        const int leftMargin = leftmost, rightMargin = CellWidth - 1 - rightmost;
        EXPECT_LE(std::abs(leftMargin - rightMargin), 1)
            << static_cast<char>(letters[i]) << ": margins " << leftMargin << " and " << rightMargin;
    }
}
