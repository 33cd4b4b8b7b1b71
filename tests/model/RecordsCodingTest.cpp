// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics: their merge, their compact stored form, and a reader that refuses a bad
// shape whole and an implausible record per size.
#include "model/RecordsCoding.h"

#include <gtest/gtest.h>

#include <string>

TEST(Record, MergeTakesLargerCountsAndSmallerBest)
{
    const Record a { 3, 1, 50 };
    const Record b { 2, 2, std::nullopt };
    EXPECT_EQ(mergeRecord(a, b), (Record { 3, 2, 50 }));
    // Symmetric and idempotent.
    EXPECT_EQ(mergeRecord(b, a), mergeRecord(a, b));
    EXPECT_EQ(mergeRecord(a, a), a);
    EXPECT_EQ(mergeRecord(Record { 1, 1, 70 }, Record { 1, 1, 12 }).bestSeconds, 12);
    EXPECT_EQ(mergeRecord(Record { 4, 0, std::nullopt }, Record { 1, 0, std::nullopt }),
        (Record { 4, 0, std::nullopt }));

    // Sizes present on one side keep their record.
    const Records local { { Difficulty::beginner, Record { 3, 2, 41 } },
        { Difficulty::intermediate, Record { 1, 0, std::nullopt } } };
    const Records cloud { { Difficulty::beginner, Record { 5, 1, 60 } },
        { Difficulty::expert, Record { 2, 1, 300 } } };
    const Records expected { { Difficulty::beginner, Record { 5, 2, 41 } },
        { Difficulty::intermediate, Record { 1, 0, std::nullopt } },
        { Difficulty::expert, Record { 2, 1, 300 } } };
    EXPECT_EQ(mergeRecords(local, cloud), expected);
    EXPECT_EQ(mergeRecords(cloud, local), expected);
    EXPECT_EQ(mergeRecords({}, cloud), cloud);
}

TEST(RecordsCoding, WritesCompactAlternatingArray)
{
    EXPECT_EQ(encodeRecords({}), "[]");
    const Records records { { Difficulty::beginner, Record { 3, 2, 41 } },
        { Difficulty::expert, Record { 1, 0, std::nullopt } } };
    EXPECT_EQ(encodeRecords(records),
        R"(["beginner",{"played":3,"won":2,"bestSeconds":41},"expert",{"played":1,"won":0}])");
    EXPECT_EQ(decodeRecords(encodeRecords(records)), records);
    // Pairs and members in any order, white space, a null best time, unknown members.
    EXPECT_EQ(
        decodeRecords(
            R"([ "expert", {"won":1,"played":4}, "intermediate", {"played":2,"won":2,"bestSeconds":99,"streak":3} ])"),
        (Records { { Difficulty::expert, Record { 4, 1, std::nullopt } },
            { Difficulty::intermediate, Record { 2, 2, 99 } } }));
    EXPECT_EQ(decodeRecords(R"(["beginner",{"played":1,"won":0,"bestSeconds":null}])"),
        (Records { { Difficulty::beginner, Record { 1, 0, std::nullopt } } }));
    // The later of two pairs for one size wins.
    EXPECT_EQ(
        decodeRecords(
            R"(["beginner",{"played":9,"won":9,"bestSeconds":5},"beginner",{"played":1,"won":0}])"),
        (Records { { Difficulty::beginner, Record { 1, 0, std::nullopt } } }));
}

TEST(RecordsCoding, AnyOtherShapeIsRefusedWhole)
{
    for (const char* text : { "", "[", "null", R"({"beginner":{"played":1,"won":0}})",
             // Odd length; an unknown or mistyped size.
             R"(["beginner"])", R"(["beginner",{"played":1,"won":0},"expert"])",
             R"(["Beginner",{"played":1,"won":0}])", R"([0,{"played":1,"won":0}])" })
        EXPECT_FALSE(decodeRecords(text)) << text;
}

TEST(RecordsCoding, AnImplausibleRecordCostsOnlyItsSize)
{
    // Each record below sits between two good ones; its size alone reads as never played, so
    // no merge can take it and no write can carry it on.
    const char* const refused[] = {
        // Not an object, a count missing, a count of the wrong type or beyond int64.
        R"([1,0])",
        R"({"won":0})",
        R"({"played":1})",
        R"({"played":1.5,"won":0})",
        R"({"played":"1","won":0})",
        R"({"played":1,"won":true})",
        R"({"played":9223372036854775808,"won":0})",
        R"({"played":1,"won":1,"bestSeconds":"41"})",
        R"({"played":1,"won":1,"bestSeconds":41.5})",
        // Breaking 0 ≤ won ≤ played ≤ 10^9, or a best time under one second.
        R"({"played":3,"won":4,"bestSeconds":9})",
        R"({"played":3,"won":-1})",
        R"({"played":-2,"won":-3})",
        R"({"played":1000000001,"won":1})",
        R"({"played":9223372036854775807,"won":9223372036854775807,"bestSeconds":1})",
        R"({"played":3,"won":1,"bestSeconds":0})",
        R"({"played":3,"won":1,"bestSeconds":-5})",
    };
    const Records good { { Difficulty::beginner, Record { 5, 2, 41 } },
        { Difficulty::expert, Record { 2, 1, 300 } } };
    for (const char* record : refused) {
        const std::string text = R"(["beginner",{"played":5,"won":2,"bestSeconds":41},)"
                                 R"("intermediate",)" +
            std::string(record) + R"(,"expert",{"played":2,"won":1,"bestSeconds":300}])";
        EXPECT_EQ(decodeRecords(text), good) << record;
    }
    // A refused later pair for a size removes the earlier one too; the limits themselves read.
    EXPECT_EQ(decodeRecords(R"(["expert",{"played":2,"won":1},"expert",{"played":1,"won":2}])"),
        Records {});
    EXPECT_EQ(decodeRecords(R"(["expert",{"played":1000000000,"won":1000000000,"bestSeconds":1}])"),
        (Records { { Difficulty::expert, Record { recordCountLimit, recordCountLimit, 1 } } }));
}
