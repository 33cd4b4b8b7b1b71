// SPDX-License-Identifier: GPL-3.0-or-later
// A board's geometry and raw values, and the rules that change it: uncovering, mine laying,
// flood fill, marks, chords, the loss and the win.
#include "model/Board.h"

#include "TestBoards.h"

#include "model/SequenceRandom.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <tuple>
#include <vector>

namespace {

using Phase = Board::Phase;
constexpr auto lowest = std::numeric_limits<std::int64_t>::min();
constexpr auto highest = std::numeric_limits<std::int64_t>::max();

/// A full column of mines at x = 4 plus one in the far corner: a flood from the left stops at
/// the numbers in column 3.
Board wallBoard()
{
    return boardWithMines(Difficulty::beginner,
        { { 4, 0 }, { 4, 1 }, { 4, 2 }, { 4, 3 }, { 4, 4 }, { 4, 5 }, { 4, 6 }, { 4, 7 }, { 4, 8 },
            { 8, 8 } });
}

/// The indices of the mined squares.
std::set<std::size_t> mineSquares(const Board& board)
{
    std::set<std::size_t> result;
    for (std::size_t i = 0; i < board.cells.size(); ++i) {
        if (board.cells[i].isMine)
            result.insert(i);
    }
    return result;
}

} // namespace

TEST(Board, GeometryAndRawValues)
{
    const Board expert = Board::fresh(Difficulty::expert);
    ASSERT_EQ(expert.cells.size(), 480u);
    EXPECT_EQ(countCells(expert, [](const Cell& c) { return c == Cell {}; }), 480);
    EXPECT_EQ(expert.phase, Phase::ready);
    EXPECT_FALSE(expert.minesLaid);
    EXPECT_EQ(expert.minesLeft(), 99);
    EXPECT_TRUE(expert.isInside(29, 15));
    for (const auto& [x, y] : { std::pair { 30, 0 }, { 0, 16 }, { -1, 0 } })
        EXPECT_FALSE(expert.isInside(x, y)) << x << "," << y;
    EXPECT_FALSE(expert.isInside(lowest, 0));
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

    // Neighbours in the fixed order: row above, then sides, then row below; none far away,
    // including the extremes where adding an offset would overflow.
    const Board beginner = Board::fresh(Difficulty::beginner);
    const std::pair<Point, std::vector<Point>> neighbours[] = {
        { { 8, 8 }, { { 7, 7 }, { 8, 7 }, { 7, 8 } } },
        { { 4, 0 }, { { 3, 0 }, { 5, 0 }, { 3, 1 }, { 4, 1 }, { 5, 1 } } },
        { { 4, 4 },
            { { 3, 3 }, { 4, 3 }, { 5, 3 }, { 3, 4 }, { 5, 4 }, { 3, 5 }, { 4, 5 }, { 5, 5 } } },
        { { -1, -1 }, { { 0, 0 } } }, { { 11, 4 }, {} }, { { lowest, lowest }, {} },
        { { highest, 0 }, {} }
    };
    for (const auto& [p, expected] : neighbours) {
        const auto list = beginner.neighbours(p.x, p.y);
        EXPECT_EQ(std::vector<Point>(list.begin(), list.end()), expected) << p.x << "," << p.y;
    }

    // U+00D7 with a space on each side, not the letter x; columns before rows.
    EXPECT_EQ(summary(Difficulty::expert), "30 \xC3\x97 16, 99 mines");
    EXPECT_EQ(rawValue(Difficulty::intermediate), "intermediate");
    EXPECT_EQ(rawValue(Mark::question), "question");
    EXPECT_EQ(rawValue(Phase::playing), "playing");
    for (const Difficulty difficulty : allDifficulties)
        EXPECT_EQ(difficultyFromRaw(rawValue(difficulty)), difficulty);
    for (const Mark mark : { Mark::none, Mark::flag, Mark::question })
        EXPECT_EQ(markFromRaw(rawValue(mark)), mark);
    for (const Phase phase : { Phase::ready, Phase::playing, Phase::won, Phase::lost })
        EXPECT_EQ(phaseFromRaw(rawValue(phase)), phase);
    // Titles, padding, prefixes and a trailing NUL are different strings.
    const std::string_view refused[] { "Beginner", "", "beginner ", "expe", { "expert\0", 7 } };
    for (const std::string_view raw : refused)
        EXPECT_EQ(difficultyFromRaw(raw), std::nullopt) << raw;
    EXPECT_EQ(markFromRaw("Flag"), std::nullopt);
    EXPECT_EQ(phaseFromRaw("Lost"), std::nullopt);
}

