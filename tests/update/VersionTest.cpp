// SPDX-License-Identifier: GPL-3.0-or-later
// Ordering of release numbers as the update check compares them.
#include "update/Version.h"

#include <gtest/gtest.h>

namespace {

Version v(const std::string& text)
{
    const auto parsed = Version::parse(text);
    EXPECT_TRUE(parsed.has_value()) << text;
    return parsed.value_or(*Version::parse("0"));
}

} // namespace

TEST(Version, Ordering)
{
    // a sorts before b, or equals it where `same` is set.
    const struct {
        std::string a, b;
        bool same;
    } rows[] = {
        { "1.9", "1.10", false },
        { "1.99.99", "2", false },
        { "0.9.9", "0.10.0", false },
        { "1.02", "1.2", true }, // leading zeros add nothing
        { "1.2", "1.2.0", true },
        { "1", "1.0.0.0", true },
        { "1.2", "1.2.0.1", false },
        { "1.3.0-rc1", "1.3.0", false },
        { "1.2.9", "1.3.0-rc1", false }, // pre-releases
        { "1.3-rc2", "1.3-rc10", false }, // digit runs in the tail compare as numbers
        { "1.3-beta", "1.3-rc", false },
        { "1.3rc1", "1.3-RC1", true }, // no dash; any case
        { "v1.4", "1.4.0", true },
        { "  1.4 \n", "1.4", true },
        { "1.4+build.7", "1.4", true },
        { "1.4+" + std::string(64, 'b'), "1.4", true },
    };
    for (const auto& [a, b, same] : rows) {
        if (same) {
            EXPECT_EQ(v(a), v(b)) << a << " / " << b;
        } else {
            EXPECT_LT(v(a), v(b)) << a << " / " << b;
            EXPECT_GT(v(b), v(a)) << a << " / " << b;
        }
    }
}

TEST(Version, TextThatIsNoVersionIsRefused)
{
    // From "1.4+" on: build data is shown to the player, so only what a version may hold, short.
    for (const std::string& text :
        std::initializer_list<std::string> { "", " ", "v", "beta", "1..2", ".1", "1.2-", "1.2 beta",
            "-1", "1.2.3-rc/1", "1234567890123456789.0", "1.4+", "1.4+<b>x</b>", "1.4+a b",
            "1.4+\xc3\xa9", "1.4+" + std::string(65, 'b'), "1.4-" + std::string(125, 'r') })
        EXPECT_FALSE(Version::parse(text).has_value()) << '"' << text << '"';
}
