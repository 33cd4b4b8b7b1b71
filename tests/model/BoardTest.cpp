// SPDX-License-Identifier: GPL-3.0-or-later
// A board's construction, geometry and derived values, and the raw values of its enumerations.
#include "model/Board.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

std::vector<Point> listOf(const Board::Neighbours& neighbours)
{
    return { neighbours.begin(), neighbours.end() };
}

} // namespace

TEST(Board, FreshBoardAndGeometry)
{
    const Board expert = Board::fresh(Difficulty::expert);
    ASSERT_EQ(expert.cells.size(), 480u);
    for (const Cell& cell : expert.cells)
        EXPECT_EQ(cell, Cell {});
    EXPECT_EQ(expert.phase, Board::Phase::ready);
    EXPECT_FALSE(expert.minesLaid);
    EXPECT_EQ(expert.minesLeft(), 99);
    EXPECT_TRUE(expert.isInside(29, 15));
    EXPECT_FALSE(expert.isInside(30, 0));
    EXPECT_FALSE(expert.isInside(0, 16));
    EXPECT_FALSE(expert.isInside(-1, 0));
    EXPECT_FALSE(expert.isInside(std::numeric_limits<std::int64_t>::min(), 0));
    // Columns differ from rows on expert: a swapped index would show here.
    EXPECT_EQ(expert.index(29, 15), 479);
    EXPECT_EQ(expert.index(1, 1), 31);
    EXPECT_EQ(expert.neighbours(29, 7).size(), 5u);

    Board board = Board::fresh(Difficulty::beginner);
    // More flags than mines shows a negative count.
    board.flagCount = 12;
    EXPECT_EQ(board.minesLeft(), -2);
    // One square short, one too many, or the count of another size.
    for (const std::size_t size : { 80, 82, 256 }) {
        board.cells.resize(size);
        EXPECT_FALSE(board.hasConsistentSize()) << size;
    }
}

TEST(Board, NeighboursComeInTheFixedOrder)
{
    const Board beginner = Board::fresh(Difficulty::beginner);
    // Corner: three.
    EXPECT_EQ(
        listOf(beginner.neighbours(8, 8)), (std::vector<Point> { { 7, 7 }, { 8, 7 }, { 7, 8 } }));
    // Edge: five.
    EXPECT_EQ(listOf(beginner.neighbours(4, 0)),
        (std::vector<Point> { { 3, 0 }, { 5, 0 }, { 3, 1 }, { 4, 1 }, { 5, 1 } }));
    // Inside: all eight, row above, then sides, then row below.
    EXPECT_EQ(listOf(beginner.neighbours(4, 4)),
        (std::vector<Point> {
            { 3, 3 }, { 4, 3 }, { 5, 3 }, { 3, 4 }, { 5, 4 }, { 3, 5 }, { 4, 5 }, { 5, 5 } }));
    // Just outside a corner still touches it.
    EXPECT_EQ(listOf(beginner.neighbours(-1, -1)), (std::vector<Point> { { 0, 0 } }));
    // Far away, including the extremes where adding an offset would overflow.
    constexpr auto lowest = std::numeric_limits<std::int64_t>::min();
    constexpr auto highest = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(beginner.neighbours(11, 4).size(), 0u);
    EXPECT_EQ(beginner.neighbours(lowest, lowest).size(), 0u);
    EXPECT_EQ(beginner.neighbours(highest, 0).size(), 0u);
}

TEST(Board, RawValuesAndTitles)
{
    // U+00D7 with a space on each side, not the letter x; columns before rows.
    EXPECT_EQ(summary(Difficulty::expert), "30 \xC3\x97 16, 99 mines");
    EXPECT_EQ(rawValue(Difficulty::intermediate), "intermediate");
    EXPECT_EQ(rawValue(Mark::question), "question");
    EXPECT_EQ(rawValue(Board::Phase::playing), "playing");
    for (const Difficulty difficulty : allDifficulties)
        EXPECT_EQ(difficultyFromRaw(rawValue(difficulty)), difficulty);
    for (const Mark mark : { Mark::none, Mark::flag, Mark::question })
        EXPECT_EQ(markFromRaw(rawValue(mark)), mark);
    for (const Board::Phase phase :
        { Board::Phase::ready, Board::Phase::playing, Board::Phase::won, Board::Phase::lost })
        EXPECT_EQ(phaseFromRaw(rawValue(phase)), phase);
    // Titles, padding, prefixes and a trailing NUL are different strings.
    for (const std::string_view raw : { "Beginner", "", "beginner ", "expe" })
        EXPECT_EQ(difficultyFromRaw(raw), std::nullopt) << raw;
    EXPECT_EQ(difficultyFromRaw(std::string_view("expert\0", 7)), std::nullopt);
    EXPECT_EQ(markFromRaw("Flag"), std::nullopt);
    EXPECT_EQ(phaseFromRaw("Lost"), std::nullopt);
}
