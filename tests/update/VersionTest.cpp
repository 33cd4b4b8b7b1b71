// SPDX-License-Identifier: GPL-3.0-or-later
// Ordering of release numbers as the update check compares them, and text that is no version.
#include "update/Version.h"

#include <gtest/gtest.h>

TEST(Version, OrderingAndRefusals)
{
    const std::tuple<std::string, char, std::string> rows[] = {
        { "1.9", '<', "1.10" },
        { "1.99.99", '<', "2" },
        { "0.9.9", '<', "0.10.0" },
        { "1.02", '=', "1.2" }, // leading zeros add nothing
        { "1.2", '=', "1.2.0" },
        { "1", '=', "1.0.0.0" },
        { "1.2", '<', "1.2.0.1" },
        { "1.3.0-rc1", '<', "1.3.0" },
        { "1.2.9", '<', "1.3.0-rc1" }, // pre-releases
        { "1.3-rc2", '<', "1.3-rc10" }, // digit runs in the tail compare as numbers
        { "1.3-beta", '<', "1.3-rc" },
        { "1.3rc1", '=', "1.3-RC1" }, // no dash; any case
        { "v1.4", '=', "1.4.0" },
        { "  1.4 \n", '=', "1.4" },
        { "1.4+build.7", '=', "1.4" },
        { "1.4+" + std::string(64, 'b'), '=', "1.4" },
    };
    for (const auto& [a, order, b] : rows) {
        const auto x = Version::parse(a), y = Version::parse(b);
        ASSERT_TRUE(x && y) << a << " / " << b;
        EXPECT_TRUE(order == '=' ? *x == *y && !(*x < *y) : *x<*y&& * y> * x) << a << " / " << b;
    }
    // From "1.4+" on: build data is shown to the player, so only what a version may hold, short.
    for (const std::string& text :
        std::initializer_list<std::string> { "", " ", "v", "beta", "1..2", ".1", "1.2-", "1.2 beta",
            "-1", "1.2.3-rc/1", "1234567890123456789.0", "1.4+", "1.4+<b>x</b>", "1.4+a b",
            "1.4+\xc3\xa9", "1.4+" + std::string(65, 'b'), "1.4-" + std::string(125, 'r') })
        EXPECT_FALSE(Version::parse(text).has_value()) << '"' << text << '"';
}
