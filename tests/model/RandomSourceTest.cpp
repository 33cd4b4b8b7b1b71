// SPDX-License-Identifier: GPL-3.0-or-later
// Unbiased draws, the fixed sequence used by tests and the system source.
#include "model/RandomSource.h"

#include "model/SequenceRandom.h"
#include "model/SystemRandom.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <limits>
#include <set>
#include <vector>

TEST(RandomSource, UniformBelowRejectsTheUnevenTopOfTheRange)
{
    constexpr std::uint64_t top = std::numeric_limits<std::uint64_t>::max();
    struct Row {
        std::vector<std::uint64_t> draws;
        std::uint64_t bound;
        std::uint64_t result;
        std::size_t drawn;
    };
    const Row rows[] = { // 2^64 mod 10 = 6: the six highest values are drawn again.
        { { top, 5 }, 10, 5, 2 },
        // The first rejected value, then the highest accepted one, which maps to bound - 1.
        { { top - 5, top - 6 }, 10, 9, 2 },
        // Below the limit a value wraps.
        { { 25 }, 10, 5, 1 },
        // A power of two divides 2^64: nothing is rejected.
        { { top }, 8, 7, 1 },
        // The largest bound leaves one value over: only the very top is drawn again.
        { { top, top - 1 }, top, top - 1, 2 },
        // A bound of one has only one answer and draws nothing.
        { { 7 }, 1, 0, 0 }
    };
    for (const Row& row : rows) {
        SequenceRandom random(row.draws);
        EXPECT_EQ(uniformBelow(random, row.bound), row.result) << row.draws[0];
        EXPECT_EQ(random.drawn(), row.drawn) << row.draws[0];
    }
}

TEST(SequenceRandom, CyclesItsValues)
{
    SequenceRandom random({ 4, 1 });
    EXPECT_EQ((std::vector { random.next(), random.next(), random.next() }),
        (std::vector<std::uint64_t> { 4, 1, 4 }));
    EXPECT_EQ(random.drawn(), 3u);
    // An empty sequence gives zeros rather than reading past its end.
    SequenceRandom empty({});
    EXPECT_EQ(empty.next() | empty.next(), 0u);
}

TEST(SystemRandom, FallsBackInsteadOfStopping)
{
    // A kernel without getrandom, or a sandbox that forbids it; then no device either.
    const auto refused = [](void*, std::size_t, unsigned) -> ssize_t {
        errno = ENOSYS;
        return -1;
    };
    SystemRandom working;
    SystemRandom device(refused);
    SystemRandom clock(refused, "/nonexistent/urandom");
    for (SystemRandom* random : { &working, &device, &clock }) {
        std::set<std::uint64_t> seen;
        // Past one buffer's worth; 64-bit values from any of the sources do not repeat here.
        for (int i = 0; i < 600; ++i)
            seen.insert(random->next());
        EXPECT_EQ(seen.size(), 600u);
    }
}
