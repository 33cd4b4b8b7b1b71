// SPDX-License-Identifier: GPL-3.0-or-later
// The exact odds of a mine under every covered square of a position, over all layouts that
// agree with its numbers and its mine count.
#pragma once

#include "analysis/Position.h"

#include <cstdint>
#include <optional>
#include <vector>

struct Analysis {
    enum class Outcome {
        solved,
        /// A group of squares needed more search than the budget allowed.
        unknown,
        /// No layout agrees with the numbers and the mine count.
        inconsistent,
    };

    Outcome outcome = Outcome::unknown;
    /// Per square, row-major; 0 for uncovered squares. Only filled when solved.
    std::vector<double> mineChance;
    /// Per square: covered, and no agreeing layout has a mine there. Decided exactly, not by
    /// comparing mineChance with 0.
    std::vector<bool> certainlySafe;
};

/// Enough for the tangled positions of a real expert game, and a bound on the time a position
/// can take.
inline constexpr std::int64_t defaultSearchBudget = 1'000'000;

/// The position must hold columns × rows squares.
[[nodiscard]] Analysis analyse(
    const Position& position, std::int64_t searchBudget = defaultSearchBudget);

/// The row-major index of the first certainly safe square, if any.
[[nodiscard]] std::optional<std::int64_t> firstCertainlySafe(const Analysis& analysis);
