// SPDX-License-Identifier: GPL-3.0-or-later
// Per-size statistics and the rule that merges two machines' views of them.
#pragma once

#include "model/Difficulty.h"

#include <cstdint>
#include <map>
#include <optional>

struct Record {
    std::int64_t played = 0;
    std::int64_t won = 0;
    /// Shortest winning time in whole seconds; absent until the first win.
    std::optional<std::int64_t> bestSeconds;

    friend bool operator==(const Record&, const Record&) = default;
};

/// No machine plays a billion games; a count beyond this came from a faulty or hostile writer.
inline constexpr std::int64_t recordCountLimit = 1'000'000'000;

/// Whether a game could have produced the record: 0 ≤ won ≤ played ≤ recordCountLimit, and a
/// best time, when present, of at least one second.
[[nodiscard]] bool isPlausible(const Record& record);

/// A size without an entry counts as the default record.
using Records = std::map<Difficulty, Record>;

/// The record kept for a size, or the default record when there is none.
[[nodiscard]] Record recordOf(const Records& records, Difficulty difficulty);

/// The larger counts and the smaller best time: symmetric, and idempotent.
[[nodiscard]] Record mergeRecord(const Record& a, const Record& b);
/// Sizes present in one map keep their record; sizes in both get mergeRecord of the two.
[[nodiscard]] Records mergeRecords(const Records& a, const Records& b);
