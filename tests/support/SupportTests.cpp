#include "support/ErrorsUnt.h"
#include "support/NotifyUnt.h"
#include "support/RandomUnt.h"
#include "support/TextUnt.h"
#include "support/UtilsUnt.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(ParseLeadingInteger, TakesTheLongestLeadingNumber)
{
    struct Case { const char* text; int expected; } cases[] = {
        {"12", 12}, {"12abc", 12}, {"  7", 7}, {"-5x", -5}, {"+3", 3}, {"-", 0}, {"", 0}, {"abc", 0},
        {"1 2", 1}, {"--1", 0}, {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
        {"99999999999", 0}, {"007", 7},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseLeadingInteger(c.text), c.expected) << c.text;
}

TEST(ParseWholeInteger, AcceptsOnlyAWholeNumber)
{
    EXPECT_EQ(ParseWholeInteger(" 42 "), 42);
    EXPECT_EQ(ParseWholeInteger("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(ParseWholeInteger("9223372036854775807"), INT64_MAX);
    for (const char* refused : {"9223372036854775808", "12abc", "", "-", "1 2"})
        EXPECT_FALSE(ParseWholeInteger(refused)) << refused;
}

TEST(EnumDisplayName, DropsThePrefixAndSplitsWordsAndSetsJoinThem)
{
    const std::pair<const char*, const char*> names[] = {{"btHammerBot", "Hammer Bot"}, {"ckUTurn", "U Turn"},
        {"alShuttingDownNextTurn", "Shutting Down Next Turn"}, {"btHulkX90", "Hulk X90"}, {"lowercase", ""}, {"", ""}};
    for (auto [value, shown] : names)
        EXPECT_EQ(EnumDisplayName(value), shown) << value;
    const std::pair<const char*, const char*> sets[] = {{"[okFlying,okDevice]", "Flying, Device"},
        {"[okFlatDevice]", "Flat Device"}, {"[]", ""}, {"okBooster, okFlying", "Booster, Flying"}};
    for (auto [set, shown] : sets)
        EXPECT_EQ(SetDisplayText(set), shown) << set;
}

TEST(Random, FollowsTheLinearCongruentialSequenceAndStaysBelowN)
{
    SetRandSeed(0);
    // seed 1, then 134775814, ... the draw is the high half of seed * n.
    EXPECT_EQ(Random(100), 0);
    EXPECT_EQ(RandSeed(), 1u);
    EXPECT_EQ(Random(100), static_cast<int>((134775814ull * 100) >> 32));
    std::uint32_t seed = RandSeed() * 134775813u + 1u;
    EXPECT_EQ(Random(84), static_cast<int>((static_cast<std::uint64_t>(seed) * 84) >> 32));

    SetRandSeed(0xFFFFFFFFu);
    for (int n : {1, 2, 3, 52, 1000, 2147483647})
        for (int i = 0; i < 1000; ++i) {
            int v = Random(n);
            ASSERT_GE(v, 0);
            ASSERT_LT(v, n);
        }
}

TEST(Notifier, CaptureCollectsAndRestores)
{
    std::vector<std::string> outer;
    TMessageHandler previous = SetMessageHandler([&](const std::string& t) { outer.push_back(t); });
    {
        TMessageCapture capture;
        ShowMessage("one");
        ShowMessage("two");
        EXPECT_EQ(capture.Messages(), (std::vector<std::string>{"one", "two"}));
    }
    ShowMessage("three");
    EXPECT_EQ(outer, std::vector<std::string>{"three"});
    SetMessageHandler(previous);
}

TEST(Text, Windows1252AndUtf8)
{
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("caf\xC3\xA9"));
    EXPECT_FALSE(IsValidUtf8("caf\xE9"));
    EXPECT_FALSE(IsValidUtf8("\xC0\x80")); // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")); // surrogate
    EXPECT_EQ(ToUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(ToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    std::string c1 = "a\xC2\x80z";
    MapC1ToWindows1252(c1);
    EXPECT_EQ(c1, "a\xE2\x82\xACz");
}

TEST(Text, SplitLinesAcceptsEveryLineEnd)
{
    EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n"), std::vector<std::string>{"a"});
    EXPECT_EQ(SplitLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(SplitLines("").empty());
}
