#include "display/ScreenBuffer.hpp"

#include "support/ScreenText.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace qel {
namespace {

using test::Lines;
using test::backgroundText;
using test::screenText;

// Every cell holds a letter, a foreground 1 and a background of its own, so that any write
// and every kept background shows.
void fillWithPattern(ScreenBuffer& buffer)
{
    const GridSize size = buffer.getSize();
    for (int index = 0; index < size.width * size.height; ++index)
        buffer.put(index, 0, static_cast<uint16_t>(u'a' + index % 26),
                   ColorPair{1, static_cast<uint8_t>(1 + index % 16)});
}

bool sameCells(const ScreenBuffer& a, const ScreenBuffer& b)
{
    return std::equal(a.getCells().begin(), a.getCells().end(), b.getCells().begin(),
                      b.getCells().end(), [](const Cell& x, const Cell& y) {
                          return x.background == y.background && x.foreground == y.foreground
                                 && x.character == y.character;
                      });
}

// The straightforward loops: one put per cell of the rectangle.
void referenceFillRect(ScreenBuffer& buffer, int x, int y, int w, int h, uint8_t background)
{
    for (int row = y; row < y + h; ++row)
        for (int column = x; column < x + w; ++column)
            buffer.put(column, row, 0, ColorPair{0, background});
}

void referenceDrawBorder(ScreenBuffer& buffer, int x, int y, int w, int h, ColorPair colour,
                         uint32_t flags)
{
    if (flags & Shadow)
        referenceFillRect(buffer, x + 1, y + 1, w, h, Black);
    for (int column = x; column < x + w; ++column) {
        buffer.put(column, y, 0x2550, colour);
        if (h > 1)
            buffer.put(column, y + h - 1, 0x2550, colour);
    }
    for (int row = y; row < y + h; ++row) {
        buffer.put(x, row, 0x2551, colour);
        if (w > 1)
            buffer.put(x + w - 1, row, 0x2551, colour);
    }
    if (w > 1 && h > 1) {
        buffer.put(x, y, 0x2554, colour);
        buffer.put(x + w - 1, y, 0x2557, colour);
        buffer.put(x, y + h - 1, 0x255A, colour);
        buffer.put(x + w - 1, y + h - 1, 0x255D, colour);
    }
    if (flags & Fill)
        referenceFillRect(buffer, x + 1, y + 1, w - 2, h - 2, colour.background);
}

const ColorPair white{White, Clear};

TEST(ColorPairTest, PacksForegroundInLowByte)
{
    const ColorPair pair = ColorPair::fromPacked(0x1005);
    EXPECT_EQ(pair.foreground, 5);
    EXPECT_EQ(pair.background, 16);
    EXPECT_EQ((ColorPair{Yellow, Blue}.packed()), 0x050A);
}

TEST(ScreenBufferTest, PutWrapsThroughTheLinearIndex)
{
    ScreenBuffer buffer(nullptr, 80, 25);
    buffer.put(80, 0, 'a', white);
    EXPECT_EQ(buffer.cellAt(0, 1).character, 'a') << "past the right edge: next row";
    buffer.put(-1, 2, 'b', white);
    EXPECT_EQ(buffer.cellAt(79, 1).character, 'b') << "negative column: row above";
    buffer.put(79, 24, 'c', white);
    EXPECT_EQ(buffer.cellAt(79, 24).character, 'c');

    const std::pair<int, int> outside[] = {{-1, 0},           {80, 24},           {0, 25},
                                           {0, -1},           {INT_MAX, INT_MAX}, {INT_MIN, INT_MIN},
                                           {INT_MAX, INT_MIN}, {INT_MIN, INT_MAX}};
    ScreenBuffer untouched(nullptr, 80, 25);
    for (auto [column, row] : outside)
        untouched.put(column, row, 'x', white);
    EXPECT_TRUE(sameCells(untouched, ScreenBuffer(nullptr, 80, 25)));

    // 26843546 * 80 exceeds INT_MAX; the true index, 32, is inside the grid.
    buffer.put(INT_MIN, 26843546, 'd', white);
    EXPECT_EQ(buffer.cellAt(32, 0).character, 'd');
}

TEST(ScreenBufferTest, PutAndClearFollowTheBackgroundRules)
{
    ScreenBuffer buffer(nullptr, 4, 1);
    buffer.clear(5);
    buffer.put(0, 0, 'a', ColorPair{Red, Clear});
    buffer.put(1, 0, 'b', ColorPair{Red, Clear2});
    buffer.put(2, 0, 'c', ColorPair{Red, Black});
    buffer.put(3, 0, 0, ColorPair{Clear, Clear});
    EXPECT_EQ(backgroundText(buffer), Lines{"50g5"});
    EXPECT_EQ(screenText(buffer), Lines{"abc."});
    EXPECT_EQ(buffer.cellAt(2, 0).foreground, Red);
    EXPECT_EQ(buffer.cellAt(3, 0).foreground, Clear);

    buffer.clear(Clear2);
    EXPECT_EQ(backgroundText(buffer), Lines{"hhhh"}) << "clear stores 17 unchanged";
    EXPECT_EQ(buffer.cellAt(0, 0).foreground, 0);
    EXPECT_EQ(screenText(buffer), Lines{"abc."}) << "clear keeps the characters";
}

TEST(ScreenBufferTest, WordModeReplacesSpacesAndWraps)
{
    ScreenBuffer buffer(nullptr, 8, 4);
    EXPECT_EQ(buffer.print(0, 0, u"a   b", ColorPair{White, Green}, 0, 0), 1);
    EXPECT_EQ(buffer.print(0, 1, u"  ab", white, 0, 0), 1);
    EXPECT_EQ(buffer.print(0, 2, u"ab\ncd", white, 0, 0), 2);
    EXPECT_EQ(screenText(buffer), (Lines{"a  b ...", " ab ....", "ab......", "cd......"}));
    EXPECT_EQ(backgroundText(buffer)[0], "33333000") << "spaces are written with the colour";

    ScreenBuffer wrapped(nullptr, 8, 5);
    EXPECT_EQ(wrapped.print(0, 0, u"abcdef", white, Wrap, 3), 2);
    EXPECT_EQ(wrapped.print(0, 2, u"hi you", white, Wrap, 3), 2);
    EXPECT_EQ(wrapped.print(0, 4, u"hi you", white, Wrap, 0), 1) << "width 0: no wrapping";
    EXPECT_EQ(screenText(wrapped), (Lines{"........", "abcdef..", "hi .....", "you.....",
                                          "hi you.."}));
    EXPECT_EQ(wrapped.print(0, 0, u"hi you", white, 0, 3), 1) << "no Wrap flag: no wrapping";
    EXPECT_EQ(wrapped.print(0, 0, u"hi you", white, Wrap, 0xFFFFFFFF), 1);

    ScreenBuffer edge(nullptr, 4, 2);
    edge.print(2, 0, u"abcd", white, 0, 0);
    EXPECT_EQ(screenText(edge), (Lines{"..ab", "cd.."})) << "text runs on into the next row";
}

TEST(ScreenBufferTest, VerticalAndAsIsModesSkipSpaces)
{
    ScreenBuffer buffer(nullptr, 4, 3);
    fillWithPattern(buffer);
    EXPECT_EQ(buffer.print(0, 0, u"A B\nC", white, Vertical | AsIs, 0), 5);
    EXPECT_EQ(screenText(buffer), (Lines{"Abcd", "efgh", "Bjkl"}))
        << "a space leaves its cell; the last row stops the text";
    EXPECT_EQ(buffer.print(1, 1, u"\n", white, Vertical, 0), 1);
    EXPECT_EQ(buffer.cellAt(1, 1).character, u'\n') << "line feeds are written as they are";
    ScreenBuffer untouched(nullptr, 4, 3);
    untouched.print(0, -1, u"AB", white, Vertical, 0);
    EXPECT_TRUE(sameCells(untouched, ScreenBuffer(nullptr, 4, 3)))
        << "a negative row writes nothing";

    ScreenBuffer asIs(nullptr, 4, 4);
    fillWithPattern(asIs);
    EXPECT_EQ(asIs.print(0, 0, u"A B\r\nC", white, AsIs | Wrap, 1), 1);
    EXPECT_EQ(screenText(asIs), (Lines{"AbBd", "efgh", "Cjkl", "mnop"}))
        << "CR LF advances two lines";
}

TEST(ScreenBufferTest, OriginMovesOnlyPrint)
{
    ScreenBuffer buffer(nullptr, 5, 4);
    buffer.setOrigin(2, 1);
    buffer.print(0, 0, u"ab", white, 0, 0);
    buffer.put(0, 0, 'p', white);
    buffer.fillRect(0, 3, 1, 1, Red);
    buffer.drawBorder(4, 3, 1, 1, white, 0);
    EXPECT_EQ(screenText(buffer), (Lines{"p....", "..ab.", ".....", "....║"}));
    EXPECT_EQ(backgroundText(buffer)[3], "10000");

    // INT_MAX + INT_MAX overflows 32 bits; the true position is column 14 of row 0.
    ScreenBuffer wide(nullptr, 80, 25);
    wide.setOrigin(INT_MAX, 0);
    wide.print(INT_MAX, -53687091, u"x", white, 0, 0);
    EXPECT_EQ(wide.cellAt(14, 0).character, 'x');
    wide.setOrigin(INT_MAX, INT_MAX);
    wide.print(INT_MAX, INT_MAX, u"a b\nc", white, AsIs, 0);
    wide.print(INT_MAX, INT_MAX, u"a b", white, Vertical, 0);
    wide.setOrigin(INT_MIN, INT_MIN);
    wide.print(INT_MIN, INT_MIN, u"a b\nc", white, Wrap, 1);
    ScreenBuffer onlyX(nullptr, 80, 25);
    onlyX.put(14, 0, 'x', white);
    EXPECT_TRUE(sameCells(wide, onlyX)) << "positions far outside the grid write nothing";
}

TEST(ScreenBufferTest, MeasureTextCountsWordModeLines)
{
    EXPECT_EQ(ScreenBuffer::measureText(u"hi", 0), 2) << "width 0 still wraps";
    EXPECT_EQ(ScreenBuffer::measureText(u"", 10), 1);
    EXPECT_EQ(ScreenBuffer::measureText(u"hello world", 5), 2);
    EXPECT_EQ(ScreenBuffer::measureText(u"hello world", 11), 1);
    EXPECT_EQ(ScreenBuffer::measureText(u"a\r\nb", 10), 3);
}

TEST(ScreenBufferTest, FillRectErasesAndFollowsTheBackgroundRules)
{
    ScreenBuffer buffer(nullptr, 5, 3);
    fillWithPattern(buffer);
    buffer.fillRow(2, Green);
    buffer.fillRect(1, 0, 2, 2, Clear);
    buffer.fillRect(4, 1, 2, 1, Clear2);
    buffer.clearRect(0, 2, 5, -1, Red);
    EXPECT_EQ(screenText(buffer), (Lines{"a..de", "f..i.", "....."}));
    EXPECT_EQ(backgroundText(buffer), (Lines{"12345", "67890", "03333"}));
    EXPECT_EQ(buffer.cellAt(1, 0).foreground, 0);
}

TEST(ScreenBufferTest, DrawBorderSteps)
{
    ScreenBuffer buffer(nullptr, 9, 4);
    buffer.drawBorder(0, 0, 1, 1, white, 0);
    buffer.drawBorder(2, 0, 5, 1, white, Merge);
    buffer.drawBorder(7, 0, 2, 2, white, 0);
    EXPECT_EQ(screenText(buffer), (Lines{"║.║═══║╔╗", ".......╚╝", ".........", "........."}));

    ScreenBuffer shadowed(nullptr, 6, 5);
    fillWithPattern(shadowed);
    shadowed.drawBorder(0, 0, 4, 3, ColorPair{White, Clear}, Shadow);
    EXPECT_EQ(screenText(shadowed), (Lines{"╔══╗ef", "║..║.l", "╚══╝.r", "s....x", "yzabcd"}));
    EXPECT_EQ(backgroundText(shadowed),
              (Lines{"123456", "7ggggc", "dgggg2", "3gggg8", "9abcde"}));

    ScreenBuffer filled(nullptr, 6, 5);
    filled.drawBorder(0, 0, 4, 4, ColorPair{White, Blue}, Fill | Shadow);
    EXPECT_EQ(backgroundText(filled),
              (Lines{"555500", "5555g0", "5555g0", "5555g0", "0gggg0"}));
}

TEST(ScreenBufferTest, RectanglesMatchPutLoops)
{
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> coordinate(-20, 20);
    std::uniform_int_distribution<int> flagBits(0, 7);
    const uint8_t backgrounds[] = {Clear, Green, Clear2};
    for (int round = 0; round < 4000; ++round) {
        const int x = coordinate(random), y = coordinate(random);
        const int w = coordinate(random), h = coordinate(random);
        const uint8_t background = backgrounds[round % 3];
        SCOPED_TRACE(testing::Message() << "x " << x << " y " << y << " w " << w << " h " << h
                                        << " background " << int(background));
        ScreenBuffer actual(nullptr, 7, 5), expected(nullptr, 7, 5);
        fillWithPattern(actual);
        fillWithPattern(expected);
        if (round % 2 == 0) {
            actual.fillRect(x, y, w, h, background);
            referenceFillRect(expected, x, y, w, h, background);
        } else {
            const ColorPair colour{Yellow, background};
            const uint32_t flags = static_cast<uint32_t>(flagBits(random));
            actual.drawBorder(x, y, w, h, colour, flags);
            referenceDrawBorder(expected, x, y, w, h, colour, flags);
        }
        ASSERT_TRUE(sameCells(actual, expected));
    }
}

TEST(ScreenBufferTest, HugeRectanglesFinishWithTheLoopsResult)
{
    ScreenBuffer buffer(nullptr, 80, 25);
    buffer.fillRect(INT_MIN / 2, INT_MIN / 2, INT_MAX, INT_MAX, Red);
    EXPECT_EQ(backgroundText(buffer), Lines(25, std::string(80, '1')));

    // No row of these meets the grid: each one's linear span ends below 0 or starts past it.
    buffer.fillRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX, Green);
    buffer.fillRect(INT_MAX, INT_MAX, INT_MAX, INT_MAX, Green);
    buffer.fillRect(0, 0, INT_MAX, INT_MIN, Green);
    buffer.clearRect(INT_MIN, 0, INT_MAX, 1, Green);
    EXPECT_EQ(backgroundText(buffer), Lines(25, std::string(80, '1')));

