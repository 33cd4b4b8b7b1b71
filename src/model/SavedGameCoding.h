// SPDX-License-Identifier: GPL-3.0-or-later
// The stored form of the saved game: {"board":{...},"elapsed":37,"savedAt":786000000.25}.
#pragma once

#include "model/SavedGame.h"

#include <optional>
#include <string>
#include <string_view>

[[nodiscard]] std::string encodeSavedGame(const SavedGame& game);
/// std::nullopt when the bytes are not JSON of that shape, the board does not decode or is
/// unreachable, or the clock reading is negative.
[[nodiscard]] std::optional<SavedGame> decodeSavedGame(std::string_view bytes);
