// The saved game's stored form: the board with the clock reading and the instant of the save.
#include "model/SavedGameCoding.h"

#include "model/BoardCoding.h"
#include "model/JsonRead.h"

#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;
using nlohmann::ordered_json;

std::optional<SavedGame> decodeSavedGameValue(const json& value)
{
    if (!value.is_object())
        return std::nullopt;
    const auto boardIt = value.find("board");
    if (boardIt == value.end())
        return std::nullopt;
    auto board = decodeBoard(*boardIt);
    if (!board)
        return std::nullopt;
    const auto elapsedIt = value.find("elapsed");
    const auto elapsed = elapsedIt == value.end() ? std::nullopt : jsonread::integer(*elapsedIt);
    if (!elapsed)
        return std::nullopt;
    const auto savedAtIt = value.find("savedAt");
    const auto savedAt = savedAtIt == value.end() ? std::nullopt : jsonread::number(*savedAtIt);
    if (!savedAt)
        return std::nullopt;
    return SavedGame { std::move(*board), *elapsed, *savedAt };
}

} // namespace

std::string encodeSavedGame(const SavedGame& game)
{
    ordered_json object = ordered_json::object();
    object["board"] = encodeBoard(game.board);
    object["elapsed"] = game.elapsed;
    object["savedAt"] = game.savedAt;
    return object.dump();
}

std::optional<SavedGame> decodeSavedGame(std::string_view bytes)
{
    const auto value = jsonread::parse(bytes);
    if (!value)
        return std::nullopt;
    try {
        return decodeSavedGameValue(*value);
    } catch (...) {
        // Only allocation can fail here, but nothing may leave a decoder.
        return std::nullopt;
    }
}
