// SPDX-License-Identifier: GPL-3.0-or-later
// A fixed, repeating list of values standing in for randomness in tests.
#include "model/SequenceRandom.h"

#include <utility>

SequenceRandom::SequenceRandom(std::vector<std::uint64_t> values)
    : m_values(std::move(values))
{
}

std::uint64_t SequenceRandom::next()
{
    const std::size_t position = m_drawn++;
    if (m_values.empty())
        return 0;
    return m_values[position % m_values.size()];
}
