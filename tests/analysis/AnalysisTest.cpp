// SPDX-License-Identifier: GPL-3.0-or-later
// The solver: exact agreement with counting every layout of small fields, positions whose
// answer is known by hand, the budget, and reading a board as the player saw it.
#include "analysis/Analysis.h"

#include "TestBoards.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <numeric>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Outcome = Analysis::Outcome;

/// Rows of '.' for covered squares and digits for numbers.
Position positionFrom(const std::vector<std::string>& rows, std::int64_t mines)
{
    Position position { static_cast<std::int64_t>(rows.front().size()),
        static_cast<std::int64_t>(rows.size()), mines, {} };
    for (const std::string& row : rows) {
        for (const char c : row)
            position.squares.push_back(
                c == '.' ? Position::covered : static_cast<std::int8_t>(c - '0'));
    }
    return position;
}

bool isNear(const Position& p, std::int64_t a, std::int64_t b)
{
    return a != b && std::abs(a % p.columns - b % p.columns) <= 1 &&
        std::abs(a / p.columns - b / p.columns) <= 1;
}

/// Mines around square when bit i of layout puts a mine on squares[i].
std::int64_t minesAround(const Position& p, std::uint64_t layout,
    const std::vector<std::int64_t>& squares, std::int64_t square)
{
    std::int64_t count = 0;
    for (std::size_t bit = 0; bit < squares.size(); ++bit)
        count += (layout >> bit & 1u) && isNear(p, squares[bit], square) ? 1 : 0;
    return count;
}

/// Counts every layout: how many agree with the numbers and the mine count, and in how many
/// each square holds a mine.
struct Layouts {
    std::uint64_t total = 0;
    std::vector<std::uint64_t> mined;
};

Layouts bruteForce(const Position& p)
{
    Layouts result { 0, std::vector<std::uint64_t>(p.squares.size(), 0) };
    std::vector<std::int64_t> covered;
    for (std::size_t i = 0; i < p.squares.size(); ++i) {
        if (p.squares[i] == Position::covered)
            covered.push_back(static_cast<std::int64_t>(i));
    }
    for (std::uint64_t layout = 0; layout < (std::uint64_t { 1 } << covered.size()); ++layout) {
        bool agrees = std::popcount(layout) == p.mines;
        for (std::size_t i = 0; agrees && i < p.squares.size(); ++i)
            agrees = p.squares[i] == Position::covered ||
                minesAround(p, layout, covered, static_cast<std::int64_t>(i)) == p.squares[i];
        if (!agrees)
            continue;
        ++result.total;
        for (std::size_t bit = 0; bit < covered.size(); ++bit)
            result.mined[static_cast<std::size_t>(covered[bit])] += layout >> bit & 1u;
    }
    return result;
}

/// A small field with random mines, a random part uncovered showing its true numbers, at most
/// twelve squares covered; now and then a wrong number or a wrong mine count.
Position randomPosition(std::mt19937_64& random)
{
    auto below = [&](std::int64_t n) { return static_cast<std::int64_t>(random() % n); };
    const std::int64_t columns = 1 + below(5), rows = 1 + below(5), cells = columns * rows;
    Position p { columns, rows, below(std::min<std::int64_t>(cells, 10) + 1),
        std::vector<std::int8_t>(static_cast<std::size_t>(cells), Position::covered) };
    std::vector<std::int64_t> everySquare(static_cast<std::size_t>(cells));
    std::iota(everySquare.begin(), everySquare.end(), 0);
    std::vector<std::int64_t> all = everySquare;
    std::shuffle(all.begin(), all.end(), random);
    std::uint64_t layout = 0;
    for (std::int64_t m = 0; m < p.mines; ++m)
        layout |= std::uint64_t { 1 } << all[static_cast<std::size_t>(m)];
    // Squares after the mines in the shuffled order are uncovered: some at random, then as many
    // more as it takes to leave at most twelve covered.
    const std::int64_t revealPercent = below(100);
    std::int64_t coveredCount = cells;
    for (std::size_t k = static_cast<std::size_t>(p.mines); k < all.size(); ++k) {
        if (coveredCount <= 12 && below(100) >= revealPercent)
            continue;
        p.squares[static_cast<std::size_t>(all[k])] =
            static_cast<std::int8_t>(minesAround(p, layout, everySquare, all[k]));
        --coveredCount;
    }
    std::vector<std::size_t> shown;
    for (std::size_t i = 0; i < p.squares.size(); ++i) {
        if (p.squares[i] != Position::covered)
            shown.push_back(i);
    }
    if (!shown.empty() && below(10) == 0)
        p.squares[shown[random() % shown.size()]] = static_cast<std::int8_t>(below(9));
    if (below(10) == 0)
        p.mines = std::max<std::int64_t>(0, p.mines + below(5) - 2);
    return p;
}

TEST(Analysis, AgreesWithEveryLayoutOfSmallFields)
{
    std::mt19937_64 random(20261207);
    int solved = 0;
    for (int round = 0; round < 4000; ++round) {
        const Position p = randomPosition(random);
        const Layouts expected = bruteForce(p);
        const Analysis analysis = analyse(p);
        SCOPED_TRACE(round);
        ASSERT_EQ(analysis.outcome, expected.total > 0 ? Outcome::solved : Outcome::inconsistent);
        if (expected.total == 0)
            continue;
        ++solved;
        for (std::size_t i = 0; i < p.squares.size(); ++i) {
            const double exact = static_cast<double>(expected.mined[i]) / expected.total;
            EXPECT_NEAR(analysis.mineChance[i], exact, 1e-12) << "square " << i;
            EXPECT_EQ(analysis.certainlySafe[i],
                p.squares[i] == Position::covered && expected.mined[i] == 0)
                << "square " << i;
        }
    }
    // The generator must mostly produce positions that have an answer.
    EXPECT_GT(solved, 3000);
}

