// SPDX-License-Identifier: GPL-3.0-or-later
// The source of randomness for mine laying. An interface so that tests can pin the field.
#pragma once

#include <cstdint>

class RandomSource {
public:
    virtual ~RandomSource() = default;
    /// A uniformly distributed 64-bit value.
    virtual std::uint64_t next() = 0;
};

/// A uniform draw from 0 to bound - 1 without modulo bias: values from the uneven top end of
/// the 64-bit range are drawn again. Small values map to themselves, so a fixed sequence of
/// small numbers gives predictable draws in tests. bound must be at least 1.
[[nodiscard]] std::uint64_t uniformBelow(RandomSource& source, std::uint64_t bound);
