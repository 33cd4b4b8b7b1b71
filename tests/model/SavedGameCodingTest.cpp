// The saved game's stored form: compact output, exact instants and strict reading.
#include "model/SavedGameCoding.h"

#include "TestBoards.h"

#include "model/BoardCoding.h"
#include "model/Instant.h"
#include "model/SequenceRandom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using nlohmann::json;

namespace {

SavedGame gameInPlay()
{
    Mt64Random random(99);
    Board board = Board::fresh(Difficulty::expert);
    board.reveal(10, 8, random);
    board.toggleMark(0, 0);
    return SavedGame { board, 37, 786000000.25 };
}

} // namespace

TEST(SavedGameCoding, WritesCompactMembersInOrder)
{
    const SavedGame game = gameInPlay();
    const std::string encoded = encodeSavedGame(game);
    EXPECT_EQ(encoded,
        R"({"board":)" + encodeBoard(game.board).dump() +
            R"(,"elapsed":37,"savedAt":786000000.25})");
    EXPECT_EQ(encoded.find_first_of(" \n\t"), std::string::npos);
}

TEST(SavedGameCoding, InstantsRoundTripExactly)
{
    SavedGame game = gameInPlay();
    // Whole, fractional without a short decimal form, before 2001, and the far past.
    for (const Instant instant : { 786000000.0, 0.1 + 0.2, 786123456.7890123, -1.5, distantPast,
             std::nextafter(786000000.0, 1e12), 5e-324 }) {
        game.savedAt = instant;
        const auto decoded = decodeSavedGame(encodeSavedGame(game));
        ASSERT_TRUE(decoded) << instant;
        EXPECT_EQ(decoded->savedAt, instant);
        EXPECT_EQ(*decoded, game);
    }
    // A lost board carries its exploded point through.
    Mt64Random random(3);
    while (!game.board.isOver()) {
        const auto x = static_cast<std::int64_t>(random.next() % 30);
        const auto y = static_cast<std::int64_t>(random.next() % 16);
        game.board.reveal(x, y, random);
    }
    EXPECT_EQ(decodeSavedGame(encodeSavedGame(game)), game);
}

TEST(SavedGameCoding, ReadAcceptsOtherWritersForms)
{
    const SavedGame game = gameInPlay();
    json stored = json::parse(encodeSavedGame(game));
    // An integer instant, an unknown member and another member order.
    stored["savedAt"] = 786000000;
    stored["device"] = "laptop";
    auto decoded = decodeSavedGame(stored.dump(2));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->savedAt, 786000000.0);
    EXPECT_EQ(decoded->board, game.board);
    EXPECT_EQ(decoded->elapsed, 37);
}

TEST(SavedGameCoding, StrictReadRefusesWholeGame)
{
    const json valid = json::parse(encodeSavedGame(gameInPlay()));
    const std::vector<std::pair<const char*, std::function<void(json&)>>> breakages {
        { "no board", [](json& j) { j.erase("board"); } },
        { "no elapsed", [](json& j) { j.erase("elapsed"); } },
        { "no savedAt", [](json& j) { j.erase("savedAt"); } },
        { "fraction for elapsed", [](json& j) { j["elapsed"] = 37.5; } },
        { "string for elapsed", [](json& j) { j["elapsed"] = "37"; } },
        { "elapsed above int64", [](json& j) { j["elapsed"] = 9223372036854775808ULL; } },
        { "string for savedAt", [](json& j) { j["savedAt"] = "2025-11-30"; } },
        { "null savedAt", [](json& j) { j["savedAt"] = nullptr; } },
        { "board that does not decode", [](json& j) { j["board"]["phase"] = "Playing"; } },
        { "board with a missing cell", [](json& j) { j["board"]["cells"].erase(0); } },
        { "board as a string", [](json& j) { j["board"] = "expert"; } },
    };
    for (const auto& [what, breakage] : breakages) {
        json broken = valid;
        breakage(broken);
        EXPECT_FALSE(decodeSavedGame(broken.dump())) << what;
    }
    EXPECT_FALSE(decodeSavedGame(""));
    EXPECT_FALSE(decodeSavedGame("[]"));
    EXPECT_FALSE(decodeSavedGame(encodeSavedGame(gameInPlay()).substr(0, 500)));
    // An instant too large for a double does not parse; a NaN cannot be written as JSON.
    EXPECT_FALSE(decodeSavedGame(R"({"board":{},"elapsed":0,"savedAt":1e999})"));
}
