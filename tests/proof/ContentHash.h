// SPDX-License-Identifier: GPL-3.0-or-later
// A cheap, stable fingerprint of a stored value, shared by the crash child (which reports what it
// saved) and the test (which compares it with what survived the kill).
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

/// 64-bit FNV-1a of the bytes, as 16 hex digits.
inline QString contentHash(const QByteArray& bytes)
{
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char byte : bytes) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 1099511628211ULL;
    }
    return QStringLiteral("%1").arg(hash, 16, 16, QLatin1Char('0'));
}
