// SPDX-License-Identifier: GPL-3.0-or-later
// The game on the board as it is stored and sent to other machines.
#pragma once

#include "model/Board.h"
#include "model/Instant.h"

#include <cstdint>

struct SavedGame {
    Board board;
    /// The clock reading at the save: the final time of a finished game, 0 for a ready board.
    std::int64_t elapsed = 0;
    Instant savedAt = 0;

    friend bool operator==(const SavedGame&, const SavedGame&) = default;
};