TEST(Analysis, KnownPositions)
{
    const std::tuple<const char*, std::vector<std::string>, std::int64_t, std::vector<double>>
        cases[] { // The outer squares over a 1-2-1 hold the mines, the middle one is safe.
            { "1-2-1", { "...", "121" }, 2, { 1, 0, 1, 0, 0, 0 } },
            // Two squares that both numbers see, one mine: nothing decides it.
            { "fifty-fifty", { "..", "11" }, 1, { 0.5, 0.5, 0, 0 } },
            // The far square touches no number; only the mine count says it is empty or mined.
            { "count clears an open square", { ".1.." }, 1, { 0.5, 0, 0.5, 0 } },
            { "count mines an open square", { ".1.." }, 2, { 0.5, 0, 0.5, 1 } },
            // One mine in the middle, or one at each end: the count chooses.
            { "count settles the frontier, one mine", { ".1.1." }, 1, { 0, 0, 1, 0, 0 } },
            { "count settles the frontier, two mines", { ".1.1." }, 2, { 1, 0, 0, 0, 1 } },
            // Each way to meet the numbers weighs by the ways to spread the rest over the two open
            // squares: C(2,1) for the middle mine against C(2,0) for the pair.
            { "open squares weigh in", { ".1.1..." }, 2,
                { 1.0 / 3, 0, 2.0 / 3, 0, 1.0 / 3, 1.0 / 3, 1.0 / 3 } }
        };
    for (const auto& [name, rows, mines, chance] : cases) {
        SCOPED_TRACE(name);
        const Analysis analysis = analyse(positionFrom(rows, mines));
        ASSERT_EQ(analysis.outcome, Outcome::solved);
        for (std::size_t i = 0; i < chance.size(); ++i)
            EXPECT_NEAR(analysis.mineChance[i], chance[i], 1e-12) << "square " << i;
    }
    EXPECT_EQ(firstCertainlySafe(analyse(positionFrom({ "...", "121" }, 2))), 1);
    EXPECT_EQ(firstCertainlySafe(analyse(positionFrom({ "..", "11" }, 1))), std::nullopt);
}

TEST(Analysis, RefusesOrGivesUpWhereItMust)
{
    // A number higher than its covered neighbours, and more mines than squares.
    EXPECT_EQ(analyse(positionFrom({ "..3" }, 2)).outcome, Outcome::inconsistent);
    EXPECT_EQ(analyse(positionFrom({ "..", "11" }, 5)).outcome, Outcome::inconsistent);
    // Out of budget even for a tiny position.
    EXPECT_EQ(analyse(positionFrom({ "...", "121" }, 2), 1).outcome, Outcome::unknown);

    // A lattice of numbers over a large field ties every covered square into one group far
    // beyond any budget.
    std::mt19937_64 random(7);
    Position lattice { 40, 40, 0, std::vector<std::int8_t>(1600, Position::covered) };
    const auto numbered = [](std::int64_t i) { return i % 40 % 2 == 0 && i / 40 % 2 == 0; };
    std::vector<bool> mine(1600);
    for (std::int64_t i = 0; i < 1600; ++i)
        lattice.mines += (mine[static_cast<std::size_t>(i)] = !numbered(i) && random() % 5 == 0);
    for (std::int64_t i = 0; i < 1600; ++i) {
        std::int8_t around = 0;
        for (std::int64_t j = 0; numbered(i) && j < 1600; ++j)
            around += mine[static_cast<std::size_t>(j)] && isNear(lattice, i, j) ? 1 : 0;
        if (numbered(i))
            lattice.squares[static_cast<std::size_t>(i)] = around;
    }
    EXPECT_EQ(analyse(lattice).outcome, Outcome::unknown);

    // Counts far beyond a double's range: C(40000, 8000) layouts of an untouched field.
    const Analysis vast = analyse(Position { 200, 200, 8000, std::vector<std::int8_t>(40000, -1) });
    ASSERT_EQ(vast.outcome, Outcome::solved);
    EXPECT_NEAR(vast.mineChance[12345], 0.2, 1e-12);
}

TEST(Analysis, ReadsTheBoardAsThePlayerSawIt)
{
    Board board = boardWithMines(Difficulty::beginner, { { 0, 0 }, { 8, 8 } });
    Mt64Random random(1);
    ASSERT_TRUE(board.reveal(4, 4, random));
    const std::optional<Position> seen = visiblePosition(board);
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->mines, 10);
    EXPECT_EQ(seen->squares[0], Position::covered);
    EXPECT_EQ(seen->squares[10], 1);
    // Marks are opinions and change nothing.
    ASSERT_TRUE(board.toggleMark(0, 0));
    EXPECT_EQ(visiblePosition(board), seen);
    // An uncovered mine or a malformed board is no position before a loss.
    Board shown = board;
    shown.cells[0].isRevealed = true;
    EXPECT_EQ(visiblePosition(shown), std::nullopt);
    shown.cells.pop_back();
    EXPECT_EQ(visiblePosition(shown), std::nullopt);
}

} // namespace
