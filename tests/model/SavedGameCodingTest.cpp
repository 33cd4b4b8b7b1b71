// The saved game's stored form: compact output, exact instants and strict reading.
#include "model/SavedGameCoding.h"

#include "TestBoards.h"

#include "model/BoardCoding.h"
#include "model/CanonicalRead.h"
#include "model/Instant.h"
#include "model/JsonRead.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using nlohmann::json;

namespace {

/// What the general reader alone makes of the bytes.
std::optional<SavedGame> generalRead(std::string_view bytes)
{
    const auto value = jsonread::parse(bytes);
    return value ? decodeSavedGameValue(*value) : std::nullopt;
}

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
}

TEST(SavedGameCoding, StrictReadRefusesWholeGame)
{
    const json valid = json::parse(encodeSavedGame(gameInPlay()));
    const std::vector<std::pair<const char*, std::function<void(json&)>>> breakages {
        { "no board", [](json& j) { j.erase("board"); } },
        { "no savedAt", [](json& j) { j.erase("savedAt"); } },
        { "fraction for elapsed", [](json& j) { j["elapsed"] = 37.5; } },
        { "elapsed above int64", [](json& j) { j["elapsed"] = 9223372036854775808ULL; } },
        { "string for savedAt", [](json& j) { j["savedAt"] = "2025-11-30"; } },
        { "null savedAt", [](json& j) { j["savedAt"] = nullptr; } },
        { "board that does not decode", [](json& j) { j["board"]["phase"] = "Playing"; } },
        { "board with a missing cell", [](json& j) { j["board"]["cells"].erase(0); } },
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

TEST(SavedGameCoding, FastReaderTakesEverythingTheWriterWrites)
{
    std::mt19937_64 random(41);
    for (int i = 0; i < 60; ++i) {
        SavedGame game { arbitraryBoard(random), static_cast<std::int64_t>(random()), 0 };
        // Any finite double, by its bits.
        do {
            const std::uint64_t bits = random();
            std::memcpy(&game.savedAt, &bits, sizeof bits);
        } while (!std::isfinite(game.savedAt));
        const std::string encoded = encodeSavedGame(game);
        EXPECT_EQ(canonical::readSavedGame(encoded), game) << encoded.substr(encoded.size() - 80);
        EXPECT_EQ(generalRead(encoded), game);
    }
}

TEST(SavedGameCoding, OtherTextGoesTheGeneralWay)
{
    const SavedGame game = gameInPlay();
    const std::string encoded = encodeSavedGame(game);
    const auto replaced = [&encoded](std::string_view from, std::string_view to) {
        std::string text = encoded;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const std::string readable[] = {
        // White space, another key order, an escaped letter; an unknown member.
        json::parse(encoded).dump(1),
        json::parse(encoded).dump(),
        replaced(R"("difficulty":"expert")", R"("difficulty":"\u0065xpert")"),
        replaced(R"("elapsed":37)", R"("device":"laptop","elapsed":37)"),
    };
    for (const std::string& text : readable) {
        EXPECT_FALSE(canonical::readSavedGame(text)) << text.substr(0, 60);
        EXPECT_EQ(decodeSavedGame(text), game) << text.substr(0, 60);
    }
    // A whole number for the instant is a number all the same.
    const std::string whole = replaced("786000000.25", "786000000");
    EXPECT_EQ(decodeSavedGame(whole), (SavedGame { game.board, game.elapsed, 786000000.0 }));

    const std::string unreadable[] = {
        // A leading zero is not JSON; a whole float is not an integer; a trailing comma.
        replaced(R"("elapsed":37)", R"("elapsed":037)"),
        replaced(R"("elapsed":37)", R"("elapsed":37.0)"),
        replaced(R"("elapsed":37)", R"("elapsed":37,)"),
        encoded + " x",
        encoded.substr(0, encoded.size() - 1),
    };
    for (const std::string& text : unreadable)
        EXPECT_FALSE(decodeSavedGame(text)) << text.substr(text.size() - 60);
}

TEST(SavedGameCoding, FastReaderNeverDisagreesWithTheGeneralOne)
{
    // Random damage to a small saved game: whatever the fast reader accepts must read the
    // same way through the full parser.
    Mt64Random mines(5);
    Board board = Board::fresh(Difficulty::beginner);
    board.reveal(4, 4, mines);
    board.toggleMark(0, 0);
    const std::string encoded = encodeSavedGame(SavedGame { board, 12, 786000000.5 });
    std::mt19937_64 random(8);
    const std::string_view alphabet = "0123456789-+.eE\",:{}[] aflnrstuxyz";
    int accepted = 0;
    for (int i = 0; i < 300; ++i) {
        std::string text = encoded;
        for (int edits = 1 + static_cast<int>(random() % 3); edits > 0; --edits) {
            // Half the edits swap one digit for another, which mostly keeps the shape.
            std::size_t at = random() % text.size();
            if (random() % 2 == 0) {
                while (text[at] < '0' || text[at] > '9')
                    at = (at + 1) % text.size();
                text[at] = static_cast<char>('0' + random() % 10);
            } else {
                text[at] = alphabet[random() % alphabet.size()];
            }
        }
        const auto fast = canonical::readSavedGame(text);
        const auto general = generalRead(text);
        if (fast) {
            ++accepted;
            EXPECT_EQ(fast, general) << text;
        } else {
            EXPECT_EQ(decodeSavedGame(text), general) << text;
        }
    }
    // Many edits only change a value, which must still be taken.
    EXPECT_GT(accepted, 30);
}
