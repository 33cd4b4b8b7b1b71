// SPDX-License-Identifier: GPL-3.0-or-later
// The solver against every layout of small fields and on a vast one, its refusals and budget, and
// the board as the player saw it.
#include "analysis/Analysis.h"

#include "TestBoards.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <numeric>

namespace {

using Outcome = Analysis::Outcome;

bool near(std::int64_t columns, std::int64_t a, std::int64_t b)
{
    return a != b && std::abs(a % columns - b % columns) <= 1 &&
        std::abs(a / columns - b / columns) <= 1;
}

/// A field with a mine where mined is set, showing its true number where shown is set.
Position field(std::int64_t columns, const std::vector<bool>& mined, const std::vector<bool>& shown)
{
    const auto size = std::ssize(mined);
    Position p { columns, size / columns, std::count(mined.begin(), mined.end(), true), {} };
    for (std::int64_t i = 0; i < size; ++i) {
        std::int8_t around = 0;
        for (std::int64_t j = 0; shown[std::size_t(i)] && j < size; ++j)
            around += mined[std::size_t(j)] && near(columns, i, j);
        p.squares.push_back(shown[std::size_t(i)] ? around : Position::covered);
    }
    return p;
}

/// Rows of '.' for covered squares and digits for numbers.
Position position(const std::vector<std::string>& rows, std::int64_t mines)
{
    Position p { std::ssize(rows[0]), std::ssize(rows), mines, {} };
    for (const char c : std::accumulate(rows.begin(), rows.end(), std::string()))
        p.squares.push_back(c == '.' ? Position::covered : std::int8_t(c - '0'));
    return p;
}

} // namespace

TEST(Analysis, AgreesWithEveryLayoutOfSmallFields)
{
    std::mt19937_64 random(20261207);
    const auto below = [&random](auto n) { return std::int64_t(random() % std::uint64_t(n)); };
    for (int round = 0; round < 4000; ++round) {
        // Up to 5 × 5 squares from a random start, each mined or open at this round's odds, until
        // twelve are covered; now and then a wrong number or mine count.
        const std::int64_t columns = 1 + below(5), size = columns * (1 + below(5)),
                           start = below(size), mineOdds = below(60), openOdds = below(100);
        std::vector<bool> mined(std::size_t(size), false), shown(mined);
        std::vector<std::int64_t> covered;
        for (std::int64_t k = 0; k < size; ++k) {
            const auto i = std::size_t((start + k) % size);
            mined[i] = covered.size() < 12 && below(100) < mineOdds;
            shown[i] = !mined[i] && (covered.size() >= 12 || below(100) < openOdds);
            if (!shown[i])
                covered.push_back(std::int64_t(i));
        }
        Position p = field(columns, mined, shown);
        if (const auto k = std::size_t(below(size)); shown[k] && below(10) == 0)
            p.squares[k] = std::int8_t(below(9));
        if (below(10) == 0)
            p.mines = std::max<std::int64_t>(0, p.mines + below(5) - 2);
        // Every layout under the covered squares that shows the same numbers and count, and in
        // how many of them each square holds a mine.
        std::uint64_t layouts = 0;
        std::vector<std::uint64_t> mineIn(std::size_t(size), 0);
        for (std::uint64_t layout = 0; layout >> covered.size() == 0; ++layout) {
            bool agrees = std::popcount(layout) == p.mines;
            for (std::int64_t i = 0; agrees && i < size; ++i) {
                std::int64_t around = 0;
                for (std::size_t bit = 0; bit < covered.size(); ++bit)
                    around += (layout >> bit & 1) && near(columns, covered[bit], i);
                const std::int8_t shows = p.squares[std::size_t(i)];
                agrees = shows == Position::covered || around == shows;
            }
            for (std::size_t bit = 0; agrees && bit < covered.size(); ++bit)
                mineIn[std::size_t(covered[bit])] += layout >> bit & 1;
            layouts += agrees;
        }
        const Analysis analysis = analyse(p);
        ASSERT_EQ(analysis.outcome, layouts ? Outcome::solved : Outcome::inconsistent) << round;
        for (std::size_t i = 0; layouts > 0 && i < p.squares.size(); ++i) {
            EXPECT_NEAR(analysis.mineChance[i], double(mineIn[i]) / double(layouts), 1e-12) << i;
            EXPECT_EQ(analysis.certainlySafe[i], p.squares[i] == Position::covered && !mineIn[i]);
        }
    }
}

TEST(Analysis, VastFieldsRefusalsAndBudget)
{
    // Counts far beyond a double's range: C(40000, 8000) layouts of an untouched field.
    const Analysis vast = analyse(position(std::vector(200, std::string(200, '.')), 8000));
    EXPECT_TRUE(vast.outcome == Outcome::solved && std::abs(vast.mineChance[0] - 0.2) < 1e-12);
    EXPECT_EQ(firstCertainlySafe(analyse(position({ "...", "121" }, 2))), 1);
    EXPECT_EQ(firstCertainlySafe(analyse(position({ "..", "11" }, 1))), std::nullopt);
    // A number higher than its covered neighbours, and more mines than squares.
    EXPECT_EQ(analyse(position({ "..3" }, 2)).outcome, Outcome::inconsistent);
    EXPECT_EQ(analyse(position({ "..", "11" }, 5)).outcome, Outcome::inconsistent);
    // Out of budget even for a tiny position; and a lattice of numbers over a large field ties
    // every covered square into one group far beyond the default budget.
    EXPECT_EQ(analyse(position({ "...", "121" }, 2), 1).outcome, Outcome::unknown);
    std::mt19937_64 random(7);
    std::vector<bool> mined(1600), numbered(1600);
    for (std::size_t i = 0; i < 1600; ++i) {
        numbered[i] = i % 40 % 2 == 0 && i / 40 % 2 == 0;
        mined[i] = !numbered[i] && random() % 5 == 0;
    }
    EXPECT_EQ(analyse(field(40, mined, numbered)).outcome, Outcome::unknown);
}

TEST(Analysis, ReadsTheBoardAsThePlayerSawIt)
{
    Board board = boardWithMines(Difficulty::beginner, { { 0, 0 }, { 8, 8 } });
    Mt64Random random(1);
    ASSERT_TRUE(board.reveal(4, 4, random) && board.toggleMark(0, 0));
    // Marks are opinions and change nothing; an uncovered mine or a malformed board before a
    // loss is no position.
    const std::optional<Position> seen = visiblePosition(board);
    ASSERT_TRUE(seen && seen->mines == 10 && seen->squares[0] == Position::covered);
    EXPECT_EQ(seen->squares[10], 1);
    board.cells[0].isRevealed = true;
    EXPECT_EQ(visiblePosition(board), std::nullopt);
    board.cells[0].isRevealed = false, board.cells.pop_back();
    EXPECT_EQ(visiblePosition(board), std::nullopt);
}
