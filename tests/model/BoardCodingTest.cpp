// SPDX-License-Identifier: GPL-3.0-or-later
// The board's JSON form: the writer's exact bytes, round trips, and the strict reader that
// refuses malformed boards and boards no game could reach.
#include "model/BoardCoding.h"

#include "TestBoards.h"

#include "model/JsonRead.h"
#include "model/SequenceRandom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

using nlohmann::json;
using nlohmann::ordered_json;
using Phase = Board::Phase;

namespace {

std::string written(const Board& board)
{
    std::string text;
    appendBoardJson(text, board);
    return text;
}

std::optional<Board> read(const std::string& text)
{
    const auto value = jsonread::parse(text);
    return value ? decodeBoard(*value) : std::nullopt;
}

/// The JSON library's own text for a board, built member by member in the stored order.
std::string libraryText(const Board& board)
{
    ordered_json cells = ordered_json::array();
    for (const Cell& cell : board.cells)
        cells.push_back(ordered_json { { "isMine", cell.isMine }, { "isRevealed", cell.isRevealed },
            { "mark", rawValue(cell.mark) }, { "adjacent", cell.adjacent } });
    ordered_json object { { "difficulty", rawValue(board.difficulty) }, { "cells", cells },
        { "phase", rawValue(board.phase) }, { "minesLaid", board.minesLaid },
        { "revealedCount", board.revealedCount }, { "flagCount", board.flagCount } };
    if (board.exploded)
        object["exploded"] =
            ordered_json { { "x", board.exploded->x }, { "y", board.exploded->y } };
    return object.dump();
}

/// A beginner game in play: the chord board of the rules' tests opened at (4, 4), with a flag
/// on the mine at (0, 0) and a question mark on the safe (1, 0).
Board boardInPlay()
{
    Board board = boardWithMines(Difficulty::beginner,
        { { 0, 0 }, { 2, 0 }, { 7, 6 }, { 8, 6 }, { 6, 7 }, { 7, 7 }, { 8, 7 }, { 6, 8 }, { 7, 8 },
            { 8, 8 } });
    SequenceRandom random({});
    board.reveal(4, 4, random);
    board.toggleMark(0, 0);
    board.toggleMark(1, 0);
    board.toggleMark(1, 0);
    return board;
}

Board lostBoard()
{
    SequenceRandom random({});
    Board board = boardInPlay();
    // A wrong flag on a safe square stays after the loss.
    board.toggleMark(1, 0);
    board.toggleMark(1, 0);
    board.reveal(8, 8, random);
    return board;
}

Board wonBoard()
{
    SequenceRandom random({});
    Board board = boardInPlay();
    board.toggleMark(1, 0);
    board.reveal(1, 0, random);
    return board;
}

Cell& at(Board& board, std::int64_t x, std::int64_t y)
{
    return board.cells[static_cast<std::size_t>(board.index(x, y))];
}

} // namespace

TEST(BoardCoding, WriterMatchesTheLibraryByteForByte)
{
    const std::string cell = R"({"isMine":false,"isRevealed":false,"mark":"none","adjacent":0})";
    std::string cells;
    for (int i = 0; i < 81; ++i)
        cells += (i ? "," : "") + cell;
    EXPECT_EQ(written(Board::fresh(Difficulty::beginner)),
        R"({"difficulty":"beginner","cells":[)" + cells +
            R"(],"phase":"ready","minesLaid":false,"revealedCount":0,"flagCount":0})");
    EXPECT_TRUE(written(lostBoard()).ends_with(R"(,"exploded":{"x":8,"y":8}})"));
    // Any field values, the extremes of int64 included; text already in the string stays.
    std::mt19937_64 random(17);
    for (int i = 0; i < 60; ++i) {
        const Board board = arbitraryBoard(random);
        std::string text = "prefix";
        appendBoardJson(text, board);
        ASSERT_EQ(text, "prefix" + libraryText(board)) << "board " << i;
    }
}

