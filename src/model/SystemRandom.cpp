// Secure randomness from the kernel, fetched in blocks to keep system calls rare.
#include "model/SystemRandom.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/random.h>

std::uint64_t SystemRandom::next()
{
    if (m_used >= m_buffer.size())
        refill();
    return m_buffer[m_used++];
}

void SystemRandom::refill()
{
    auto* bytes = reinterpret_cast<unsigned char*>(m_buffer.data());
    const std::size_t wanted = sizeof(m_buffer);
    std::size_t filled = 0;
    while (filled < wanted) {
        const ssize_t got = getrandom(bytes + filled, wanted - filled, 0);
        if (got > 0) {
            filled += static_cast<std::size_t>(got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        // Without the kernel's source there is no safe fallback: predictable fields would be
        // worse than stopping, and this only happens on a badly broken system.
        std::fprintf(stderr, "sapperly: cannot read random bytes: %s\n",
            got < 0 ? std::strerror(errno) : "no data");
        std::abort();
    }
    m_used = 0;
}
