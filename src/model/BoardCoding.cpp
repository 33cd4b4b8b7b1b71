// SPDX-License-Identifier: GPL-3.0-or-later
// Writing and strictly reading the JSON form of a board.
#include "model/BoardCoding.h"

#include "model/JsonRead.h"

#include <array>
#include <charconv>

namespace {

using nlohmann::json;

/// The member named key, or nullptr when value is not an object or has no such member.
const json* member(const json& value, const char* key)
{
    if (!value.is_object())
        return nullptr;
    const auto it = value.find(key);
    return it == value.end() ? nullptr : &*it;
}

std::optional<std::int64_t> integerMember(const json& value, const char* key)
{
    const json* found = member(value, key);
    return found ? jsonread::integer(*found) : std::nullopt;
}

std::optional<bool> booleanMember(const json& value, const char* key)
{
    const json* found = member(value, key);
    return found ? jsonread::boolean(*found) : std::nullopt;
}

std::optional<std::string_view> stringMember(const json& value, const char* key)
{
    const json* found = member(value, key);
    return found ? jsonread::string(*found) : std::nullopt;
}

std::optional<Point> decodePoint(const json& value)
{
    const auto x = integerMember(value, "x");
    if (!x)
        return std::nullopt;
    const auto y = integerMember(value, "y");
    if (!y)
        return std::nullopt;
    return Point { *x, *y };
}

std::optional<Cell> decodeCell(const json& value)
{
    Cell cell;
    const auto isMine = booleanMember(value, "isMine");
    if (!isMine)
        return std::nullopt;
    cell.isMine = *isMine;
    const auto isRevealed = booleanMember(value, "isRevealed");
    if (!isRevealed)
        return std::nullopt;
    cell.isRevealed = *isRevealed;
    const auto markRaw = stringMember(value, "mark");
    const auto mark = markRaw ? markFromRaw(*markRaw) : std::nullopt;
    if (!mark)
        return std::nullopt;
    cell.mark = *mark;
    const auto adjacent = integerMember(value, "adjacent");
    if (!adjacent)
        return std::nullopt;
    cell.adjacent = *adjacent;
    return cell;
}

std::optional<Board> decodeBoardUnchecked(const json& value)
{
    Board board;
    const auto difficultyRaw = stringMember(value, "difficulty");
    const auto difficulty = difficultyRaw ? difficultyFromRaw(*difficultyRaw) : std::nullopt;
    if (!difficulty)
        return std::nullopt;
    board.difficulty = *difficulty;

    const json* cells = member(value, "cells");
    if (!cells || !cells->is_array())
        return std::nullopt;
    // The size check comes before decoding the squares so a huge array is refused cheaply.
    if (cells->size() !=
        static_cast<std::size_t>(columns(board.difficulty) * rows(board.difficulty)))
        return std::nullopt;
    board.cells.reserve(cells->size());
    for (const json& cellValue : *cells) {
        auto cell = decodeCell(cellValue);
        if (!cell)
            return std::nullopt;
        board.cells.push_back(*cell);
    }

    const auto phaseRaw = stringMember(value, "phase");
    const auto phase = phaseRaw ? phaseFromRaw(*phaseRaw) : std::nullopt;
    if (!phase)
        return std::nullopt;
    board.phase = *phase;

    const auto minesLaid = booleanMember(value, "minesLaid");
    if (!minesLaid)
        return std::nullopt;
    board.minesLaid = *minesLaid;

    const auto revealedCount = integerMember(value, "revealedCount");
    if (!revealedCount)
        return std::nullopt;
    board.revealedCount = *revealedCount;

    const auto flagCount = integerMember(value, "flagCount");
    if (!flagCount)
        return std::nullopt;
    board.flagCount = *flagCount;

    if (const json* exploded = member(value, "exploded"); exploded && !exploded->is_null()) {
        const auto point = decodePoint(*exploded);
        if (!point)
            return std::nullopt;
        board.exploded = *point;
    }
    return board;
}

} // namespace

void appendBoardJson(std::string& out, const Board& board)
{
    // Written by hand: building the library's tree of 480 objects costs ten times as much, and
    // this runs after every move. Everything written is a fixed ASCII literal or a decimal
    // integer, the two things the library's dump writes without escaping or formatting
    // choices, so the text is byte for byte what dumping an ordered_json of the board gives.
    const auto appendInteger = [&out](std::int64_t value) {
        std::array<char, 24> digits {};
        const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
        out.append(digits.data(), end);
    };
    const auto appendBoolean = [&out](bool value) { out += value ? "true" : "false"; };

    // About 64 bytes a square.
    out.reserve(out.size() + 200 + board.cells.size() * 66);
    out += R"({"difficulty":")";
    out += rawValue(board.difficulty);
    out += R"(","cells":[)";
    bool first = true;
    for (const Cell& cell : board.cells) {
        out += first ? R"({"isMine":)" : R"(,{"isMine":)";
        first = false;
        appendBoolean(cell.isMine);
        out += R"(,"isRevealed":)";
        appendBoolean(cell.isRevealed);
        out += R"(,"mark":")";
        out += rawValue(cell.mark);
        out += R"(","adjacent":)";
        appendInteger(cell.adjacent);
        out += '}';
    }
    out += R"(],"phase":")";
    out += rawValue(board.phase);
    out += R"(","minesLaid":)";
    appendBoolean(board.minesLaid);
    out += R"(,"revealedCount":)";
    appendInteger(board.revealedCount);
    out += R"(,"flagCount":)";
    appendInteger(board.flagCount);
    if (board.exploded) {
        out += R"(,"exploded":{"x":)";
        appendInteger(board.exploded->x);
        out += R"(,"y":)";
        appendInteger(board.exploded->y);
        out += '}';
    }
    out += '}';
}

std::optional<Board> decodeBoard(const nlohmann::json& value)
{
    return jsonread::guarded([&value]() -> std::optional<Board> {
        auto board = decodeBoardUnchecked(value);
        if (!board || !board->isReachable())
            return std::nullopt;
        return board;
    });
}