TEST(BoardCoding, RoundTripsAndReadsOtherWritersForms)
{
    for (const Board& board :
        { Board::fresh(Difficulty::expert), boardInPlay(), lostBoard(), wonBoard() })
        EXPECT_EQ(read(written(board)), board) << rawValue(board.phase);
    // "exploded": null reads as absent; unknown keys, at the top and in a cell, are ignored;
    // members may come in any order.
    json stored = json::parse(written(boardInPlay()));
    stored["exploded"] = nullptr;
    stored["columns"] = 9;
    stored["cells"][3]["colour"] = "red";
    EXPECT_EQ(decodeBoard(stored), boardInPlay());
    // Boards real games leave that look odd: marks before the first uncovering, a win by the
    // first uncovering.
    Board marked = Board::fresh(Difficulty::beginner);
    marked.toggleMark(2, 2);
    marked.toggleMark(3, 3);
    marked.toggleMark(3, 3);
    SequenceRandom zeros({ 0 });
    Board wonAtOnce = Board::fresh(Difficulty::beginner);
    ASSERT_TRUE(wonAtOnce.reveal(8, 8, zeros));
    ASSERT_EQ(wonAtOnce.phase, Phase::won);
    for (const Board& board : { marked, wonAtOnce })
        EXPECT_EQ(read(written(board)), board) << rawValue(board.phase);
}

TEST(BoardCoding, MalformedBoardsAreRefusedWhole)
{
    const json valid = json::parse(written(boardInPlay()));
    const std::vector<std::pair<const char*, std::function<void(json&)>>> breakages {
        // Missing required keys.
        { "no difficulty", [](json& j) { j.erase("difficulty"); } },
        { "no cells", [](json& j) { j.erase("cells"); } },
        { "no minesLaid", [](json& j) { j.erase("minesLaid"); } },
        { "no flagCount", [](json& j) { j.erase("flagCount"); } },
        { "cell without adjacent", [](json& j) { j["cells"][80].erase("adjacent"); } },
        { "exploded without y",
            [](json& j) {
                j["exploded"] = json { { "x", 1 } };
            } },
        // Unknown enumeration strings.
        { "title for difficulty", [](json& j) { j["difficulty"] = "Beginner"; } },
        { "unknown phase", [](json& j) { j["phase"] = "paused"; } },
        { "unknown mark", [](json& j) { j["cells"][5]["mark"] = "Flag"; } },
        // Wrong JSON types.
        { "string for boolean", [](json& j) { j["minesLaid"] = "true"; } },
        { "number for boolean", [](json& j) { j["cells"][2]["isMine"] = 0; } },
        { "fraction for integer", [](json& j) { j["revealedCount"] = 70.5; } },
        { "whole float for integer", [](json& j) { j["flagCount"] = 1.0; } },
        { "object for cells", [](json& j) { j["cells"] = json::object(); } },
        { "number for a cell", [](json& j) { j["cells"][0] = 0; } },
        { "string for exploded", [](json& j) { j["exploded"] = "4,7"; } },
        { "fraction in exploded",
            [](json& j) {
                j["exploded"] = json { { "x", 1.5 }, { "y", 2 } };
            } },
        // Integers outside int64.
        { "count above int64", [](json& j) { j["revealedCount"] = 9223372036854775808ULL; } },
        { "adjacent above int64",
            [](json& j) { j["cells"][9]["adjacent"] = 18446744073709551615ULL; } },
        // Cell counts that do not match the size, which the rules would index past.
        { "one cell short", [](json& j) { j["cells"].erase(80); } },
        { "one cell extra", [](json& j) { j["cells"].push_back(j["cells"][0]); } },
        { "expert with beginner cells", [](json& j) { j["difficulty"] = "expert"; } },
    };
    for (const auto& [what, breakage] : breakages) {
        json broken = valid;
        breakage(broken);
        EXPECT_FALSE(decodeBoard(broken)) << what;
    }
    EXPECT_FALSE(decodeBoard(json::array()));
    EXPECT_FALSE(decodeBoard(json("board")));
}

