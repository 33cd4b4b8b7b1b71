// The JSON form of a board, shared by the saved game.
#pragma once

#include "model/Board.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

/// Keys in the stored order: difficulty, cells, phase, minesLaid, revealedCount, flagCount,
/// and exploded only when present.
[[nodiscard]] nlohmann::ordered_json encodeBoard(const Board& board);
/// Appends exactly the text of encodeBoard(board).dump() to out, without building the tree
/// first: the saved game is written after every move, and the tree costs ten times as much.
void appendBoardJson(std::string& out, const Board& board);
/// Strict: a missing key, a wrong JSON type, a fraction or an out-of-range integer, or an
/// unknown enumeration string fails the whole read. Unknown keys are ignored. A board whose
/// cell count does not match its size is refused as well, so the rules never index past it.
[[nodiscard]] std::optional<Board> decodeBoard(const nlohmann::json& value);
