// Merging statistics from two machines.
#include "model/Record.h"

#include <gtest/gtest.h>

TEST(Record, MergeTakesLargerCountsAndSmallerBest)
{
    const Record a { 3, 1, 50 };
    const Record b { 2, 2, std::nullopt };
    EXPECT_EQ(mergeRecord(a, b), (Record { 3, 2, 50 }));
    // Symmetric and idempotent.
    EXPECT_EQ(mergeRecord(b, a), mergeRecord(a, b));
    EXPECT_EQ(mergeRecord(a, a), a);
    // Both best times present: the smaller.
    EXPECT_EQ(mergeRecord(Record { 1, 1, 70 }, Record { 1, 1, 12 }).bestSeconds, 12);
    // Neither present: none.
    EXPECT_EQ(mergeRecord(Record { 4, 0, std::nullopt }, Record { 1, 0, std::nullopt }),
        (Record { 4, 0, std::nullopt }));
}

TEST(Record, MergeOfMapsKeepsOneSidedEntries)
{
    const Records local { { Difficulty::beginner, Record { 3, 2, 41 } },
        { Difficulty::intermediate, Record { 1, 0, std::nullopt } } };
    const Records cloud { { Difficulty::beginner, Record { 5, 1, 60 } },
        { Difficulty::expert, Record { 2, 1, 300 } } };
    const Records expected { { Difficulty::beginner, Record { 5, 2, 41 } },
        { Difficulty::intermediate, Record { 1, 0, std::nullopt } },
        { Difficulty::expert, Record { 2, 1, 300 } } };
    EXPECT_EQ(mergeRecords(local, cloud), expected);
    EXPECT_EQ(mergeRecords(cloud, local), expected);
    EXPECT_EQ(mergeRecords(expected, expected), expected);
    EXPECT_EQ(mergeRecords({}, cloud), cloud);
}
