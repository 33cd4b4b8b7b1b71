// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestBoards.h"

namespace {

Cell& at(Board& board, const Point& p)
{
    return board.cells[static_cast<std::size_t>(board.index(p.x, p.y))];
}

} // namespace

Board boardWithMines(Difficulty difficulty, const std::vector<Point>& mines)
{
    Board board = Board::fresh(difficulty);
    for (const Point& p : mines)
        at(board, p).isMine = true;
    for (std::int64_t y = 0; y < board.rows(); ++y) {
        for (std::int64_t x = 0; x < board.columns(); ++x) {
            Cell& cell = at(board, { x, y });
            for (const Point& n : board.neighbours(x, y))
                cell.adjacent += !cell.isMine && board.cellAt(n.x, n.y).isMine ? 1 : 0;
        }
    }
    board.minesLaid = true;
    board.phase = Board::Phase::playing;
    return board;
}

void uncover(Board& board, const std::vector<Point>& squares)
{
    for (const Point& square : squares) {
        at(board, square).isRevealed = true;
        ++board.revealedCount;
    }
}

void flag(Board& board, const std::vector<Point>& squares)
{
    for (const Point& square : squares) {
        at(board, square).mark = Mark::flag;
        ++board.flagCount;
    }
}

Board flaggedBoard(std::int64_t x)
{
    Board board = Board::fresh(Difficulty::beginner);
    board.phase = Board::Phase::playing;
    flag(board, { { x, 0 } });
    return board;
}

Board nearlyWonBoard()
{
    std::vector<Point> mines { { 0, 1 } };
    for (std::int64_t x = 0; x < 9; ++x)
        mines.push_back({ x, 0 });
    Board board = boardWithMines(Difficulty::beginner, mines);
    for (std::int64_t i = 9; i < 80; ++i) {
        if (!board.cells[std::size_t(i)].isMine)
            uncover(board, { { i % 9, i / 9 } });
    }
    return board;
}

Board chordBoard()
{
    return boardWithMines(Difficulty::beginner,
        { { 0, 0 }, { 2, 0 }, { 7, 6 }, { 8, 6 }, { 6, 7 }, { 7, 7 }, { 8, 7 }, { 6, 8 }, { 7, 8 },
            { 8, 8 } });
}

bool grewFrom(const Records& now, const Records& before)
{
    for (const auto& [difficulty, old] : before) {
        const auto found = now.find(difficulty);
        if (found == now.end() || found->second.played < old.played || found->second.won < old.won)
            return false;
        const std::optional<std::int64_t> best = found->second.bestSeconds;
        if (old.bestSeconds && (!best || *best > *old.bestSeconds))
            return false;
    }
    return true;
}
