// Unbiased draws below a bound from any source of 64-bit values.
#include "model/RandomSource.h"

#include <cassert>
#include <limits>

std::uint64_t uniformBelow(RandomSource& source, std::uint64_t bound)
{
    assert(bound >= 1 && "a draw needs at least one possible value");
    if (bound <= 1)
        return 0;
    // 2^64 mod bound values at the top of the range would make the low results more likely than
    // the high ones; drawing again when one comes up leaves a range that is a multiple of bound.
    const std::uint64_t excess = (std::numeric_limits<std::uint64_t>::max() % bound + 1) % bound;
    const std::uint64_t limit = std::numeric_limits<std::uint64_t>::max() - excess;
    for (;;) {
        const std::uint64_t x = source.next();
        if (x <= limit)
            return x % bound;
    }
}
