// SPDX-License-Identifier: GPL-3.0-or-later
// Wall-clock instants: seconds since 2001-01-01 00:00:00 UTC in a double, the form the stored
// values use.
#pragma once

using Instant = double;

/// Earlier than any real instant (the start of year 1).
inline constexpr Instant distantPast = -63114076800.0;

/// Seconds between the Unix epoch and 2001-01-01 00:00:00 UTC.
inline constexpr double unixToReferenceOffset = 978307200.0;
