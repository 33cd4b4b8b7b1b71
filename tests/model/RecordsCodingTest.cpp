// The statistics' stored form: alternating array, compact, and all-or-nothing reading.
#include "model/RecordsCoding.h"

#include <gtest/gtest.h>

TEST(RecordsCoding, WritesCompactAlternatingArray)
{
    EXPECT_EQ(encodeRecords({}), "[]");
    const Records records { { Difficulty::beginner, Record { 3, 2, 41 } },
        { Difficulty::expert, Record { 1, 0, std::nullopt } } };
    EXPECT_EQ(encodeRecords(records),
        R"(["beginner",{"played":3,"won":2,"bestSeconds":41},"expert",{"played":1,"won":0}])");
    EXPECT_EQ(decodeRecords(encodeRecords(records)), records);
    EXPECT_EQ(decodeRecords("[]"), Records {});
}

TEST(RecordsCoding, ReadsAnyOrderNullBestAndLaterDuplicates)
{
    // Pairs in any order, white space allowed, members in any order.
    EXPECT_EQ(
        decodeRecords(
            R"([ "expert", {"won":1,"played":4}, "intermediate", {"played":2,"won":2,"bestSeconds":99} ])"),
        (Records { { Difficulty::expert, Record { 4, 1, std::nullopt } },
            { Difficulty::intermediate, Record { 2, 2, 99 } } }));
    // A null best time is absent; unknown members are ignored.
    EXPECT_EQ(decodeRecords(R"(["beginner",{"played":1,"won":0,"bestSeconds":null,"streak":3}])"),
        (Records { { Difficulty::beginner, Record { 1, 0, std::nullopt } } }));
    // The later of two pairs for one size wins.
    EXPECT_EQ(
        decodeRecords(
            R"(["beginner",{"played":9,"won":9,"bestSeconds":5},"beginner",{"played":1,"won":0}])"),
        (Records { { Difficulty::beginner, Record { 1, 0, std::nullopt } } }));
}

TEST(RecordsCoding, RejectsAnyOtherShapeWhole)
{
    const char* const rejected[] = {
        // Not JSON, or not an array.
        "",
        "[",
        "null",
        R"({"beginner":{"played":1,"won":0}})",
        // Odd length.
        R"(["beginner"])",
        R"(["beginner",{"played":1,"won":0},"expert"])",
        // Unknown or mistyped size.
        R"(["Beginner",{"played":1,"won":0}])",
        R"([0,{"played":1,"won":0}])",
        // A record that is not an object, or lacks a count.
        R"(["beginner",[1,0]])",
        R"(["beginner",{"won":0}])",
        R"(["beginner",{"played":1}])",
        // Counts that are not integers or do not fit.
        R"(["beginner",{"played":1.5,"won":0}])",
        R"(["beginner",{"played":"1","won":0}])",
        R"(["beginner",{"played":1,"won":true}])",
        R"(["beginner",{"played":9223372036854775808,"won":0}])",
        R"(["beginner",{"played":1,"won":1,"bestSeconds":"41"}])",
        R"(["beginner",{"played":1,"won":1,"bestSeconds":41.5}])",
        // One bad pair spoils the good ones before it.
        R"(["beginner",{"played":1,"won":0},"expert",{"played":1}])",
    };
    for (const char* text : rejected)
        EXPECT_FALSE(decodeRecords(text)) << text;
}
