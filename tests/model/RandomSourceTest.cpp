// Unbiased draws, the fixed sequence used by tests and the system source.
#include "model/RandomSource.h"

#include "model/SequenceRandom.h"
#include "model/SystemRandom.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>

namespace {
constexpr std::uint64_t top = std::numeric_limits<std::uint64_t>::max();
}

TEST(RandomSource, UniformBelowRejectsTheUnevenTopOfTheRange)
{
    // 2^64 mod 10 = 6: the six highest values are drawn again.
    SequenceRandom random({ top, 5 });
    EXPECT_EQ(uniformBelow(random, 10), 5u);
    EXPECT_EQ(random.drawn(), 2u);

    // The first rejected value, then the highest accepted one, which maps to bound - 1.
    SequenceRandom edge({ top - 5, top - 6 });
    EXPECT_EQ(uniformBelow(edge, 10), 9u);
    EXPECT_EQ(edge.drawn(), 2u);

    // A power of two divides 2^64: nothing is rejected.
    SequenceRandom even({ top });
    EXPECT_EQ(uniformBelow(even, 8), 7u);
    EXPECT_EQ(even.drawn(), 1u);

    // The largest bound leaves one value over: only the very top is drawn again.
    SequenceRandom huge({ top, top - 1 });
    EXPECT_EQ(uniformBelow(huge, top), top - 1);
    EXPECT_EQ(huge.drawn(), 2u);
}

TEST(RandomSource, UniformBelowKeepsSmallValues)
{
    SequenceRandom random({ 0, 3, 9, 10, 25 });
    EXPECT_EQ(uniformBelow(random, 10), 0u);
    EXPECT_EQ(uniformBelow(random, 10), 3u);
    EXPECT_EQ(uniformBelow(random, 10), 9u);
    // At or above the bound the value wraps.
    EXPECT_EQ(uniformBelow(random, 10), 0u);
    EXPECT_EQ(uniformBelow(random, 10), 5u);
    // A bound of one has only one answer.
    EXPECT_EQ(uniformBelow(random, 1), 0u);
}

TEST(SequenceRandom, CyclesItsValues)
{
    SequenceRandom random({ 4, 1, 7 });
    EXPECT_EQ(random.next(), 4u);
    EXPECT_EQ(random.next(), 1u);
    EXPECT_EQ(random.next(), 7u);
    EXPECT_EQ(random.next(), 4u);
    EXPECT_EQ(random.drawn(), 4u);

    SequenceRandom empty({});
    EXPECT_EQ(empty.next(), 0u);
    EXPECT_EQ(empty.next(), 0u);
    EXPECT_EQ(empty.drawn(), 2u);
}

TEST(SystemRandom, YieldsVariedValuesAcrossRefills)
{
    SystemRandom random;
    std::set<std::uint64_t> seen;
    // Three buffers' worth; 64-bit values from a working source do not repeat here.
    for (int i = 0; i < 96; ++i)
        seen.insert(random.next());
    EXPECT_EQ(seen.size(), 96u);
}
