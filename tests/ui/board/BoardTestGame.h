// SPDX-License-Identifier: GPL-3.0-or-later
// A real engine on a throw-away folder, started from a board laid out by hand and saved there
// first, plus a board view over it whose wall clock the test moves.
#pragma once

#include "TestBoards.h"

#include "engine/GameEngine.h"
#include "ui/board/BoardView.h"

#include <QTemporaryDir>

#include <memory>
#include <vector>

class BoardSurface;

/// Channel by channel within tolerance (8-bit), whatever the colours' specs.
[[nodiscard]] bool colourNear(const QColor& actual, const QColor& expected, int tolerance);

/// Each suite runs through one of these; main runs them all.
int runBoardLayoutTests(int argc, char** argv);
int runBoardInputTests(int argc, char** argv);
int runBoardDrawingTests(int argc, char** argv);
int runOpeningAnimationTests(int argc, char** argv);
int runBoardAccessibleTests(int argc, char** argv);

class BoardTestGame {
public:
    /// Saves board as the game on the folder, then starts the engine, which restores it.
    explicit BoardTestGame(const Board& board);

    GameEngine& engine() { return *m_engine; }
    const Board& board() const { return m_engine->board(); }
    /// The view, made on first use in the given area; not shown yet, so nothing animates.
    BoardView& view(QSize area = QSize(500, 400));
    /// The surface of the view, shown so that it is laid out.
    BoardSurface& surface();

    /// The view's wall clock.
    Instant now = 1000.0;

private:
    QTemporaryDir m_folder;
    std::unique_ptr<GameEngine> m_engine;
    std::unique_ptr<BoardView> m_view;
};
