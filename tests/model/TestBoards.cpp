// SPDX-License-Identifier: GPL-3.0-or-later
// Hand-built boards for the model's tests.
#include "TestBoards.h"

#include <limits>

Board chordBoard()
{
    return boardWithMines(Difficulty::beginner,
        { { 0, 0 }, { 2, 0 }, { 7, 6 }, { 8, 6 }, { 6, 7 }, { 7, 7 }, { 8, 7 }, { 6, 8 }, { 7, 8 },
            { 8, 8 } });
}

void recount(Board& board)
{
    for (std::int64_t y = 0; y < board.rows(); ++y) {
        for (std::int64_t x = 0; x < board.columns(); ++x) {
            Cell& cell = board.cells[static_cast<std::size_t>(board.index(x, y))];
            cell.adjacent = 0;
            for (const Point& n : board.neighbours(x, y))
                cell.adjacent += !cell.isMine && board.cellAt(n.x, n.y).isMine ? 1 : 0;
        }
    }
}

Board arbitraryBoard(std::mt19937_64& random)
{
    const auto pick = [&random](int count) {
        return static_cast<int>(random() % static_cast<unsigned>(count));
    };
    // Small numbers most of the time, the extremes of int64 now and then.
    const auto integer = [&]() -> std::int64_t {
        using limits = std::numeric_limits<std::int64_t>;
        const int kind = pick(6);
        return kind == 0 ? limits::min()
            : kind == 1  ? limits::max()
            : kind == 2  ? static_cast<std::int64_t>(random())
                         : pick(20) - 5;
    };
    Board board = Board::fresh(allDifficulties[static_cast<std::size_t>(pick(3))]);
    for (Cell& cell : board.cells) {
        cell.isMine = pick(2) == 0;
        cell.isRevealed = pick(2) == 0;
        cell.mark = static_cast<Mark>(pick(3));
        cell.adjacent = pick(10) == 0 ? integer() : pick(9);
    }
    board.phase = static_cast<Board::Phase>(pick(4));
    board.minesLaid = pick(2) == 0;
    board.revealedCount = integer();
    board.flagCount = integer();
    if (pick(2) == 0)
        board.exploded = Point { integer(), integer() };
    return board;
}
