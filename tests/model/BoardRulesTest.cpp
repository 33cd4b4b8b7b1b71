// SPDX-License-Identifier: GPL-3.0-or-later
// The rules that change a board: uncovering, mine laying, flood fill, marks, chords, the loss
// and the win.
#include "TestBoards.h"

#include "model/Board.h"
#include "model/SequenceRandom.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <tuple>

namespace {

using Phase = Board::Phase;

/// Ten mines on a beginner board: eight filling the bottom-right corner and two on the top row
/// around (1, 0), so that (1, 1) shows 2 and (1, 0) is the one safe square no zero touches.
Board chordBoard()
{
    return boardWithMines(Difficulty::beginner,
        { { 0, 0 }, { 2, 0 }, { 7, 6 }, { 8, 6 }, { 6, 7 }, { 7, 7 }, { 8, 7 }, { 6, 8 }, { 7, 8 },
            { 8, 8 } });
}

/// A full column of mines at x = 4 plus one in the far corner: a flood from the left stops at
/// the numbers in column 3.
Board wallBoard()
{
    return boardWithMines(Difficulty::beginner,
        { { 4, 0 }, { 4, 1 }, { 4, 2 }, { 4, 3 }, { 4, 4 }, { 4, 5 }, { 4, 6 }, { 4, 7 }, { 4, 8 },
            { 8, 8 } });
}

std::set<std::pair<std::int64_t, std::int64_t>> mineSquares(const Board& board)
{
    std::set<std::pair<std::int64_t, std::int64_t>> result;
    for (std::int64_t y = 0; y < board.rows(); ++y) {
        for (std::int64_t x = 0; x < board.columns(); ++x) {
            if (board.cellAt(x, y).isMine)
                result.emplace(x, y);
        }
    }
    return result;
}

} // namespace

TEST(BoardRules, RevealRefusals)
{
    SequenceRandom random({});
    Board board = chordBoard();
    ASSERT_TRUE(board.reveal(4, 4, random));
    const Board before = board;
    // Already uncovered.
    EXPECT_FALSE(board.reveal(4, 4, random));
    // Just outside on each side.
    EXPECT_FALSE(board.reveal(-1, 0, random));
    EXPECT_FALSE(board.reveal(9, 0, random));
    EXPECT_FALSE(board.reveal(0, -1, random));
    EXPECT_FALSE(board.reveal(0, 9, random));
    EXPECT_FALSE(board.reveal(std::numeric_limits<std::int64_t>::max(), 0, random));
    // Flagged.
    ASSERT_TRUE(board.toggleMark(1, 0));
    const Board flagged = board;
    EXPECT_FALSE(board.reveal(1, 0, random));
    EXPECT_EQ(board, flagged);
    // A question mark does not protect: the square opens and loses its mark.
    ASSERT_TRUE(board.toggleMark(1, 0));
    EXPECT_TRUE(board.reveal(1, 0, random));
    EXPECT_EQ(board.cellAt(1, 0).mark, Mark::none);
    EXPECT_EQ(board.revealedCount, before.revealedCount + 1);
}

TEST(BoardRules, FirstRevealIsAlwaysSafeAndOpensTheBlock)
{
    Mt64Random random(20240611);
    for (const Difficulty difficulty : allDifficulties) {
        const Board fresh = Board::fresh(difficulty);
        for (std::int64_t y = 0; y < fresh.rows(); ++y) {
            for (std::int64_t x = 0; x < fresh.columns(); ++x) {
                Board board = fresh;
                ASSERT_TRUE(board.reveal(x, y, random));
                EXPECT_EQ(board.phase, Phase::playing);
                EXPECT_EQ(board.cellAt(x, y).adjacent, 0);
                EXPECT_TRUE(board.cellAt(x, y).isRevealed);
                // The block around the square, clipped at the edges, is free and uncovered.
                std::int64_t block = 1;
                for (const Point& n : board.neighbours(x, y)) {
                    EXPECT_FALSE(board.cellAt(n.x, n.y).isMine);
                    EXPECT_TRUE(board.cellAt(n.x, n.y).isRevealed);
                    ++block;
                }
                EXPECT_GE(board.revealedCount, block);
            }
        }
    }
}

