// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestBoards.h"

Board boardWithMines(Difficulty difficulty, const std::vector<Point>& mines)
{
    Board board = Board::fresh(difficulty);
    for (const Point& p : mines)
        board.cells[static_cast<std::size_t>(board.index(p.x, p.y))].isMine = true;
    for (std::int64_t y = 0; y < board.rows(); ++y) {
        for (std::int64_t x = 0; x < board.columns(); ++x) {
            Cell& cell = board.cells[static_cast<std::size_t>(board.index(x, y))];
            if (cell.isMine)
                continue;
            for (const Point& n : board.neighbours(x, y))
                cell.adjacent += board.cellAt(n.x, n.y).isMine ? 1 : 0;
        }
    }
    board.minesLaid = true;
    board.phase = Board::Phase::playing;
    return board;
}

void uncover(Board& board, const std::vector<Point>& squares)
{
    for (const Point& square : squares) {
        board.cells[static_cast<std::size_t>(board.index(square.x, square.y))].isRevealed = true;
        ++board.revealedCount;
    }
}

void flag(Board& board, const std::vector<Point>& squares)
{
    for (const Point& square : squares) {
        board.cells[static_cast<std::size_t>(board.index(square.x, square.y))].mark = Mark::flag;
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
    for (std::int64_t y = 1; y < 9; ++y) {
        for (std::int64_t x = 0; x < 9; ++x) {
            if (!board.cellAt(x, y).isMine && (x != 8 || y != 8))
                uncover(board, { { x, y } });
        }
    }
    return board;
}

bool grewFrom(const Records& now, const Records& before)
{
    for (const auto& [difficulty, old] : before) {
        const auto found = now.find(difficulty);
        if (found == now.end())
            return false;
        const Record& record = found->second;
        const bool bestKept =
            !old.bestSeconds || (record.bestSeconds && *record.bestSeconds <= *old.bestSeconds);
        if (record.played < old.played || record.won < old.won || !bestKept)
            return false;
    }
    return true;
}
