#include "display/XpFile.hpp"

#include "base/CodePage437.hpp"
#include "base/Gzip.hpp"
#include "display/ScreenBuffer.hpp"
#include "fuzz/ArtFileGenerator.hpp"
#include "support/ScreenText.hpp"
#include "support/XpPayload.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <fstream>
#include <iterator>

using namespace qel;
using namespace qel::test;

namespace {

// A file tools/make-xp wrote at build time from tests/display/xp/NAME.txt.
Bytes toolFile(const std::string& name)
{
    std::ifstream in(std::string(QEL_XP_DIR) + "/" + name + ".xp", std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The picture a tool-written file holds; a failure names the decoder's reason.
std::unique_ptr<ScreenBuffer> decodedToolFile(const std::string& name)
{
    std::string error;
    auto buffer = XpFile::decode(toolFile(name), error);
    EXPECT_TRUE(buffer) << name << ": " << error;
    return buffer;
}

// Why the bytes are refused; "accepted" when they are not.
std::string refusal(const Bytes& bytes)
{
    std::string error;
    return XpFile::decode(bytes, error) ? "accepted" : error;
}

void expectSameCells(const ScreenBuffer& actual, const ScreenBuffer& expected)
{
    ASSERT_EQ(actual.getSize().width, expected.getSize().width);
    ASSERT_EQ(actual.getSize().height, expected.getSize().height);
    EXPECT_EQ(screenText(actual), screenText(expected));
    EXPECT_EQ(foregroundText(actual, 0, 0, actual.getSize().width, actual.getSize().height),
              foregroundText(expected, 0, 0, expected.getSize().width, expected.getSize().height));
    EXPECT_EQ(backgroundText(actual), backgroundText(expected));
}

} // namespace

TEST(XpFileTest, LaysTheLayersFromTheFirstUpAndLetsKeysAndBlanksThrough)
{
    const auto layers = decodedToolFile("layers");
    ASSERT_TRUE(layers);
    EXPECT_EQ(screenText(*layers), (Lines{"XbYZ", "efgh"}));
    EXPECT_EQ(foregroundText(*layers, 0, 0, 4, 2), (Lines{"1f10", "ffff"}));
    EXPECT_EQ(backgroundText(*layers), (Lines{"515a", "5550"}));

    // The oldest files start with the layer count.
    const auto old = decodedToolFile("old-form");
    ASSERT_TRUE(old);
    EXPECT_EQ(screenText(*old), (Lines{"ol!"}));
    EXPECT_EQ(foregroundText(*old, 0, 0, 3, 1), (Lines{"333"}));
    EXPECT_EQ(backgroundText(*old), (Lines{"300"}));
}

TEST(XpFileTest, TurnsCharactersIntoUnicodeAndColoursIntoTheNearestPaletteEntries)
{
    const auto characters = decodedToolFile("characters");
    ASSERT_TRUE(characters);
    EXPECT_EQ(screenText(*characters),
              (Lines{" ☺☻♥♦♣♠•◘○◙♂♀♪♫☼", "►◄↕‼¶§▬↨↑↓→←∟↔▲▼", " !\"#$%&'()*+,-./", "0123456789:;<=>?",
                     "@ABCDEFGHIJKLMNO", "PQRSTUVWXYZ[\\]^_", "`abcdefghijklmno", "pqrstuvwxyz{|}~⌂",
                     "ÇüéâäàåçêëèïîìÄÅ", "ÉæÆôöòûùÿÖÜ¢£¥₧ƒ", "áíóúñÑªº¿⌐¬½¼¡«»", "░▒▓│┤╡╢╖╕╣║╗╝╜╛┐",
                     "└┴┬├─┼╞╟╚╔╩╦╠═╬╧", "╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀", "αßΓπΣσµτΦΘΩδ∞φε∩", "≡±≥≤⌠⌡÷≈°∙·√ⁿ²■\u00A0"}));

    // Row 0 holds the palette's own colours; row 1 black, white, mid-grey, pure red, two colours
    // halfway between entries (the lower index wins), one a step from the key, Blue without its
    // red, and the key (Clear as foreground and background alike).
    const auto colours = decodedToolFile("colours");
    ASSERT_TRUE(colours);
    EXPECT_EQ(foregroundText(*colours, 0, 0, 16, 2), (Lines{"123456789abcdefg", "0gf7113e50000000"}));
    EXPECT_EQ(backgroundText(*colours), (Lines{"g123456789abcdef", "gf7113e500000000"}));
}

TEST(XpFileTest, WhatIsSavedLoadsAsTheSameCells)
{
    // Every character code page 437 has and one it has not, and every foreground (by column)
    // on every background marker (by row).
    ScreenBuffer buffer(nullptr, 17, 18);
    ScreenBuffer expected(nullptr, 17, 18);
    for (int index = 0; index < 17 * 18; ++index) {
        const int code = index % 257;
        const uint16_t character = code < 256 ? codePage437ToUnicode(static_cast<uint8_t>(code)) : u'日';
        const auto foreground = static_cast<uint8_t>(index % 17);
        const auto background = static_cast<uint8_t>(index / 17);
        buffer.getCells()[index] = {background, foreground, character};
        expected.getCells()[index] = {uint8_t(background == Clear2 ? 0 : background), foreground,
                                      uint16_t(code < 256 ? character : u'?')};
    }
    std::string error;
    const auto loaded = XpFile::decode(XpFile::encode(buffer), error);
    ASSERT_TRUE(loaded) << error;
    expectSameCells(*loaded, expected);
}

TEST(XpFileTest, RefusesADamagedFileWithItsOneReason)
{
    const auto file = [](const XpPayload& payload) { return gzip(payload.bytes); };
    const auto cells = [](XpPayload payload, int count) {
        for (int i = 0; i < count; ++i)
            payload.cell('a', {0, 0, 0}, KeyRgb);
        return payload;
    };
    const XpPayload oneLayer = XpPayload().ints({-1, 1});

    EXPECT_EQ(refusal({}), "it is not gzip-compressed");
    EXPECT_EQ(refusal({'x', 'p', 0, 0, 0, 0}), "it is not gzip-compressed");
    Bytes oversized(XpFile::MostFileBytes + 1);
    oversized[0] = 0x1f;
    oversized[1] = 0x8b;
    EXPECT_EQ(refusal(oversized), "it is larger than 96 MB");
    Bytes corrupt = file(XpPayload::picture(1, 8, 8));
    std::fill(corrupt.begin() + 10, corrupt.end(), 0xff);
    EXPECT_EQ(refusal(corrupt), "its compressed data is damaged");

    EXPECT_EQ(refusal(gzip({1, 0})), "it is cut short in its header");
    EXPECT_EQ(refusal(file(XpPayload().int32(-1))), "it is cut short in its header");
    for (int32_t layers : {0, -7})
        EXPECT_EQ(refusal(file(XpPayload().ints({-1, layers}))), "it holds no layers") << layers;
    EXPECT_EQ(refusal(file(XpPayload().int32(0))), "it holds no layers");
    EXPECT_EQ(refusal(file(XpPayload().ints({-1, 10, 1, 1}))), "it claims 10 layers; at most 9");
    EXPECT_EQ(refusal(file(XpPayload().ints({INT_MAX, 1, 1}))), "it claims 2147483647 layers; at most 9");

    for (auto [width, height] : {std::pair{0, 3}, {3, 0}, {-1, 3}, {1025, 1}, {1, INT_MAX}, {INT_MIN, INT_MIN}})
        EXPECT_EQ(refusal(file(XpPayload(oneLayer).ints({width, height}))),
                  "its layer 1 is " + std::to_string(width) + " x " + std::to_string(height) +
                      " cells; a layer is 1 x 1 to 1024 x 1024 cells");
    EXPECT_EQ(refusal(file(XpPayload(oneLayer).ints({4}))), "it is cut short in layer 1");
    EXPECT_EQ(refusal(file(cells(XpPayload(oneLayer).ints({4, 2}), 7))), "it is cut short in layer 1");
    XpPayload twoSizes = XpPayload().ints({-1, 2}).layer(4, 2).layer(4, 3, 2);
    EXPECT_EQ(refusal(file(twoSizes)), "its layers differ in size: layer 1 is 4 x 2 cells, layer 2 4 x 3 cells");
    XpPayload claimsMore = XpPayload().ints({-1, 3}).layer(4, 2).layer(4, 2, 2);
    EXPECT_EQ(refusal(file(claimsMore)), "it is cut short in layer 3");
    XpPayload wideCharacter = cells(XpPayload(oneLayer).ints({2, 3}), 4);
    wideCharacter.cell(300, {0, 0, 0}, KeyRgb).cell('a', {0, 0, 0}, KeyRgb);
    EXPECT_EQ(refusal(file(wideCharacter)), "cell (1, 1) of layer 1 holds character 300, which code page 437 has not");

    // What follows the last cell is not read.
    Bytes trailed = XpPayload::picture(2, 3, 3).bytes;
    trailed.insert(trailed.end(), 100, 0xee);
    EXPECT_EQ(refusal(gzip(trailed)), "accepted");
}

TEST(XpFileTest, StopsAtOnceInAFileThatInflatesToGigabytes)
{
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(refusal(gzipBomb({}, 4096)), "it holds no layers");
    EXPECT_EQ(refusal(gzipBomb(XpPayload::picture(1, 2, 2).bytes, 4096)), "accepted");
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
}

TEST(XpFileTest, AMutatedFileGivesAReasonOrAPictureAndNothingElse)
{
    const std::vector<Bytes> originals = {gunzipped(toolFile("layers")), gunzipped(toolFile("old-form")),
                                          XpPayload::picture(3, 5, 4).bytes, XpPayload::picture(1, 40, 2).bytes};
    fuzz::Random random(26);
    int accepted = 0;
    for (int round = 0; round < 500; ++round) {
        const Bytes file = fuzz::mutatedXpFile(random, originals[random.below(static_cast<int>(originals.size()))]);
        std::string error;
        const auto buffer = XpFile::decode(file, error);
        if (buffer) {
            ++accepted;
            EXPECT_TRUE(error.empty()) << error;
            EXPECT_GE(buffer->getSize().width, 1);
            EXPECT_LE(buffer->getSize().height, XpFile::MostSide);
        } else {
            EXPECT_TRUE(error.rfind("it", 0) == 0 || error.rfind("cell (", 0) == 0) << error;
        }
    }
    // Both ends are reached: the mutations are neither all harmless nor all fatal.
    EXPECT_GT(accepted, 50);
    EXPECT_LT(accepted, 450);
}