    // A thin rectangle wider than the grid: row -1's span starts at index 0 and covers it all.
    buffer.clearRect(80, -1, INT_MAX, 1, Green);
    EXPECT_EQ(backgroundText(buffer), Lines(25, std::string(80, '3')));
    buffer.drawBorder(INT_MIN, INT_MIN, INT_MAX, INT_MAX, white, Fill | Shadow);
    EXPECT_EQ(backgroundText(buffer), Lines(25, std::string(80, '3')));
    EXPECT_EQ(screenText(buffer), Lines(25, std::string(80, '.')));

    // The top line wraps over the whole grid; the left one lands in the last column.
    buffer.drawBorder(-1, -1, INT_MAX, INT_MAX, ColorPair{White, Blue}, Shadow);
    std::string line;
    for (int column = 0; column < 79; ++column)
        line += "═";
    EXPECT_EQ(screenText(buffer), Lines(25, line + "║"));
    EXPECT_EQ(backgroundText(buffer), Lines(25, std::string(80, '5')));

    buffer.drawBorder(-1, -1, INT_MAX, INT_MAX, ColorPair{White, Red}, Fill);
    EXPECT_EQ(screenText(buffer), Lines(25, std::string(80, '.')));
    EXPECT_EQ(backgroundText(buffer), Lines(25, std::string(80, '1')));
}

