// SPDX-License-Identifier: GPL-3.0-or-later
// Randomness from the operating system's secure source (getrandom), read in blocks.
#pragma once

#include "model/RandomSource.h"

#include <array>
#include <cstddef>
#include <sys/types.h>

class SystemRandom final : public RandomSource {
public:
    /// The shape of getrandom(2); tests hand in one that fails.
    using Getrandom = ssize_t (*)(void* buffer, std::size_t length, unsigned flags);

    /// When getrandom fails (an old kernel, or a sandbox that answers ENOSYS or EPERM), the
    /// bytes come from fallbackDevice instead, and failing that from the clock, with a warning:
    /// a game with a guessable field is better than no game.
    explicit SystemRandom(
        Getrandom getrandom = nullptr, const char* fallbackDevice = "/dev/urandom");

    std::uint64_t next() override;

private:
    void refill();
    [[nodiscard]] bool fillFromKernel();
    [[nodiscard]] bool fillFromDevice();
    void fillFromClock();

    Getrandom m_getrandom;
    const char* m_fallbackDevice;
    // One expert field draws about 470 values; a block that size keeps it to one system call.
    std::array<std::uint64_t, 512> m_buffer {};
    std::size_t m_used = m_buffer.size();
    bool m_warned = false;
};
