// SPDX-License-Identifier: GPL-3.0-or-later
// The strict single-value readers and the parser's behaviour on hostile input.
#include "model/JsonRead.h"

#include "model/RecordsCoding.h"
#include "model/SavedGameCoding.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

using nlohmann::json;

namespace {
json parsed(std::string_view text)
{
    return jsonread::parse(text).value();
}
} // namespace

TEST(JsonRead, ParseRefusesAnythingButOneValue)
{
    EXPECT_TRUE(jsonread::parse("[1,2]"));
    EXPECT_FALSE(jsonread::parse(""));
    EXPECT_FALSE(jsonread::parse("[1,2"));
    EXPECT_FALSE(jsonread::parse("[1] [2]"));
    EXPECT_FALSE(jsonread::parse("{\"a\":1,}"));
    // Invalid UTF-8 inside a string.
    EXPECT_FALSE(jsonread::parse("\"\xff\""));
    // A number too large for a double.
    EXPECT_FALSE(jsonread::parse("1e400"));
}

TEST(JsonRead, IntegersMustFitSigned64Bits)
{
    EXPECT_EQ(jsonread::integer(parsed("42")), 42);
    // The extremes of int64, and one past each.
    EXPECT_EQ(
        jsonread::integer(parsed("9223372036854775807")), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(jsonread::integer(parsed("-9223372036854775808")),
        std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(jsonread::integer(parsed("9223372036854775808")), std::nullopt);
    EXPECT_EQ(jsonread::integer(parsed("18446744073709551615")), std::nullopt);
    EXPECT_EQ(jsonread::integer(parsed("-9223372036854775809")), std::nullopt);
    // Fractions and exponents are floating point, even when whole.
    EXPECT_EQ(jsonread::integer(parsed("2.0")), std::nullopt);
    EXPECT_EQ(jsonread::integer(parsed("1e2")), std::nullopt);
    // Other types.
    EXPECT_EQ(jsonread::integer(parsed("true")), std::nullopt);
    EXPECT_EQ(jsonread::integer(parsed("\"42\"")), std::nullopt);
}

TEST(JsonRead, OtherScalarsAreReadByTypeOnly)
{
    EXPECT_EQ(jsonread::boolean(parsed("false")), false);
    EXPECT_EQ(jsonread::boolean(parsed("0")), std::nullopt);
    EXPECT_EQ(jsonread::string(parsed("\"a\\u00d7b\"")),
        "a\xC3\x97"
        "b");
    EXPECT_EQ(jsonread::string(parsed("1")), std::nullopt);
    EXPECT_EQ(jsonread::number(parsed("-1.25")), -1.25);
    EXPECT_EQ(jsonread::number(parsed("18446744073709551615")), 18446744073709551615.0);
    EXPECT_EQ(jsonread::number(parsed("\"7\"")), std::nullopt);
    EXPECT_EQ(jsonread::number(json(std::numeric_limits<double>::infinity())), std::nullopt);
    EXPECT_EQ(jsonread::number(json(std::numeric_limits<double>::quiet_NaN())), std::nullopt);
}

TEST(JsonRead, DeepNestingIsRefusedBeforeParsing)
{
    // The limit itself parses; one level more does not.
    const auto nested = [](int depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    EXPECT_TRUE(jsonread::parse(nested(jsonread::maxDepth)));
    EXPECT_FALSE(jsonread::parse(nested(jsonread::maxDepth + 1)));
    // Brackets inside strings, escaped quotes included, are text, not nesting.
    const std::string inString = "[\"\\\"" + std::string(100, '[') + "\"]";
    EXPECT_TRUE(jsonread::parse(inString));
    // Deep enough to stall the window, or to overflow a recursive parser: refused at once.
    constexpr std::size_t depth = 100000;
    EXPECT_FALSE(jsonread::parse(std::string(depth, '[') + std::string(depth, ']')));
    EXPECT_FALSE(decodeRecords(std::string(depth, '[')));
    std::string nestedObjects;
    for (std::size_t i = 0; i < depth; ++i)
        nestedObjects += "{\"a\":";
    nestedObjects += "1" + std::string(depth, '}');
    EXPECT_FALSE(decodeSavedGame(nestedObjects));
}