TEST(ScreenBufferTest, NegativeSizeHoldsNoCells)
{
    ScreenBuffer buffer(nullptr, -3, 4);
    buffer.put(0, 0, 'a', white);
    buffer.fillRect(0, 0, 5, 5, Red);
    buffer.drawBorder(0, 0, 5, 5, white, Fill | Shadow);
    buffer.print(0, 0, u"a b", white, Vertical, 0);
    EXPECT_TRUE(buffer.getCells().empty());
}

// A layer to copy from: every fourth cell has no background, and characters run through none,
// a space and one in no colour, so that whatever a transparent copy keeps shows.
void fillWithLayer(ScreenBuffer& buffer)
{
    const GridSize size = buffer.getSize();
    const uint16_t characters[] = {u'A', 0, u' ', u'B', u'C'};
    for (int index = 0; index < size.width * size.height; ++index) {
        const uint8_t clear = index % 8 == 0 ? Clear : Clear2;
        const uint8_t background = index % 4 == 0 ? clear : static_cast<uint8_t>(1 + index % 16);
        const uint8_t foreground = index % 7 == 4 ? Clear : Yellow;
        Cell& cell = buffer.getCells()[static_cast<size_t>(index)];
        cell = Cell{background, foreground, static_cast<uint16_t>(characters[index % 5] + (index % 5 == 4 ? index : 0))};
    }
}

