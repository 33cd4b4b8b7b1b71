// SPDX-License-Identifier: GPL-3.0-or-later
// Boards laid out by hand, and the promise every statistics change keeps.
#pragma once

#include "model/Board.h"
#include "model/RandomSource.h"
#include "model/Record.h"

#include <random>
#include <vector>

/// A seeded Mersenne Twister behind the RandomSource interface, so random tests replay exactly.
class Mt64Random final : public RandomSource {
public:
    explicit Mt64Random(std::uint64_t seed)
        : m_engine(seed)
    {
    }
    std::uint64_t next() override { return m_engine(); }

private:
    std::mt19937_64 m_engine;
};

/// A playing board with mines exactly at the given squares and every count filled in.
[[nodiscard]] Board boardWithMines(Difficulty difficulty, const std::vector<Point>& mines);
/// Uncover or flag squares by hand, keeping revealedCount and flagCount in step.
void uncover(Board& board, const std::vector<Point>& squares);
void flag(Board& board, const std::vector<Point>& squares);
/// A beginner board in play with one flag at x on the top row, to tell games apart.
[[nodiscard]] Board flaggedBoard(std::int64_t x);
/// A beginner board in play with its mines along the top row and at (0, 1), the rest uncovered
/// except (8, 8): revealing (8, 8) wins and revealing (0, 0) loses.
[[nodiscard]] Board nearlyWonBoard();
/// Ten beginner mines: eight in the bottom-right corner and two on the top row around (1, 0),
/// so (1, 1) shows 2 and (1, 0) is the one safe square no zero touches.
[[nodiscard]] Board chordBoard();
/// Whether now keeps everything before held: no size lost, no count lower, no best slower.
[[nodiscard]] bool grewFrom(const Records& now, const Records& before);
