#include "base/HashString.hpp"

#include <gtest/gtest.h>

#include <string>

using qel::hashString;

TEST(HashString, ShiftsAndXorsEachByte)
{
    EXPECT_EQ(hashString(""), 0);
    EXPECT_EQ(hashString("a"), 97);
    EXPECT_EQ(hashString("abc"), 291);
    EXPECT_EQ(hashString("ac"), hashString("be")) << "a known collision";
}

TEST(HashString, WidensBytesAboveAsciiWithTheirSign)
{
    EXPECT_EQ(hashString("\xC3\xA9"), 47);
    EXPECT_EQ(hashString("\xFF"), -1);
}

TEST(HashString, OnlyTheLast32BytesCount)
{
    EXPECT_EQ(hashString(std::string(40, 'A').c_str()), 63);
    EXPECT_EQ(hashString(std::string(32, 'A').c_str()), 63);
    EXPECT_NE(hashString(std::string(31, 'A').c_str()), 63);
}
