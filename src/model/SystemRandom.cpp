// SPDX-License-Identifier: GPL-3.0-or-later
// Secure randomness from the kernel, fetched in blocks to keep system calls rare.
#include "model/SystemRandom.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

namespace {

ssize_t systemGetrandom(void* buffer, std::size_t length, unsigned flags)
{
    return ::getrandom(buffer, length, flags);
}

/// Reads until length bytes arrived; false on an error or a source that runs dry.
template <typename Read> bool fillWith(unsigned char* bytes, std::size_t length, Read read)
{
    std::size_t filled = 0;
    while (filled < length) {
        const ssize_t got = read(bytes + filled, length - filled);
        if (got > 0)
            filled += static_cast<std::size_t>(got);
        else if (got == 0 || errno != EINTR)
            return false;
    }
    return true;
}

} // namespace

SystemRandom::SystemRandom(Getrandom getrandom, const char* fallbackDevice)
    : m_getrandom(getrandom ? getrandom : systemGetrandom)
    , m_fallbackDevice(fallbackDevice)
{
}

std::uint64_t SystemRandom::next()
{
    if (m_used >= m_buffer.size())
        refill();
    return m_buffer[m_used++];
}

void SystemRandom::refill()
{
    m_used = 0;
    if (fillFromKernel() || fillFromDevice())
        return;
    if (!m_warned) {
        std::fprintf(stderr,
            "sapperly: no secure random source (%s); fields are drawn from the clock.\n",
            std::strerror(errno));
        m_warned = true;
    }
    fillFromClock();
}

bool SystemRandom::fillFromKernel()
{
    return fillWith(reinterpret_cast<unsigned char*>(m_buffer.data()), sizeof(m_buffer),
        [this](unsigned char* at, std::size_t length) { return m_getrandom(at, length, 0); });
}

bool SystemRandom::fillFromDevice()
{
    const int fd = ::open(m_fallbackDevice, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool filled =
        fillWith(reinterpret_cast<unsigned char*>(m_buffer.data()), sizeof(m_buffer),
            [fd](unsigned char* at, std::size_t length) { return ::read(fd, at, length); });
    ::close(fd);
    return filled;
}

void SystemRandom::fillFromClock()
{
    // splitmix64 over the clock and this object's address: not secret, but every value differs.
    static std::uint64_t state = 0;
    state +=
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        reinterpret_cast<std::uintptr_t>(this);
    for (std::uint64_t& value : m_buffer) {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        value = z ^ (z >> 31);
    }
}
