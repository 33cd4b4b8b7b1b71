// A fast reader for the exact text this program writes for a saved game. Parsing a full
// expert board into a JSON tree costs far more than a move may take, and nearly every saved
// game read is one this program wrote.
#pragma once

#include "model/SavedGame.h"

#include <optional>
#include <string_view>

namespace canonical {

/// Reads bytes written by encodeSavedGame: no white space, members and keys in the written
/// order, plain lower-case strings. std::nullopt means only "not in that form", never "bad
/// data": the caller then reads the bytes with the general decoder, which has the final say.
/// Whatever this accepts, the general decoder reads to the same value.
[[nodiscard]] std::optional<SavedGame> readSavedGame(std::string_view bytes);

} // namespace canonical
