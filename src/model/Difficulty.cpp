// SPDX-License-Identifier: GPL-3.0-or-later
// The names of the board sizes and the summary line the menus show.
#include "model/Difficulty.h"

namespace {

struct Names {
    std::string_view raw;
    std::string_view title;
};

constexpr std::array<Names, 3> names {
    Names { "beginner", "Beginner" },
    Names { "intermediate", "Intermediate" },
    Names { "expert", "Expert" },
};

const Names& namesOf(Difficulty difficulty)
{
    return names[static_cast<std::size_t>(difficulty)];
}

} // namespace

std::string_view rawValue(Difficulty difficulty)
{
    return namesOf(difficulty).raw;
}

std::optional<Difficulty> difficultyFromRaw(std::string_view raw)
{
    for (const Difficulty difficulty : allDifficulties) {
        if (namesOf(difficulty).raw == raw)
            return difficulty;
    }
    return std::nullopt;
}

std::string_view title(Difficulty difficulty)
{
    return namesOf(difficulty).title;
}

std::string summary(Difficulty difficulty)
{
    // U+00D7 MULTIPLICATION SIGN, spelled as UTF-8 bytes so the source encoding cannot matter.
    return std::to_string(columns(difficulty)) + " \xC3\x97 " + std::to_string(rows(difficulty)) +
        ", " + std::to_string(mines(difficulty)) + " mines";
}