TEST(BoardRules, MinesFollowTheFrontToBackShuffle)
{
    struct Row {
        Point first;
        std::vector<std::uint64_t> draws;
        std::set<std::pair<std::int64_t, std::int64_t>> mines;
        std::size_t drawn;
        Point counted; // a safe square whose count must follow the mines
        std::int64_t count;
    };
    const Row rows[] = {
        // From (4, 4) the 72 candidates are the row-major squares outside the block
        // (3..5, 3..5). Draws alternate 0 and 3: p even keeps its element, p odd swaps with p + 3,
        // so the first ten hold
        // c0 c4 c2 c6 c1 c8 c3 c10 c5 c12. One draw per position while more than one remains.
        { { 4, 4 }, { 0, 3 },
            { { 0, 0 }, { 1, 0 }, { 2, 0 }, { 3, 0 }, { 4, 0 }, { 5, 0 }, { 6, 0 }, { 8, 0 },
                { 1, 1 }, { 3, 1 } },
            71, { 2, 1 }, 5 },
        // From the corner the clipped block has four squares and 77 candidates remain. Drawing
        // 1 every time carries c0 = (2, 0) to the end, so the mines are c1..c10.
        { { 0, 0 }, { 1 },
            { { 3, 0 }, { 4, 0 }, { 5, 0 }, { 6, 0 }, { 7, 0 }, { 8, 0 }, { 2, 1 }, { 3, 1 },
                { 4, 1 }, { 5, 1 } },
            76, { 2, 0 }, 3 },
    };
    for (const Row& row : rows) {
        SequenceRandom random(row.draws);
        Board board = Board::fresh(Difficulty::beginner);
        ASSERT_TRUE(board.reveal(row.first.x, row.first.y, random));
        EXPECT_EQ(mineSquares(board), row.mines) << row.first.x;
        EXPECT_EQ(random.drawn(), row.drawn) << row.first.x;
        EXPECT_EQ(board.cellAt(row.counted.x, row.counted.y).adjacent, row.count) << row.first.x;
    }
}

TEST(BoardRules, FirstRevealCanWinOutright)
{
    // Draws of 0 leave the candidates unshuffled: row 0 and (0, 1) take the mines, and a flood
    // from the opposite corner reaches every safe square.
    SequenceRandom random({ 0 });
    Board board = Board::fresh(Difficulty::beginner);
    ASSERT_TRUE(board.reveal(8, 8, random));
    EXPECT_EQ(board.phase, Phase::won);
    EXPECT_EQ(board.revealedCount, 71);
    EXPECT_EQ(board.flagCount, 10);
}

TEST(BoardRules, MarksBeforeTheFirstRevealStay)
{
    Mt64Random random(7);
    Board board = Board::fresh(Difficulty::beginner);
    ASSERT_TRUE(board.toggleMark(0, 0));
    ASSERT_TRUE(board.reveal(8, 8, random));
    EXPECT_EQ(board.cellAt(0, 0).mark, Mark::flag);
    EXPECT_FALSE(board.cellAt(0, 0).isRevealed);
    EXPECT_EQ(board.flagCount, 1);
}

TEST(BoardRules, FloodStopsAtNumbersAndCountsThem)
{
    SequenceRandom random({});
    Board board = wallBoard();
    ASSERT_TRUE(board.reveal(0, 0, random));
    // Columns 0..3 open; column 3 shows the wall.
    EXPECT_EQ(countCells(board, [](const Cell& c) { return c.isRevealed; }), 36);
    EXPECT_EQ(board.cellAt(3, 0).adjacent, 2);
    EXPECT_EQ(board.cellAt(3, 4).adjacent, 3);
    EXPECT_TRUE(board.cellAt(3, 8).isRevealed);
    EXPECT_FALSE(board.cellAt(5, 0).isRevealed);
    EXPECT_EQ(board.phase, Phase::playing);
}

