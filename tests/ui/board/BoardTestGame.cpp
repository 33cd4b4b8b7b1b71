#include "BoardTestGame.h"

#include "model/SavedGameCoding.h"
#include "model/SequenceRandom.h"
#include "store/CloudStore.h"
#include "ui/board/BoardSurface.h"

#include <cstdlib>

Board boardWithMines(Difficulty difficulty, const std::vector<Point>& mines)
{
    Board board = Board::fresh(difficulty);
    for (const Point& mine : mines)
        board.cells[static_cast<std::size_t>(board.index(mine.x, mine.y))].isMine = true;
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

BoardTestGame::BoardTestGame(const Board& board)
{
    const CloudStore::Sides sides { m_folder.path(), std::nullopt };
    {
        CloudStore store(sides);
        const std::string bytes = encodeSavedGame(SavedGame { board, 0, 500.0 });
        store.set(QByteArray::fromStdString(bytes), QStringLiteral("savedGame"));
    }
    GameEngine::Dependencies dependencies { [this] { return now; },
        std::make_unique<SequenceRandom>(std::vector<std::uint64_t> {}) };
    m_engine = std::make_unique<GameEngine>(sides, std::move(dependencies));
}

BoardView& BoardTestGame::view(QSize area)
{
    if (!m_view) {
        m_view = std::make_unique<BoardView>(*m_engine, [this] { return now; });
        m_view->resize(area);
    }
    return *m_view;
}

BoardSurface& BoardTestGame::surface()
{
    // A hidden widget defers its resize, so the size rule would not have run yet.
    view().show();
    return m_view->surface();
}

bool colourNear(const QColor& actual, const QColor& expected, int tolerance)
{
    return std::abs(actual.red() - expected.red()) <= tolerance &&
        std::abs(actual.green() - expected.green()) <= tolerance &&
        std::abs(actual.blue() - expected.blue()) <= tolerance;
}
