// SPDX-License-Identifier: GPL-3.0-or-later
// What a player could see of a field: the uncovered numbers, which squares are still covered,
// and how many mines the field holds. Marks are left out on purpose: a flag is the player's
// opinion, not knowledge. Any size, so that small fields can be checked against every layout.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

struct Board;

struct Position {
    static constexpr std::int8_t covered = -1;

    std::int64_t columns = 0;
    std::int64_t rows = 0;
    std::int64_t mines = 0;
    /// Row-major: covered, or the number 0–8 an uncovered square shows.
    std::vector<std::int8_t> squares;

    friend bool operator==(const Position&, const Position&) = default;
};

/// The position a player saw on the board. std::nullopt when the board is malformed or shows
/// an uncovered mine, which no position before a loss does.
[[nodiscard]] std::optional<Position> visiblePosition(const Board& board);