// The plain copy: every cell of the target takes the cell of a snapshot of the source that the
// area puts on it, if there is one.
void referenceBlit(const ScreenBuffer& source, ScreenBuffer& target, const CopyArea& area, bool transparent)
{
    const ScreenBuffer snapshot = source;
    for (int toY = 0; toY < target.getSize().height; ++toY)
        for (int toX = 0; toX < target.getSize().width; ++toX) {
            const int64_t column = int64_t{toX} - area.to.x, row = int64_t{toY} - area.to.y;
            const int64_t fromX = area.from.x + column, fromY = area.from.y + row;
            if (column < 0 || row < 0 || column >= area.size.width || row >= area.size.height || fromX < 0
                || fromY < 0 || fromX >= snapshot.getSize().width || fromY >= snapshot.getSize().height)
                continue;
            const Cell& from = snapshot.cellAt(static_cast<int>(fromX), static_cast<int>(fromY));
            Cell& to = target.getCells()[static_cast<size_t>(toX + toY * target.getSize().width)];
            const bool noBackground = from.background == Clear || from.background == Clear2;
            const bool noCharacter = from.character == 0 || from.character == u' ' || from.foreground == Clear;
            if (!transparent || !noBackground)
                to.background = from.background;
            if (!transparent || !noCharacter) {
                to.character = from.character;
                to.foreground = from.foreground;
            }
        }
}

