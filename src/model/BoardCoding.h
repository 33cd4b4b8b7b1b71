// SPDX-License-Identifier: GPL-3.0-or-later
// The JSON form of a board, shared by the saved game.
#pragma once

#include "model/Board.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

/// Appends the compact JSON object of the board to out, keys in the stored order: difficulty,
/// cells (isMine, isRevealed, mark, adjacent), phase, minesLaid, revealedCount, flagCount, and
/// exploded (x, y) only when present.
void appendBoardJson(std::string& out, const Board& board);
/// Strict: a missing key, a wrong JSON type, a fraction or an out-of-range integer, or an
/// unknown enumeration string fails the whole read. Unknown keys are ignored. A board that no
/// game could reach (Board::isReachable) is refused as well, so neither the rules nor the
/// painter ever meet one.
[[nodiscard]] std::optional<Board> decodeBoard(const nlohmann::json& value);
