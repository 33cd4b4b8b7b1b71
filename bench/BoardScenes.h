// SPDX-License-Identifier: GPL-3.0-or-later
// Games played to a known position for the board's benchmark and snapshot tool: an engine on
// a throw-away folder, mines laid from a fixed pseudo-random sequence.
#pragma once

#include "engine/GameEngine.h"

#include <QTemporaryDir>

#include <memory>

struct BoardScene {
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<GameEngine> engine;
};

namespace BoardScenes {

/// A fresh game of the given size on a fixed mine layout, nothing uncovered yet.
[[nodiscard]] BoardScene fresh(Difficulty difficulty);
/// An opening flood in the middle, a few correct flags, one question mark and one wrong flag.
void playMidGame(GameEngine& engine);
/// Plays on from wherever the game is until it is lost on an unflagged mine.
void loseGame(GameEngine& engine);
/// Uncovers every safe square that is still covered.
void winGame(GameEngine& engine);
/// The board after the first uncovering that floods the largest region on the fixed layout.
[[nodiscard]] Board largestFlood(Difficulty difficulty);

} // namespace BoardScenes
