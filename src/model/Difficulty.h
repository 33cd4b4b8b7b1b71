// SPDX-License-Identifier: GPL-3.0-or-later
// The three board sizes and everything that follows from them: dimensions, mine count and
// the names the menus show.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class Difficulty { beginner, intermediate, expert };

/// The three sizes in the order every list shows them.
inline constexpr std::array<Difficulty, 3> allDifficulties {
    Difficulty::beginner,
    Difficulty::intermediate,
    Difficulty::expert,
};

// Defined here so that the board's geometry, which asks for them on every square it touches,
// compiles down to constants.
[[nodiscard]] constexpr std::int64_t columns(Difficulty difficulty)
{
    return difficulty == Difficulty::beginner    ? 9
        : difficulty == Difficulty::intermediate ? 16
                                                 : 30;
}
[[nodiscard]] constexpr std::int64_t rows(Difficulty difficulty)
{
    return difficulty == Difficulty::beginner ? 9 : 16;
}
[[nodiscard]] constexpr std::int64_t mines(Difficulty difficulty)
{
    return difficulty == Difficulty::beginner    ? 10
        : difficulty == Difficulty::intermediate ? 40
                                                 : 99;
}

/// The stored form: "beginner", "intermediate" or "expert".
[[nodiscard]] std::string_view rawValue(Difficulty difficulty);
/// Accepts exactly the three raw values, case-sensitively.
[[nodiscard]] std::optional<Difficulty> difficultyFromRaw(std::string_view raw);

/// "Beginner", "Intermediate", "Expert".
[[nodiscard]] std::string_view title(Difficulty difficulty);
/// For example "30 × 16, 99 mines" (U+00D7 between the numbers).
[[nodiscard]] std::string summary(Difficulty difficulty);
