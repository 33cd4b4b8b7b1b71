// The stored form of the saved game: {"board":{...},"elapsed":37,"savedAt":786000000.25}.
#pragma once

#include "model/SavedGame.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

[[nodiscard]] std::string encodeSavedGame(const SavedGame& game);
/// std::nullopt when the bytes are not JSON of that shape or the board does not decode.
[[nodiscard]] std::optional<SavedGame> decodeSavedGame(std::string_view bytes);
/// The same for a value already parsed; used by decodeSavedGame for anything but the exact
/// text encodeSavedGame writes.
[[nodiscard]] std::optional<SavedGame> decodeSavedGameValue(const nlohmann::json& value);
