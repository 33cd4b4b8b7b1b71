// Randomness from the operating system's secure source (getrandom), read in blocks.
#pragma once

#include "model/RandomSource.h"

#include <array>
#include <cstddef>

class SystemRandom final : public RandomSource {
public:
    std::uint64_t next() override;

private:
    void refill();

    // One expert field draws about 470 values; a block that size keeps it to one system call.
    std::array<std::uint64_t, 512> m_buffer {};
    std::size_t m_used = m_buffer.size();
};
