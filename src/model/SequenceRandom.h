// SPDX-License-Identifier: GPL-3.0-or-later
// A generator that yields a fixed list of values over and over, for exact tests.
#pragma once

#include "model/RandomSource.h"

#include <cstddef>
#include <vector>

class SequenceRandom final : public RandomSource {
public:
    /// An empty list yields zeros.
    explicit SequenceRandom(std::vector<std::uint64_t> values);
    std::uint64_t next() override;

    /// How many values were drawn so far.
    [[nodiscard]] std::size_t drawn() const { return m_drawn; }

private:
    std::vector<std::uint64_t> m_values;
    std::size_t m_drawn = 0;
};