TEST(BoardRules, RefusalsChangeNothing)
{
    SequenceRandom random({});
    Board board = chordBoard();
    ASSERT_TRUE(board.reveal(4, 4, random));
    Board before = board;
    // Already uncovered, just outside on each side, far outside.
    for (const auto& [x, y] : { std::pair<std::int64_t, std::int64_t> { 4, 4 }, { -1, 0 }, { 9, 0 },
             { 0, -1 }, { 0, 9 }, { highest, 0 } })
        EXPECT_FALSE(board.reveal(x, y, random)) << x << "," << y;
    // Uncovered squares and squares outside take no mark.
    EXPECT_FALSE(board.toggleMark(4, 4) || board.toggleMark(-1, 4) || board.toggleMark(4, 9));
    EXPECT_EQ(board, before);
    // (3, 0) shows 1 and its other neighbours are open: a chord would uncover nothing.
    ASSERT_EQ(board.cellAt(3, 0).adjacent, 1);
    ASSERT_TRUE(board.toggleMark(2, 0));
    before = board;
    EXPECT_FALSE(board.chord(3, 0, random));
    EXPECT_EQ(board, before);
    // A flag protects; a question mark does not, and the square opens and loses its mark.
    ASSERT_TRUE(board.toggleMark(1, 0));
    before = board;
    EXPECT_FALSE(board.reveal(1, 0, random));
    EXPECT_EQ(board, before);
    ASSERT_TRUE(board.toggleMark(1, 0));
    EXPECT_TRUE(board.reveal(1, 0, random));
    EXPECT_EQ(board.cellAt(1, 0).mark, Mark::none);
    EXPECT_EQ(board.revealedCount, before.revealedCount + 1);

    board = chordBoard();
    ASSERT_TRUE(board.reveal(1, 1, random) && board.reveal(4, 0, random));
    ASSERT_EQ(board.cellAt(4, 0).adjacent, 0);
    for (const Point& p : { Point { 0, 0 }, { 2, 0 }, { 2, 0 } })
        ASSERT_TRUE(board.toggleMark(p.x, p.y));
    before = board;
    // One flag and one question mark around a 2: question marks do not count. A covered
    // square, a zero, a square outside.
    EXPECT_FALSE(board.chord(1, 1, random) || board.chord(1, 0, random) ||
        board.chord(4, 0, random) || board.chord(-1, 1, random));
    EXPECT_EQ(board, before);
    // Three flags around a 2.
    for (const Point& p : { Point { 2, 0 }, { 2, 0 }, { 1, 0 } })
        ASSERT_TRUE(board.toggleMark(p.x, p.y));
    before = board;
    EXPECT_FALSE(board.chord(1, 1, random));
    EXPECT_EQ(board, before);

    // Malformed boards: one square short (the last index would fall outside cells), the cells
    // of a smaller size under a bigger difficulty, counters one more step would overflow.
    Board shortBoard = Board::fresh(Difficulty::beginner), mislabelled = shortBoard;
    shortBoard.cells.pop_back();
    mislabelled.difficulty = Difficulty::expert;
    Board flagsAtLimit = chordBoard(), revealedAtLimit = chordBoard();
    flagsAtLimit.flagCount = highest;
    revealedAtLimit.revealedCount = highest;
    for (Board malformed : { shortBoard, mislabelled, flagsAtLimit, revealedAtLimit }) {
        before = malformed;
        EXPECT_FALSE(malformed.reveal(8, 8, random) || malformed.reveal(0, 0, random) ||
            malformed.toggleMark(8, 8) || malformed.chord(1, 1, random));
        EXPECT_EQ(malformed, before);
    }
}

