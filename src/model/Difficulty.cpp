// The size table behind Difficulty and the names derived from it.
#include "model/Difficulty.h"

namespace {

struct Preset {
    std::int64_t columns;
    std::int64_t rows;
    std::int64_t mines;
    std::string_view raw;
    std::string_view title;
};

constexpr std::array<Preset, 3> presets {
    Preset { 9, 9, 10, "beginner", "Beginner" },
    Preset { 16, 16, 40, "intermediate", "Intermediate" },
    Preset { 30, 16, 99, "expert", "Expert" },
};

const Preset& preset(Difficulty difficulty)
{
    return presets[static_cast<std::size_t>(difficulty)];
}

} // namespace

std::int64_t columns(Difficulty difficulty)
{
    return preset(difficulty).columns;
}

std::int64_t rows(Difficulty difficulty)
{
    return preset(difficulty).rows;
}

std::int64_t mines(Difficulty difficulty)
{
    return preset(difficulty).mines;
}

std::string_view rawValue(Difficulty difficulty)
{
    return preset(difficulty).raw;
}

std::optional<Difficulty> difficultyFromRaw(std::string_view raw)
{
    for (const Difficulty difficulty : allDifficulties) {
        if (preset(difficulty).raw == raw)
            return difficulty;
    }
    return std::nullopt;
}

std::string_view title(Difficulty difficulty)
{
    return preset(difficulty).title;
}

std::string summary(Difficulty difficulty)
{
    const Preset& p = preset(difficulty);
    // U+00D7 MULTIPLICATION SIGN, spelled as UTF-8 bytes so the source encoding cannot matter.
    return std::to_string(p.columns) + " \xC3\x97 " + std::to_string(p.rows) + ", " +
        std::to_string(p.mines) + " mines";
}