struct BlitCase {
    const char* name;
    CopyArea area;
};

// Source 7 x 5 onto a target of 6 x 4, or onto itself.
const BlitCase blitCases[] = {
    {"inside", {{1, 1}, {3, 2}, {2, 1}}},
    {"the whole source", {{0, 0}, {7, 5}, {0, 0}}},
    {"over the left edge", {{0, 1}, {4, 2}, {-2, 1}}},
    {"over the right edge", {{0, 1}, {4, 2}, {4, 1}}},
    {"over the top edge", {{1, 0}, {2, 4}, {1, -3}}},
    {"over the bottom edge", {{1, 0}, {2, 4}, {1, 2}}},
    {"over the top-left corner", {{0, 0}, {3, 3}, {-1, -1}}},
    {"over the top-right corner", {{0, 0}, {3, 3}, {5, -2}}},
    {"over the bottom-left corner", {{0, 0}, {3, 3}, {-2, 3}}},
    {"over the bottom-right corner", {{0, 0}, {3, 3}, {4, 2}}},
    {"from before the source", {{-2, -3}, {5, 5}, {0, 0}}},
    {"from past the source", {{5, 3}, {4, 4}, {0, 0}}},
    {"larger than both", {{-10, -10}, {30, 30}, {-9, -8}}},
    {"wholly outside", {{0, 0}, {3, 3}, {6, 0}}},
    {"empty", {{0, 0}, {0, 3}, {1, 1}}},
    {"negative size", {{2, 2}, {-3, -3}, {0, 0}}},
    {"beyond int", {{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, {INT_MAX, INT_MAX}}},
    {"self: right and down", {{0, 0}, {5, 4}, {1, 1}}},
    {"self: left and up", {{1, 1}, {5, 4}, {0, 0}}},
    {"self: right on the same rows", {{0, 0}, {6, 5}, {1, 0}}},
    {"self: left on the same rows", {{1, 0}, {6, 5}, {0, 0}}},
    {"self: down, left", {{2, 0}, {4, 3}, {0, 2}}},
    {"self: up, right", {{0, 2}, {4, 3}, {2, 0}}},
};

TEST(ScreenBufferTest, BlitsGiveThePlainCopysCells)
{
    for (const BlitCase& blitCase : blitCases)
        for (const bool transparent : {false, true}) {
            SCOPED_TRACE(testing::Message() << blitCase.name << (transparent ? ", transparent" : ""));
            const bool self = std::string(blitCase.name).rfind("self", 0) == 0;
            ScreenBuffer source(nullptr, 7, 5), actual(nullptr, 6, 4), expected(nullptr, 6, 4);
            fillWithLayer(source);
            fillWithPattern(actual);
            fillWithPattern(expected);
            if (self) {
                ScreenBuffer expectedSelf = source;
                referenceBlit(source, expectedSelf, blitCase.area, transparent);
                source.blit(source, blitCase.area, transparent);
                EXPECT_TRUE(sameCells(source, expectedSelf));
                continue;
            }
            referenceBlit(source, expected, blitCase.area, transparent);
            actual.blit(source, blitCase.area, transparent);
            EXPECT_TRUE(sameCells(actual, expected)) << screenText(actual)[0];
        }
}

} // namespace
} // namespace qel