TEST(BoardRules, FirstRevealIsSafeAndOpensTheBlock)
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
                for (const Point& n : board.neighbours(x, y))
                    EXPECT_TRUE(
                        !board.cellAt(n.x, n.y).isMine && board.cellAt(n.x, n.y).isRevealed);
                EXPECT_GE(board.revealedCount,
                    1 + static_cast<std::int64_t>(board.neighbours(x, y).size()));
            }
        }
    }
    // Marks made before the first uncovering stay.
    Board board = Board::fresh(Difficulty::beginner);
    ASSERT_TRUE(board.toggleMark(0, 0) && board.reveal(8, 8, random));
    EXPECT_EQ(board.cellAt(0, 0).mark, Mark::flag);
    EXPECT_FALSE(board.cellAt(0, 0).isRevealed);
    EXPECT_EQ(board.flagCount, 1);
}

TEST(BoardRules, MinesFollowTheFrontToBackShuffle)
{
    struct Row {
        Point first;
        std::vector<std::uint64_t> draws;
        std::set<std::size_t> mines; // indices, row-major
        std::size_t drawn;
        Point counted; // a safe square whose count must follow the mines
        std::int64_t count;
    };
    const Row rows[] = {
        // From (4, 4) the 72 candidates are the row-major squares outside the block
        // (3..5, 3..5). Draws alternate 0 and 3: p even keeps its element, p odd swaps with p + 3,
        // so the first ten hold
        // c0 c4 c2 c6 c1 c8 c3 c10 c5 c12. One draw per position while more than one remains.
        { { 4, 4 }, { 0, 3 }, { 0, 1, 2, 3, 4, 5, 6, 8, 10, 12 }, 71, { 2, 1 }, 5 },
        // From the corner the clipped block has four squares and 77 candidates remain. Drawing
        // 1 every time carries c0 = (2, 0) to the end, so the mines are c1..c10.
        { { 0, 0 }, { 1 }, { 3, 4, 5, 6, 7, 8, 11, 12, 13, 14 }, 76, { 2, 0 }, 3 }
    };
    for (const Row& row : rows) {
        SequenceRandom random(row.draws);
        Board board = Board::fresh(Difficulty::beginner);
        ASSERT_TRUE(board.reveal(row.first.x, row.first.y, random));
        EXPECT_EQ(mineSquares(board), row.mines) << row.first.x;
        EXPECT_EQ(random.drawn(), row.drawn) << row.first.x;
        EXPECT_EQ(board.cellAt(row.counted.x, row.counted.y).adjacent, row.count) << row.first.x;
    }
    // Draws of 0 leave the candidates unshuffled: row 0 and (0, 1) take the mines, and a flood
    // from the opposite corner reaches every safe square, winning at once.
    SequenceRandom zeros({ 0 });
    Board board = Board::fresh(Difficulty::beginner);
    ASSERT_TRUE(board.reveal(8, 8, zeros));
    EXPECT_EQ(board.phase, Phase::won);
    EXPECT_EQ(board.revealedCount, 71);
    EXPECT_EQ(board.flagCount, 10);
}

TEST(BoardRules, FloodStopsAtNumbersAndFlags)
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

    board = wallBoard();
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
    // none → flag on a ready board starts the game without laying mines; then question, none.
    const std::tuple<Mark, std::int64_t> steps[] = { { Mark::flag, 1 }, { Mark::question, 0 },
        { Mark::none, 0 } };
    for (const auto& [mark, flags] : steps) {
        ASSERT_TRUE(board.toggleMark(3, 3));
        EXPECT_EQ(board.cellAt(3, 3).mark, mark);
        EXPECT_EQ(board.flagCount, flags);
        EXPECT_EQ(board.phase, Phase::playing);
        EXPECT_FALSE(board.minesLaid);
    }
}

TEST(BoardRules, ChordLosesOnAWrongFlagAndWinsOnTheLastSquare)
{
    SequenceRandom random({});
    Board board = chordBoard();
    ASSERT_TRUE(board.reveal(1, 1, random));
    // Wrong: (1, 0) is safe, (2, 0) is the mine.
    ASSERT_TRUE(board.toggleMark(0, 0) && board.toggleMark(1, 0));
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

    board = chordBoard();
    ASSERT_TRUE(board.reveal(4, 4, random));
    // Only (1, 0), between the two top mines, is left.
    ASSERT_EQ(board.revealedCount, 70);
    // A question mark on a mine becomes a flag at the win and is counted then.
    for (const Point& p : { Point { 0, 0 }, { 2, 0 }, { 8, 7 }, { 8, 7 } })
        ASSERT_TRUE(board.toggleMark(p.x, p.y));
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
