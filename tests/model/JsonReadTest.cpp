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

TEST(JsonRead, DeepNestingNeitherCrashesNorDecodes)
{
    // Deep enough to overflow the stack of a recursive parser or destructor.
    constexpr std::size_t depth = 100000;
    const std::string balanced = std::string(depth, '[') + std::string(depth, ']');
    const auto value = jsonread::parse(balanced);
    ASSERT_TRUE(value);
    EXPECT_TRUE(value->is_array());
    EXPECT_FALSE(jsonread::parse(std::string(depth, '[')));
    EXPECT_FALSE(decodeRecords(balanced));
    const std::string inBoard =
        "{\"board\":" + std::string(depth, '[') + std::string(depth, ']') + "}";
    EXPECT_FALSE(decodeSavedGame(inBoard));
    std::string nestedObjects;
    nestedObjects.reserve(depth * 6);
    for (std::size_t i = 0; i < depth; ++i)
        nestedObjects += "{\"a\":";
    nestedObjects += "1" + std::string(depth, '}');
    EXPECT_FALSE(decodeSavedGame(nestedObjects));
}
