// SPDX-License-Identifier: GPL-3.0-or-later
#include "BoardTestGame.h"

#include "TestEngine.h"

#include "model/SequenceRandom.h"
#include "ui/board/BoardSurface.h"

#include <cstdlib>

BoardTestGame::BoardTestGame(const Board& board)
{
    const GameFolders sides { m_folder.path(), std::nullopt };
    writeStoredGame(m_folder.path(), SavedGame { board, 0, 500.0 });
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
