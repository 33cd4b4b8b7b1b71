// SPDX-License-Identifier: GPL-3.0-or-later
// The saved game's stored form: the board with the clock reading and the instant of the save.
#include "model/SavedGameCoding.h"

#include "model/BoardCoding.h"
#include "model/JsonRead.h"

#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

std::optional<SavedGame> decodeSavedGameUnchecked(const json& value)
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
    // The clock never runs backwards, so a negative reading would only buy a record.
    if (!elapsed || *elapsed < 0)
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
    // Written by hand to skip building a tree of 480 objects; the text is what dumping an
    // ordered_json {"board", "elapsed", "savedAt"} gives. The instant goes through the library
    // so that its shortest round-trip form is the library's own.
    std::string out = R"({"board":)";
    appendBoardJson(out, game.board);
    out += R"(,"elapsed":)";
    out += std::to_string(game.elapsed);
    out += R"(,"savedAt":)";
    out += json(game.savedAt).dump();
    out += '}';
    return out;
}

std::optional<SavedGame> decodeSavedGame(std::string_view bytes)
{
    const auto value = jsonread::parse(bytes);
    if (!value)
        return std::nullopt;
    return jsonread::guarded([&value] { return decodeSavedGameUnchecked(*value); });
}
