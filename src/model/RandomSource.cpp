// SPDX-License-Identifier: GPL-3.0-or-later
// Unbiased draws below a bound from any source of 64-bit values.
#include "model/RandomSource.h"

#include <cassert>
#include <limits>

std::uint64_t uniformBelow(RandomSource& source, std::uint64_t bound)
{
    assert(bound >= 1 && "a draw needs at least one possible value");
    if (bound <= 1)
        return 0;
    // The 2^64 mod bound values at the top of the range would make the low results more likely
    // than the high ones; drawing again when one comes up leaves a range that is a multiple of
    // bound. Those values all lie above max - bound, so the division that finds them is only
    // needed there.
    constexpr std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
    for (;;) {
        const std::uint64_t x = source.next();
        if (x <= max - bound || x <= max - (0 - bound) % bound)
            return x % bound;
    }
}