TEST(BoardRules, FloodStopsAtFlagsAndKeepsThem)
{
    SequenceRandom random({});
    Board board = wallBoard();
    // A flag on a zero square in the open area, and a column of flags at x = 2.
    ASSERT_TRUE(board.toggleMark(6, 4));
    for (std::int64_t y = 0; y < 9; ++y)
        ASSERT_TRUE(board.toggleMark(2, y));
    // A question mark inside the region is cleared by the flood.
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(board.toggleMark(0, 8));
    ASSERT_EQ(board.cellAt(0, 8).mark, Mark::question);
    ASSERT_EQ(board.flagCount, 10);

    ASSERT_TRUE(board.reveal(0, 0, random));
    EXPECT_EQ(board.revealedCount, 18);
    EXPECT_TRUE(board.cellAt(0, 8).isRevealed);
    EXPECT_EQ(board.cellAt(0, 8).mark, Mark::none);
    EXPECT_FALSE(board.cellAt(3, 0).isRevealed);

    // From the right the flood goes around the lone flag and leaves it covered.
    ASSERT_TRUE(board.reveal(7, 2, random));
    EXPECT_FALSE(board.cellAt(6, 4).isRevealed);
    EXPECT_EQ(board.cellAt(6, 4).mark, Mark::flag);
    EXPECT_TRUE(board.cellAt(7, 4).isRevealed);
    EXPECT_EQ(board.flagCount, 10);
    EXPECT_EQ(board.revealedCount, 18 + 4 * 9 - 2);
}

TEST(BoardRules, ToggleMarkCyclesAndCounts)
{
    Board board = Board::fresh(Difficulty::beginner);
    // none → flag on a ready board starts the game without laying mines.
    ASSERT_TRUE(board.toggleMark(3, 3));
    EXPECT_EQ(board.cellAt(3, 3).mark, Mark::flag);
    EXPECT_EQ(board.flagCount, 1);
    EXPECT_EQ(board.phase, Phase::playing);
    EXPECT_FALSE(board.minesLaid);
    // flag → question.
    ASSERT_TRUE(board.toggleMark(3, 3));
    EXPECT_EQ(board.cellAt(3, 3).mark, Mark::question);
    EXPECT_EQ(board.flagCount, 0);
    // question → none.
    ASSERT_TRUE(board.toggleMark(3, 3));
    EXPECT_EQ(board.cellAt(3, 3).mark, Mark::none);

    // Uncovered squares and squares outside take no mark.
    SequenceRandom random({});
    ASSERT_TRUE(board.reveal(4, 4, random));
    const Board before = board;
    EXPECT_FALSE(board.toggleMark(4, 4));
    EXPECT_FALSE(board.toggleMark(-1, 4));
    EXPECT_FALSE(board.toggleMark(4, 9));
    EXPECT_EQ(board, before);
}

TEST(BoardRules, ChordRefusals)
{
    SequenceRandom random({});
    Board board = chordBoard();
    ASSERT_TRUE(board.reveal(1, 1, random));
    ASSERT_TRUE(board.reveal(4, 0, random));
    ASSERT_EQ(board.cellAt(4, 0).adjacent, 0);
    ASSERT_TRUE(board.toggleMark(0, 0));
    ASSERT_TRUE(board.toggleMark(2, 0));
    ASSERT_TRUE(board.toggleMark(2, 0));
    ASSERT_EQ(board.cellAt(2, 0).mark, Mark::question);
    Board before = board;
    // One flag and one question mark: question marks do not count.
    EXPECT_FALSE(board.chord(1, 1, random));
    // A covered square, a zero, a square outside.
    EXPECT_FALSE(board.chord(1, 0, random));
    EXPECT_FALSE(board.chord(4, 0, random));
    EXPECT_FALSE(board.chord(-1, 1, random));
    EXPECT_EQ(board, before);

    // Three flags around a 2.
    ASSERT_TRUE(board.toggleMark(2, 0));
    ASSERT_TRUE(board.toggleMark(2, 0));
    ASSERT_TRUE(board.toggleMark(1, 0));
    before = board;
    EXPECT_FALSE(board.chord(1, 1, random));
    EXPECT_EQ(board, before);
}

