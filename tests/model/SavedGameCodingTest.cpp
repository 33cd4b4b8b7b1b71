// SPDX-License-Identifier: GPL-3.0-or-later
// The saved game's stored form: exact bytes, exact instants on their reference epoch, and the
// strict reader.
#include "model/SavedGameCoding.h"

#include "TestBoards.h"

#include "model/BoardCoding.h"
#include "model/Instant.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>

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

TEST(SavedGameCoding, WritesTheLibrarysCompactText)
{
    const SavedGame game = gameInPlay();
    const std::string encoded = encodeSavedGame(game);
    std::string board;
    appendBoardJson(board, game.board);
    EXPECT_EQ(encoded, R"({"board":)" + board + R"(,"elapsed":37,"savedAt":786000000.25})");
    EXPECT_EQ(nlohmann::ordered_json::parse(encoded).dump(), encoded);
    EXPECT_EQ(decodeSavedGame(encoded), game);
}

TEST(SavedGameCoding, InstantsKeepTheirReferenceEpochAndEveryBit)
{
    // Stored instants count seconds from 2001-01-01 00:00:00 UTC, as other machines do. The far
    // past is the start of year 1 as they count it, in the Julian calendar: two days earlier
    // than the Gregorian reckoning.
    using namespace std::chrono;
    const auto reference = sys_days { year { 2001 } / January / 1 };
    EXPECT_EQ(unixToReferenceOffset, duration<double>(reference.time_since_epoch()).count());
    EXPECT_EQ(distantPast,
        duration<double>(sys_days { year { 1 } / January / 1 } - days { 2 } - reference).count());

    SavedGame game = gameInPlay();
    // Whole, fractional without a short decimal form, before 2001, and the far past.
    for (const Instant instant : { 786000000.0, 0.1 + 0.2, 786123456.7890123, -1.5, distantPast,
             std::nextafter(786000000.0, 1e12), 5e-324 }) {
        game.savedAt = instant;
        const auto decoded = decodeSavedGame(encodeSavedGame(game));
        ASSERT_TRUE(decoded) << instant;
        EXPECT_EQ(*decoded, game);
    }
}

TEST(SavedGameCoding, ReadsOtherTextsOfTheSameValue)
{
    const SavedGame game = gameInPlay();
    const std::string encoded = encodeSavedGame(game);
    const auto replaced = [&encoded](std::string_view from, std::string_view to) {
        std::string text = encoded;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    // White space, another key order, an escaped letter, an unknown member.
    for (const std::string& text : { json::parse(encoded).dump(1), json::parse(encoded).dump(),
             replaced(R"("difficulty":"expert")", R"("difficulty":"\u0065xpert")"),
             replaced(R"("elapsed":37)", R"("device":"laptop","elapsed":37)") })
        EXPECT_EQ(decodeSavedGame(text), game) << text.substr(0, 60);
    // A whole number for the instant is a number all the same; a clock at zero is a clock.
    EXPECT_EQ(decodeSavedGame(replaced("786000000.25", "786000000")),
        (SavedGame { game.board, game.elapsed, 786000000.0 }));
    EXPECT_EQ(decodeSavedGame(replaced(R"("elapsed":37)", R"("elapsed":0)"))->elapsed, 0);
}

TEST(SavedGameCoding, MalformedGamesAreRefused)
{
    const std::string encoded = encodeSavedGame(gameInPlay());
    const json valid = json::parse(encoded);
    const std::vector<std::pair<const char*, std::function<void(json&)>>> breakages {
        { "no board", [](json& j) { j.erase("board"); } },
        { "no elapsed", [](json& j) { j.erase("elapsed"); } },
        { "no savedAt", [](json& j) { j.erase("savedAt"); } },
        // A clock run backwards would buy a best time.
        { "negative elapsed", [](json& j) { j["elapsed"] = -1; } },
        { "hugely negative elapsed", [](json& j) { j["elapsed"] = -1000000000000000000LL; } },
        { "fraction for elapsed", [](json& j) { j["elapsed"] = 37.5; } },
        { "elapsed above int64", [](json& j) { j["elapsed"] = 9223372036854775808ULL; } },
        { "string for savedAt", [](json& j) { j["savedAt"] = "2025-11-30"; } },
        { "null savedAt", [](json& j) { j["savedAt"] = nullptr; } },
        { "board that does not decode", [](json& j) { j["board"]["phase"] = "Playing"; } },
        { "unreachable board", [](json& j) { j["board"]["revealedCount"] = 1; } },
    };
    for (const auto& [what, breakage] : breakages) {
        json broken = valid;
        breakage(broken);
        EXPECT_FALSE(decodeSavedGame(broken.dump())) << what;
    }
    for (const std::string& text : { std::string(), std::string("[]"), encoded.substr(0, 500),
             encoded + " x", encoded.substr(0, encoded.size() - 1),
             // An instant too large for a double.
             std::string(R"({"board":{},"elapsed":0,"savedAt":1e999})") })
        EXPECT_FALSE(decodeSavedGame(text)) << text.substr(0, 60);
    // A leading zero is not JSON; a whole float is not an integer; a trailing comma.
    for (const std::string_view elapsed : { "037", "37.0", "37," }) {
        std::string text = encoded;
        text.replace(text.find(R"("elapsed":37)") + 10, 2, elapsed);
        EXPECT_FALSE(decodeSavedGame(text)) << elapsed;
    }
}
