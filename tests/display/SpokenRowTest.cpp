#include "display/SpokenRow.hpp"

#include "display/ScreenBuffer.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qel {
namespace {

constexpr ColorPair Shown{White, Clear};

TEST(SpokenRow, FramesShadesAndBlanksReadAsOneSpaceBetweenWordsAndNothingAtTheEnds)
{
    struct Case {
        std::u16string shown;
        std::string said;
    };
    const std::vector<Case> cases = {
        {u"\u2551 Gold: 12 \u2591\u2591 Depth 3 \u2551", "Gold: 12 Depth 3"},
        {u"\u2554\u2550\u2550\u2550\u2550\u2557", ""},
        {u"\u2588\u2580\u2584\u258C\u2590\u2591\u2592\u2593 \u2500\u2502\u257F", ""},
        {u"", ""},
        {u"      ", ""},
        {u"   spread    out   ", "spread out"},
        {u"Dark\u2593\u2593\u2593Wood", "Dark Wood"},
        {u"a\u2502b", "a b"},
        {u"\u24FF\u2500\u259F\u25A0 \u263A\u2190 caf\u00E9", "\u24FF \u25A0 \u263A\u2190 caf\u00E9"},
    };
    for (const Case& row : cases) {
        ScreenBuffer screen(nullptr, 30, 2);
        for (std::size_t column = 0; column < row.shown.size(); ++column)
            screen.put(static_cast<int>(column), 1, row.shown[column], Shown);
        EXPECT_EQ(spokenRow(screen, 1), row.said) << "row " << row.said;
    }

    ScreenBuffer screen(nullptr, 30, 2);
    screen.print(0, 0, u"North", Shown, 0, 0);
    screen.put(2, 0, u'r', ColorPair{Clear, Blue});
    EXPECT_EQ(spokenRow(screen, 0), "No th") << "a Clear foreground hides the character";
    screen.clear(0);
    EXPECT_EQ(spokenRow(screen, 0), "") << "a cleared screen keeps its characters hidden";
    EXPECT_EQ(spokenRow(screen, 2), "");
    EXPECT_EQ(spokenRow(screen, -1), "");
}

} // namespace
} // namespace qel