TEST(BoardCoding, BoardsNoGameReachesAreRefused)
{
    const auto fresh = [] { return Board::fresh(Difficulty::beginner); };
    const struct {
        const char* what;
        std::function<Board()> base;
        std::function<void(Board&)> breakage;
    } cases[] = {
        // Numbers: outside 0 to 8 (the painter would show any of them), or not the mines around.
        { "adjacency 9 on a mine", boardInPlay, [](Board& b) { at(b, 0, 0).adjacent = 9; } },
        { "negative adjacency", boardInPlay, [](Board& b) { at(b, 2, 0).adjacent = -1; } },
        { "19-digit adjacency", boardInPlay,
            [](Board& b) { at(b, 4, 4).adjacent = 1234567890123456789; } },
        { "number off by one", boardInPlay, [](Board& b) { at(b, 1, 1).adjacent = 3; } },
        { "number before mines are laid", fresh, [](Board& b) { at(b, 4, 4).adjacent = 1; } },
        // Mines: all of the size's count once laid, none before.
        { "one mine short", boardInPlay,
            [](Board& b) {
                at(b, 2, 0).isMine = false;
                recount(b);
            } },
        { "one mine extra", boardInPlay,
            [](Board& b) {
                at(b, 1, 0).isMine = true;
                recount(b);
            } },
        { "mines before they are laid", boardInPlay, [](Board& b) { b.minesLaid = false; } },
        // Counters that differ from the squares.
        { "revealedCount one high", boardInPlay, [](Board& b) { ++b.revealedCount; } },
        { "flagCount one low", boardInPlay, [](Board& b) { --b.flagCount; } },
        { "flagCount of a won board", wonBoard, [](Board& b) { b.flagCount = 0; } },
        // Phases that contradict the squares.
        { "ready with a revealed square", fresh,
            [](Board& b) {
                at(b, 4, 4).isRevealed = true;
                b.revealedCount = 1;
            } },
        { "ready with mines laid", boardInPlay, [](Board& b) { b.phase = Phase::ready; } },
        { "playing with a revealed square and no mines", fresh,
            [](Board& b) {
                b.phase = Phase::playing;
                at(b, 4, 4).isRevealed = true;
                b.revealedCount = 1;
            } },
        { "playing with a revealed mine", boardInPlay,
            [](Board& b) { at(b, 2, 0).isRevealed = true; } },
        { "playing with every safe square open", wonBoard,
            [](Board& b) { b.phase = Phase::playing; } },
        { "playing with exploded", boardInPlay,
            [](Board& b) {
                b.exploded = Point { 0, 0 };
            } },
        { "lost without exploded", lostBoard, [](Board& b) { b.exploded.reset(); } },
        { "exploded not a mine", lostBoard,
            [](Board& b) {
                b.exploded = Point { 4, 4 };
            } },
        { "exploded outside", lostBoard,
            [](Board& b) {
                b.exploded = Point { 9, 0 };
            } },
        { "lost with a mine covered", lostBoard, [](Board& b) { at(b, 2, 0).isRevealed = false; } },
        { "lost before mines are laid", fresh,
            [](Board& b) {
                b.phase = Phase::lost;
                b.exploded = Point { 0, 0 };
            } },
        { "won with a safe square covered", boardInPlay, [](Board& b) { b.phase = Phase::won; } },
        { "won with exploded", wonBoard,
            [](Board& b) {
                b.exploded = Point { 0, 0 };
            } },
    };
    for (const auto& [what, base, breakage] : cases) {
        Board board = base();
        ASSERT_TRUE(read(written(board))) << "base of " << what;
        breakage(board);
        EXPECT_FALSE(board.isReachable()) << what;
        EXPECT_FALSE(read(written(board))) << what;
    }
}
