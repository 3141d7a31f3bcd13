#include "base/TextFileReader.hpp"

#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

using qel::TextFileReader;

namespace {

constexpr TextFileReader::Limits Small{64, 8};

// The lines read, and after them the fault, if any, as the last entry.
std::vector<std::string> linesOf(TextFileReader reader)
{
    std::vector<std::string> lines;
    for (std::string line; reader.nextLine(line);)
        lines.push_back(line);
    if (!reader.fault().empty())
        lines.push_back("fault: " + reader.fault());
    return lines;
}

std::vector<std::string> linesOfText(const std::string& text, TextFileReader::Limits limits = Small)
{
    return linesOf(TextFileReader(std::make_unique<std::istringstream>(text), limits));
}

using Lines = std::vector<std::string>;

} // namespace

TEST(TextFileReader, LinesEndAtALineFeedOrACarriageReturnAndLineFeed)
{
    EXPECT_EQ(linesOfText("one\r\ntwo\n\r\nthree"), (Lines{"one", "two", "", "three"}));
    EXPECT_EQ(linesOfText("a\rb\r\r\nc\r"), (Lines{"a\rb\r", "c\r"})) << "a carriage return alone is text";
    EXPECT_EQ(linesOfText(""), Lines{});
}

TEST(TextFileReader, ReadingStopsAtTheFirstBytePastALimit)
{
    EXPECT_EQ(linesOfText("12345678\r\nabc\n"), (Lines{"12345678", "abc"})) << "as long as a line may be";
    EXPECT_EQ(linesOfText("ok\n123456789\nlater\n"), (Lines{"ok", "fault: line 2 is longer than 8 bytes"}));

    const std::string full = "1234567\n1234567\n1234567\n1234567\n1234567\n1234567\n1234567\n1234567\n";
    EXPECT_EQ(linesOfText(full).size(), 8u) << "exactly as large as a file may be";
    EXPECT_EQ(linesOfText(full + "x").back(), "fault: it is larger than 64 bytes");
}

TEST(TextFileReader, AFileIsReadOnlyWhenItIsARegularOne)
{
    qel::test::TempDir folder;
    folder.write("notes.txt", "first\r\nsecond\n");
    EXPECT_EQ(linesOf(TextFileReader((folder.path / "notes.txt").string(), Small)), (Lines{"first", "second"}));
    EXPECT_EQ(linesOf(TextFileReader(folder.path.string(), Small)), Lines{"fault: it is not a regular file"});
    EXPECT_EQ(linesOf(TextFileReader("/dev/zero", Small)), Lines{"fault: it is not a regular file"})
        << "a device without end is not read at all";
    EXPECT_EQ(linesOf(TextFileReader((folder.path / "none").string(), Small)), Lines{"fault: there is no such file"});
}

// A process's own memory is a regular file whose first page cannot be read.
TEST(TextFileReader, AFileTheSystemRefusesToReadIsAFaultNotACrash)
{
    EXPECT_EQ(linesOf(TextFileReader("/proc/self/mem", Small)), Lines{"fault: it cannot be read: Input/output error"});
}
