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

[[nodiscard]] std::int64_t columns(Difficulty difficulty);
[[nodiscard]] std::int64_t rows(Difficulty difficulty);
[[nodiscard]] std::int64_t mines(Difficulty difficulty);

/// The stored form: "beginner", "intermediate" or "expert".
[[nodiscard]] std::string_view rawValue(Difficulty difficulty);
/// Accepts exactly the three raw values, case-sensitively.
[[nodiscard]] std::optional<Difficulty> difficultyFromRaw(std::string_view raw);

/// "Beginner", "Intermediate", "Expert".
[[nodiscard]] std::string_view title(Difficulty difficulty);
/// For example "30 × 16, 99 mines" (U+00D7 between the numbers).
[[nodiscard]] std::string summary(Difficulty difficulty);
