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
    const Board board = Board::fresh(Difficulty::intermediate);
    EXPECT_EQ(board.difficulty, Difficulty::intermediate);
    ASSERT_EQ(board.cells.size(), 256u);
    for (const Cell& cell : board.cells)
        EXPECT_EQ(cell, Cell {});
    EXPECT_EQ(board.phase, Board::Phase::ready);
    EXPECT_FALSE(board.minesLaid);
    EXPECT_EQ(board.revealedCount, 0);
    EXPECT_EQ(board.flagCount, 0);
    EXPECT_FALSE(board.exploded);
    EXPECT_FALSE(board.isOver());
    EXPECT_EQ(board.minesLeft(), 40);
    EXPECT_TRUE(board.hasConsistentSize());
    EXPECT_EQ(Board::fresh(Difficulty::beginner).cells.size(), 81u);
    EXPECT_EQ(Board::fresh(Difficulty::expert).cells.size(), 480u);
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
    EXPECT_EQ(expert.index(29, 15), 479);
    EXPECT_EQ(expert.index(1, 1), 31);
    // Columns differ from rows on expert: a swapped index would show here.
    EXPECT_TRUE(expert.isInside(20, 3));
    EXPECT_FALSE(expert.isInside(3, 20));
}

TEST(Board, NeighboursComeInTheFixedOrder)
{
    const Board beginner = Board::fresh(Difficulty::beginner);
    // Corner: three neighbours.
    EXPECT_EQ(
        listOf(beginner.neighbours(0, 0)), (std::vector<Point> { { 1, 0 }, { 0, 1 }, { 1, 1 } }));
    EXPECT_EQ(
        listOf(beginner.neighbours(8, 8)), (std::vector<Point> { { 7, 7 }, { 8, 7 }, { 7, 8 } }));
    // Edge: five.
    EXPECT_EQ(listOf(beginner.neighbours(4, 0)),
        (std::vector<Point> { { 3, 0 }, { 5, 0 }, { 3, 1 }, { 4, 1 }, { 5, 1 } }));
    // Inside: all eight, row above, then sides, then row below.
    EXPECT_EQ(listOf(beginner.neighbours(4, 4)),
        (std::vector<Point> {
            { 3, 3 }, { 4, 3 }, { 5, 3 }, { 3, 4 }, { 5, 4 }, { 3, 5 }, { 4, 5 }, { 5, 5 } }));
    const Board expert = Board::fresh(Difficulty::expert);
    EXPECT_EQ(expert.neighbours(29, 0).size(), 3u);
    EXPECT_EQ(expert.neighbours(29, 7).size(), 5u);
    EXPECT_EQ(expert.neighbours(15, 15).size(), 5u);
}

TEST(Board, NeighboursOfOutsidePoints)
{
    const Board beginner = Board::fresh(Difficulty::beginner);
    // Just outside a corner still touches it.
    EXPECT_EQ(listOf(beginner.neighbours(-1, -1)), (std::vector<Point> { { 0, 0 } }));
    EXPECT_EQ(
        listOf(beginner.neighbours(9, 4)), (std::vector<Point> { { 8, 3 }, { 8, 4 }, { 8, 5 } }));
    // Far away, including the extremes where adding an offset would overflow.
    EXPECT_EQ(beginner.neighbours(11, 4).size(), 0u);
    constexpr auto lowest = std::numeric_limits<std::int64_t>::min();
    constexpr auto highest = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(beginner.neighbours(lowest, lowest).size(), 0u);
    EXPECT_EQ(beginner.neighbours(highest, 0).size(), 0u);
}

TEST(Board, DerivedValues)
{
    Board board = Board::fresh(Difficulty::beginner);
    // More flags than mines shows a negative count.
    board.flagCount = 12;
    EXPECT_EQ(board.minesLeft(), -2);
    board.phase = Board::Phase::won;
    EXPECT_TRUE(board.isOver());
    board.phase = Board::Phase::lost;
    EXPECT_TRUE(board.isOver());
    board.phase = Board::Phase::playing;
    EXPECT_FALSE(board.isOver());
    // One square short, one too many, or the count of another size.
    board.cells.pop_back();
    EXPECT_FALSE(board.hasConsistentSize());
    board.cells.resize(82);
    EXPECT_FALSE(board.hasConsistentSize());
    board.cells.resize(256);
    EXPECT_FALSE(board.hasConsistentSize());
}

TEST(Board, CopiesAreIndependentAndCompareByValue)
{
    const Board original = Board::fresh(Difficulty::beginner);
    Board copy = original;
    EXPECT_EQ(copy, original);
    copy.cells[40].mark = Mark::question;
    EXPECT_NE(copy, original);
    EXPECT_EQ(original.cells[40].mark, Mark::none);
    copy = original;
    copy.exploded = Point { 0, 0 };
    EXPECT_NE(copy, original);
}
