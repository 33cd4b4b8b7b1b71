// The board's JSON form: exact output, round trips and the strict reader.
#include "model/BoardCoding.h"

#include "TestBoards.h"

#include "model/SequenceRandom.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using nlohmann::json;

namespace {

/// A beginner game in play with a flag, a question mark and an opened region.
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

/// The stored form as a plain (unordered) JSON value, ready to be edited.
json storedForm(const Board& board)
{
    return json::parse(encodeBoard(board).dump());
}

} // namespace

TEST(BoardCoding, WritesKeysInTheStoredOrder)
{
    const std::string cell = R"({"isMine":false,"isRevealed":false,"mark":"none","adjacent":0})";
    std::string cells;
    for (int i = 0; i < 81; ++i)
        cells += (i ? "," : "") + cell;
    EXPECT_EQ(encodeBoard(Board::fresh(Difficulty::beginner)).dump(),
        R"({"difficulty":"beginner","cells":[)" + cells +
            R"(],"phase":"ready","minesLaid":false,"revealedCount":0,"flagCount":0})");

    Board lost = Board::fresh(Difficulty::expert);
    lost.phase = Board::Phase::lost;
    lost.exploded = Point { 4, 7 };
    lost.cells[0] = Cell { false, false, Mark::none, 2 };
    lost.cells[1] = Cell { true, true, Mark::question, 0 };
    const auto encoded = encodeBoard(lost);
    EXPECT_EQ(encoded["cells"].size(), 480u);
    EXPECT_EQ(encoded["cells"][0].dump(),
        R"({"isMine":false,"isRevealed":false,"mark":"none","adjacent":2})");
    EXPECT_EQ(encoded["cells"][1].dump(),
        R"({"isMine":true,"isRevealed":true,"mark":"question","adjacent":0})");
    EXPECT_EQ(encoded["phase"], "lost");
    EXPECT_EQ(encoded.back().dump(), R"({"x":4,"y":7})");
}

TEST(BoardCoding, RoundTripsInEveryPhase)
{
    SequenceRandom random({});
    Board board = boardInPlay();
    EXPECT_EQ(decodeBoard(storedForm(board)), board);

    Board lost = board;
    ASSERT_TRUE(lost.reveal(8, 8, random));
    ASSERT_TRUE(lost.exploded);
    EXPECT_EQ(decodeBoard(storedForm(lost)), lost);

    Board won = board;
    ASSERT_TRUE(won.toggleMark(1, 0));
    ASSERT_TRUE(won.reveal(1, 0, random));
    ASSERT_EQ(won.phase, Board::Phase::won);
    EXPECT_EQ(decodeBoard(storedForm(won)), won);
}

TEST(BoardCoding, OptionalAndExtraKeys)
{
    const Board board = boardInPlay();
    // "exploded": null reads as absent; unknown keys, at the top and in a cell, are ignored.
    json stored = storedForm(board);
    stored["exploded"] = nullptr;
    stored["columns"] = 9;
    stored["cells"][3]["colour"] = "red";
    EXPECT_EQ(decodeBoard(stored), board);
}

TEST(BoardCoding, StrictReadRefusesWholeBoard)
{
    const json valid = storedForm(boardInPlay());
    const std::vector<std::pair<const char*, std::function<void(json&)>>> breakages {
        // Missing required keys.
        { "no difficulty", [](json& j) { j.erase("difficulty"); } },
        { "no cells", [](json& j) { j.erase("cells"); } },
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
    // Not an object at all.
    EXPECT_FALSE(decodeBoard(json::array()));
    EXPECT_FALSE(decodeBoard(json("board")));
}

TEST(BoardCoding, ReadTakesInconsistentCountersAsTheyAre)
{
    // Only the shape is checked: counters that disagree with the cells are kept, and the
    // rules can still be run safely on the result.
    json stored = storedForm(boardInPlay());
    stored["revealedCount"] = -3;
    stored["flagCount"] = 1000;
    stored["cells"][40]["adjacent"] = 12;
    const auto board = decodeBoard(stored);
    ASSERT_TRUE(board);
    EXPECT_EQ(storedForm(*board), stored);
}

TEST(BoardCoding, DirectWriterMatchesTheLibrarysText)
{
    std::mt19937_64 random(17);
    for (int i = 0; i < 60; ++i) {
        const Board board = arbitraryBoard(random);
        std::string text = "prefix";
        appendBoardJson(text, board);
        ASSERT_EQ(text, "prefix" + encodeBoard(board).dump()) << "board " << i;
    }
}
