// SPDX-License-Identifier: GPL-3.0-or-later
// The whole state of one game's field and the rules that change it. A plain value: copying a
// board copies every square.
#pragma once

#include "model/Cell.h"
#include "model/Difficulty.h"
#include "model/Point.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

class RandomSource;

struct Board {
    enum class Phase { ready, playing, won, lost };

    /// At most eight neighbours, kept on the stack: the rules ask for them in hot loops.
    struct Neighbours {
        std::array<Point, 8> points {};
        std::size_t count = 0;

        [[nodiscard]] const Point* begin() const { return points.data(); }
        [[nodiscard]] const Point* end() const { return points.data() + count; }
        [[nodiscard]] std::size_t size() const { return count; }
        [[nodiscard]] const Point& operator[](std::size_t i) const { return points[i]; }
    };

    Difficulty difficulty = Difficulty::beginner;
    /// Row-major: the square at (x, y) is cells[y * columns + x].
    std::vector<Cell> cells;
    Phase phase = Phase::ready;
    bool minesLaid = false;
    std::int64_t revealedCount = 0;
    std::int64_t flagCount = 0;
    /// The square whose mine ended the game; present only after a loss.
    std::optional<Point> exploded;

    /// A ready board of the given size: every square covered, unmarked and free of mines.
    [[nodiscard]] static Board fresh(Difficulty difficulty);

    friend bool operator==(const Board&, const Board&) = default;

    // Geometry.
    [[nodiscard]] std::int64_t columns() const { return ::columns(difficulty); }
    [[nodiscard]] std::int64_t rows() const { return ::rows(difficulty); }
    [[nodiscard]] bool isInside(std::int64_t x, std::int64_t y) const;
    /// Only meaningful for points inside the board.
    [[nodiscard]] std::int64_t index(std::int64_t x, std::int64_t y) const
    {
        return y * columns() + x;
    }
    /// The squares around (x, y) inside the board, in the fixed order the rules visit them:
    /// the row above left to right, then left and right, then the row below left to right.
    [[nodiscard]] Neighbours neighbours(std::int64_t x, std::int64_t y) const;
    [[nodiscard]] const Cell& cellAt(std::int64_t x, std::int64_t y) const
    {
        return cells[static_cast<std::size_t>(index(x, y))];
    }

    // Derived values.
    [[nodiscard]] bool isOver() const { return phase == Phase::won || phase == Phase::lost; }
    /// Negative when more squares carry a flag than the board has mines.
    [[nodiscard]] std::int64_t minesLeft() const { return mines(difficulty) - flagCount; }
    /// True when cells holds exactly columns × rows squares, which the rules rely on.
    [[nodiscard]] bool hasConsistentSize() const;
    /// True when some sequence of the rules, from a fresh board, could have produced this one:
    /// its counters, numbers, mines and phase all agree with its squares. A stored board that
    /// is not reachable came from a faulty or hostile writer and is refused on read.
    [[nodiscard]] bool isReachable() const;

    // The rules. Each returns false, leaving the board exactly as it was, when it refuses.
    /// Uncovers a square; the first uncovering of a board lays the mines away from it.
    bool reveal(std::int64_t x, std::int64_t y, RandomSource& random);
    /// Uncovers the unflagged neighbours of an uncovered number whose flags are complete.
    bool chord(std::int64_t x, std::int64_t y, RandomSource& random);
    /// Cycles a covered square's mark: none → flag → question → none.
    bool toggleMark(std::int64_t x, std::int64_t y);

private:
    Cell& mutableCellAt(std::int64_t x, std::int64_t y)
    {
        return cells[static_cast<std::size_t>(index(x, y))];
    }
    void layMines(std::int64_t x, std::int64_t y, RandomSource& random);
    void floodReveal(std::int64_t x, std::int64_t y);
    void explode(std::int64_t x, std::int64_t y);
    void checkForWin();
};

// Defined here so that the rules' hot loops can inline it.
inline Board::Neighbours Board::neighbours(std::int64_t x, std::int64_t y) const
{
    const std::int64_t width = columns();
    const std::int64_t height = rows();
    Neighbours result;
    // A point further out than one square has no neighbours inside, and returning early keeps
    // x + dx from overflowing for extreme coordinates.
    if (x < -1 || y < -1 || x > width || y > height)
        return result;
    // Row above, then the two sides, then row below, each left to right: the order the rules
    // visit squares in.
    for (std::int64_t dy = -1; dy <= 1; ++dy) {
        const std::int64_t ny = y + dy;
        if (ny < 0 || ny >= height)
            continue;
        for (std::int64_t dx = -1; dx <= 1; ++dx) {
            const std::int64_t nx = x + dx;
            if ((dx != 0 || dy != 0) && nx >= 0 && nx < width)
                result.points[result.count++] = Point { nx, ny };
        }
    }
    return result;
}

/// The stored form: "ready", "playing", "won" or "lost".
[[nodiscard]] std::string_view rawValue(Board::Phase phase);
[[nodiscard]] std::optional<Board::Phase> phaseFromRaw(std::string_view raw);
