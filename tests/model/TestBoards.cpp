// Hand-built boards for the model's tests.
#include "TestBoards.h"

Board boardWithMines(Difficulty difficulty, std::initializer_list<Point> mines)
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