TEST(BoardRules, ChordWithNothingLeftToUncoverIsRefused)
{
    SequenceRandom random({});
    Board board = chordBoard();
    // (3, 0) shows 1, from the mine at (2, 0); the zeros open all its other neighbours.
    ASSERT_TRUE(board.reveal(4, 4, random));
    ASSERT_TRUE(board.cellAt(3, 0).isRevealed);
    ASSERT_EQ(board.cellAt(3, 0).adjacent, 1);
    ASSERT_TRUE(board.toggleMark(2, 0));
    const Board before = board;
    EXPECT_FALSE(board.chord(3, 0, random));
    EXPECT_EQ(board, before);
}

TEST(BoardRules, ChordNextToAWrongFlagLosesAndStops)
{
    SequenceRandom random({});
    Board board = chordBoard();
    ASSERT_TRUE(board.reveal(1, 1, random));
    ASSERT_TRUE(board.toggleMark(0, 0));
    // Wrong: (1, 0) is safe, (2, 0) is the mine.
    ASSERT_TRUE(board.toggleMark(1, 0));
    EXPECT_TRUE(board.chord(1, 1, random));
    EXPECT_EQ(board.phase, Phase::lost);
    EXPECT_EQ(board.exploded, (Point { 2, 0 }));
    // The neighbours after the mine in the fixed order stay covered.
    for (const auto& [x, y] : { std::pair { 0, 1 }, { 2, 1 }, { 0, 2 }, { 1, 2 }, { 2, 2 } })
        EXPECT_FALSE(board.cellAt(x, y).isRevealed) << x << "," << y;
    // Every mine is uncovered; the wrong flag stays a flag on a covered square.
    EXPECT_EQ(countCells(board, [](const Cell& c) { return c.isMine && !c.isRevealed; }), 0);
    EXPECT_EQ(board.cellAt(1, 0).mark, Mark::flag);
    EXPECT_FALSE(board.cellAt(1, 0).isRevealed);
    EXPECT_EQ(board.cellAt(0, 0).mark, Mark::flag);
    EXPECT_EQ(board.revealedCount, 1);
    EXPECT_EQ(board.flagCount, 2);
}

TEST(BoardRules, ChordThatUncoversTheLastSafeSquareWins)
{
    SequenceRandom random({});
    Board board = chordBoard();
    ASSERT_TRUE(board.reveal(4, 4, random));
    // Only (1, 0), between the two top mines, is left.
    ASSERT_EQ(board.revealedCount, 70);
    ASSERT_TRUE(board.toggleMark(0, 0));
    ASSERT_TRUE(board.toggleMark(2, 0));
    // A question mark on a mine becomes a flag at the win and is counted then.
    ASSERT_TRUE(board.toggleMark(8, 7));
    ASSERT_TRUE(board.toggleMark(8, 7));
    ASSERT_EQ(board.flagCount, 2);

    EXPECT_TRUE(board.chord(1, 1, random));
    EXPECT_EQ(board.phase, Phase::won);
    EXPECT_FALSE(board.exploded);
    EXPECT_EQ(board.flagCount, 10);
    EXPECT_EQ(board.minesLeft(), 0);
    EXPECT_EQ(countCells(board,
                  [](const Cell& c) { return c.isMine && (c.isRevealed || c.mark != Mark::flag); }),
        0);
}

TEST(BoardRules, MalformedBoardsAreRefused)
{
    SequenceRandom random({});
    // One square short: the last square's index would fall outside cells.
    Board shortBoard = Board::fresh(Difficulty::beginner);
    shortBoard.cells.pop_back();
    // The cells of a smaller size under a bigger difficulty.
    Board mislabelled = Board::fresh(Difficulty::beginner);
    mislabelled.difficulty = Difficulty::expert;
    // Counters that one more step would overflow.
    Board flagsAtLimit = chordBoard();
    flagsAtLimit.flagCount = std::numeric_limits<std::int64_t>::max();
    Board revealedAtLimit = chordBoard();
    revealedAtLimit.revealedCount = std::numeric_limits<std::int64_t>::max();

    for (Board board : { shortBoard, mislabelled, flagsAtLimit, revealedAtLimit }) {
        const Board before = board;
        EXPECT_FALSE(board.reveal(8, 8, random));
        EXPECT_FALSE(board.reveal(0, 0, random));
        EXPECT_FALSE(board.toggleMark(8, 8));
        EXPECT_FALSE(board.chord(1, 1, random));
        EXPECT_EQ(board, before);
    }
}
