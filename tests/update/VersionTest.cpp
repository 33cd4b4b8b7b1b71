// SPDX-License-Identifier: GPL-3.0-or-later
// Ordering of release numbers as the update check compares them.
#include "update/Version.h"

#include <gtest/gtest.h>

namespace {

Version v(const char* text)
{
    const auto parsed = Version::parse(text);
    EXPECT_TRUE(parsed.has_value()) << text;
    return parsed.value_or(*Version::parse("0"));
}

} // namespace

TEST(Version, NumbersCompareAsNumbersNotText)
{
    EXPECT_GT(v("1.10"), v("1.9"));
    EXPECT_GT(v("2"), v("1.99.99"));
    EXPECT_LT(v("0.9.9"), v("0.10.0"));
    // Leading zeros do not make a component larger.
    EXPECT_EQ(v("1.02"), v("1.2"));
}

TEST(Version, MissingTrailingNumbersCountAsZero)
{
    EXPECT_EQ(v("1.2"), v("1.2.0"));
    EXPECT_EQ(v("1"), v("1.0.0.0"));
    EXPECT_GT(v("1.2.0.1"), v("1.2"));
}

TEST(Version, PreReleasesSortBeforeTheirRelease)
{
    EXPECT_LT(v("1.3.0-rc1"), v("1.3.0"));
    EXPECT_GT(v("1.3.0-rc1"), v("1.2.9"));
    // Digit runs inside the tail compare as numbers.
    EXPECT_LT(v("1.3-rc2"), v("1.3-rc10"));
    EXPECT_LT(v("1.3-beta"), v("1.3-rc"));
    // A tail may follow the numbers directly, and letters compare without regard to case.
    EXPECT_EQ(v("1.3rc1"), v("1.3-RC1"));
}

TEST(Version, DecorationsAreIgnored)
{
    EXPECT_EQ(v("v1.4"), v("1.4.0"));
    EXPECT_EQ(v("  1.4 \n"), v("1.4"));
    EXPECT_EQ(v("1.4+build.7"), v("1.4"));
    EXPECT_EQ(v(("1.4+" + std::string(64, 'b')).c_str()), v("1.4"));
}

TEST(Version, TextThatIsNoVersionIsRefused)
{
    for (const char* text : { "", " ", "v", "beta", "1..2", ".1", "1.2-", "1.2 beta", "-1",
             "1.2.3-rc/1", "1234567890123456789.0" })
        EXPECT_FALSE(Version::parse(text).has_value()) << '"' << text << '"';
    // Build data is shown to the player: only what a version may hold, and short.
    const std::string longBuild = "1.4+" + std::string(65, 'b');
    const std::string longTail = "1.4-" + std::string(125, 'r');
    for (const std::string& text : { std::string("1.4+"), std::string("1.4+<b>x</b>"),
             std::string("1.4+a b"), std::string("1.4+\xc3\xa9"), longBuild, longTail })
        EXPECT_FALSE(Version::parse(text).has_value()) << '"' << text << '"';
}
