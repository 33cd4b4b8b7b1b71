// A board's construction, geometry and derived values.
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

TEST(Board, FreshBoardIsReadyAndEmpty)
{
    const Board board = Board::fresh(Difficulty::expert);
    ASSERT_EQ(board.cells.size(), 480u);
    for (const Cell& cell : board.cells)
        EXPECT_EQ(cell, Cell {});
    EXPECT_EQ(board.phase, Board::Phase::ready);
    EXPECT_FALSE(board.minesLaid);
    EXPECT_EQ(board.minesLeft(), 99);
}

TEST(Board, InsideAndIndexAtTheBoundaries)
{
    const Board expert = Board::fresh(Difficulty::expert);
    EXPECT_TRUE(expert.isInside(0, 0));
    EXPECT_TRUE(expert.isInside(29, 15));
    EXPECT_FALSE(expert.isInside(30, 0));
    EXPECT_FALSE(expert.isInside(0, 16));
    EXPECT_FALSE(expert.isInside(-1, 0));
    EXPECT_FALSE(expert.isInside(0, -1));
    EXPECT_FALSE(expert.isInside(std::numeric_limits<std::int64_t>::min(), 0));
    // Columns differ from rows on expert: a swapped index would show here.
    EXPECT_EQ(expert.index(29, 15), 479);
    EXPECT_EQ(expert.index(1, 1), 31);
    EXPECT_FALSE(expert.isInside(3, 20));
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
    EXPECT_EQ(beginner.neighbours(11, 4).size(), 0u);
    constexpr auto lowest = std::numeric_limits<std::int64_t>::min();
    constexpr auto highest = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(beginner.neighbours(lowest, lowest).size(), 0u);
    EXPECT_EQ(beginner.neighbours(highest, 0).size(), 0u);
    // The right edge of a board wider than tall.
    EXPECT_EQ(Board::fresh(Difficulty::expert).neighbours(29, 7).size(), 5u);
}

TEST(Board, DerivedValues)
{
    Board board = Board::fresh(Difficulty::beginner);
    // More flags than mines shows a negative count.
    board.flagCount = 12;
    EXPECT_EQ(board.minesLeft(), -2);
    // One square short, one too many, or the count of another size.
    board.cells.pop_back();
    EXPECT_FALSE(board.hasConsistentSize());
    board.cells.resize(82);
    EXPECT_FALSE(board.hasConsistentSize());
    board.cells.resize(256);
    EXPECT_FALSE(board.hasConsistentSize());
}
