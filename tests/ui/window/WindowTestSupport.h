// SPDX-License-Identifier: GPL-3.0-or-later
// Shared scaffolding for the window tests: a real engine on temporary folders with a hand-driven
// clock, games prepared in any phase, and the new-game question found the way a player sees it.
#pragma once

#include "TestBoards.h"
#include "TestEngine.h"

#include "ui/window/NewGameDialog.h"

#include <QApplication>

#include <memory>
#include <optional>

namespace windowtest {

/// An engine over its own temporary local folder, optionally starting from a saved game.
struct TestGame {
    TwoFolders folders;
    FakeClock clock;
    std::unique_ptr<GameEngine> engine;

    explicit TestGame(const std::optional<SavedGame>& saved = std::nullopt)
    {
        if (saved)
            writeStoredGame(folders.local, *saved);
        engine = makeEngine(folders.localOnly(), clock);
    }
};

/// A saved beginner game in play where revealing (8, 8) wins and (0, 0) loses.
inline SavedGame nearlyWonGame(std::int64_t elapsed = 10)
{
    return SavedGame { nearlyWonBoard(), elapsed, startTime - 1 };
}

/// A saved fresh board of the given size.
inline SavedGame freshGame(Difficulty difficulty)
{
    return SavedGame { Board::fresh(difficulty), 0, startTime - 1 };
}

/// The open new-game question among the application's windows, or null.
inline NewGameDialog* openNewGameDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<NewGameDialog*>(widget); dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

int runLedAndStatusTests(int argc, char** argv);
int runResultBannerTests(int argc, char** argv);
int runContentViewTests(int argc, char** argv);
int runMainWindowTests(int argc, char** argv);
int runKeyboardAccessTests(int argc, char** argv);
int runPostMortemTests(int argc, char** argv);
int runStatisticsWindowTests(int argc, char** argv);

} // namespace windowtest
