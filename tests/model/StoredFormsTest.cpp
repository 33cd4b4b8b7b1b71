// SPDX-License-Identifier: GPL-3.0-or-later
// The stored forms of boards, saved games and records: their exact bytes, what reads back, and
// everything refused, down to the strict JSON reader beneath them.
#include "ModelTesting.h"

#include "model/Instant.h"
#include "model/RecordsCoding.h"
#include "model/SavedGameCoding.h"

#include <chrono>
#include <cmath>
#include <functional>

using nlohmann::json;
using namespace std::string_literals;

namespace {

const json removed = json::value_t::discarded;

/// value with the member at path set to replacement, or removed when replacement is discarded.
json patched(json value, const char* path, const json& replacement)
{
    if (replacement.is_discarded())
        return value.patch({ { { "op", "remove" }, { "path", path } } });
    return value[json::json_pointer(path)] = replacement, value;
}

/// The chord board opened at (4, 4), a flag on the mine at (0, 0), a question mark on (1, 0);
/// won by uncovering (1, 0), or lost at (8, 8) with a wrong flag left on (1, 0).
Board game(Phase phase = Phase::playing)
{
    const Board board = play(chordBoard(), "r4,4 m0,0 m1,0 m1,0");
    return phase == Phase::won ? play(board, "r1,0")
        : phase == Phase::lost ? play(board, "m1,0 m1,0 r8,8")
                               : board;
}

} // namespace

TEST(JsonRead, OneShallowValueAndStrictScalars)
{
    const auto nested = [](std::size_t n) { return std::string(n, '[') + std::string(n, ']'); };
    EXPECT_TRUE(jsonread::parse(nested(jsonread::maxDepth)));
    // Brackets inside strings, escaped quotes included, are text, not nesting.
    EXPECT_TRUE(jsonread::parse("[\"\\\"" + std::string(100, '[') + "\"]"));
    // Empty, cut short, two values, trailing text or comma, invalid UTF-8, a number beyond a
    // double, a leading zero; too deep, and deep enough to overflow a recursive parser.
    for (const std::string& text : { ""s, "[1,2"s, "[1] [2]"s, "{} x"s, "{\"a\":1,}"s, "\"\xff\""s,
             "1e400"s, "037"s, nested(jsonread::maxDepth + 1), nested(100000) })
        EXPECT_FALSE(jsonread::parse(text)) << text.substr(0, 40);
    EXPECT_FALSE(decodeRecords(nested(100000)) || decodeSavedGame(std::string(100000, '{')));
    const auto parsed = [](std::string_view text) { return jsonread::parse(text).value(); };
    // Integers fit int64 exactly; fractions and exponents are floating point even when whole.
    EXPECT_TRUE(jsonread::integer(parsed("9223372036854775807")) == highest &&
        jsonread::integer(parsed("-9223372036854775808")) == lowest);
    for (const char* text :
        { "9223372036854775808", "-9223372036854775809", "2.0", "1e2", "true", "\"42\"" })
        EXPECT_FALSE(jsonread::integer(parsed(text))) << text;
    EXPECT_EQ(jsonread::number(parsed("18446744073709551615")), 18446744073709551615.0);
    EXPECT_FALSE(jsonread::number(json(INFINITY)) || jsonread::number(json(NAN)));
}

TEST(BoardCoding, ExactBytesAndRoundTrips)
{
    const std::string plain = R"({"isMine":false,"isRevealed":false,"mark":"none","adjacent":0})";
    std::string cells = plain;
    for (int i = 1; i < 81; ++i)
        cells += "," + plain;
    EXPECT_EQ(written(Board::fresh(beginner)),
        R"({"difficulty":"beginner","cells":[)" + cells +
            R"(],"phase":"ready","minesLaid":false,"revealedCount":0,"flagCount":0})");
    // Any field values, the extremes of int64 included.
    Board odd = Board::fresh(beginner);
    odd.cells[0] = { true, true, Mark::flag, lowest };
    odd.cells[1] = { false, true, Mark::question, highest };
    odd.cells[2].adjacent = -10;
    odd.phase = Phase::lost, odd.minesLaid = true, odd.exploded = Point { highest, -1 };
    odd.revealedCount = lowest, odd.flagCount = 1234567890;
    EXPECT_EQ(written(odd),
        R"({"difficulty":"beginner","cells":[{"isMine":true,"isRevealed":true,"mark":"flag",)"
        R"("adjacent":-9223372036854775808},{"isMine":false,"isRevealed":true,"mark":"question",)"
        R"("adjacent":9223372036854775807},{"isMine":false,"isRevealed":false,"mark":"none",)"
        R"("adjacent":-10})" +
            cells.substr(3 * plain.size() + 2) +
            R"(],"phase":"lost","minesLaid":true,"revealedCount":-9223372036854775808,)"
            R"("flagCount":1234567890,"exploded":{"x":9223372036854775807,"y":-1}})");
    // Odd boards real games leave: marks before the first uncovering, a win by the first one.
    const Board fresh = Board::fresh(beginner);
    for (const Board& board : { Board::fresh(expert), game(), game(Phase::lost), game(Phase::won),
             play(fresh, "m2,2 m3,3 m3,3"), play(fresh, "r8,8") })
        EXPECT_EQ(read(written(board)), board) << rawValue(board.phase);
    // A null "exploded" is absent; unknown keys, at the top and in a cell, are ignored.
    const json stored = json::parse(written(game()));
    EXPECT_EQ(decodeBoard(patched(patched(patched(stored, "/exploded", nullptr), "/columns", 9),
                  "/cells/3/colour", "red")),
        game());
}

TEST(BoardCoding, MalformedBoardsAreRefusedWhole)
{
    const json valid = json::parse(written(game()));
    // Missing keys, unknown enumeration strings, wrong JSON types (a whole float is no integer),
    // integers outside int64, and cell counts that do not match the size, which the rules would
    // index past.
    const std::pair<const char*, json> breakages[] = { { "/difficulty", removed },
        { "/cells", removed }, { "/minesLaid", removed }, { "/flagCount", removed },
        { "/cells/80/adjacent", removed }, { "/exploded", { { "x", 1 } } },
        { "/difficulty", "Beginner" }, { "/phase", "paused" }, { "/cells/5/mark", "Flag" },
        { "/minesLaid", "true" }, { "/cells/2/isMine", 0 }, { "/revealedCount", 70.5 },
        { "/flagCount", 1.0 }, { "/cells", json::object() }, { "/cells/0", 0 },
        { "/exploded", "4,7" }, { "/exploded", { { "x", 1.5 }, { "y", 2 } } },
        { "/revealedCount", 9223372036854775808ULL },
        { "/cells/9/adjacent", 18446744073709551615ULL }, { "/cells/80", removed },
        { "/cells/-", valid["cells"][0] }, { "/difficulty", "expert" } };
    for (const auto& [path, value] : breakages)
        EXPECT_FALSE(decodeBoard(patched(valid, path, value))) << path << " " << value;
    EXPECT_FALSE(decodeBoard(json::array()) || decodeBoard(json("board")));
}

TEST(BoardCoding, BoardsNoGameReachesAreRefused)
{
    const Board fresh = Board::fresh(beginner), open = game(), lost = game(Phase::lost),
                won = game(Phase::won);
    std::vector<Point> eleven(11);
    for (std::int64_t i = 0; i < 11; ++i)
        eleven[std::size_t(i)] = { i % 9, i / 9 };
    const Board marked = play(fresh, "m8,8"); // playing before any mine is laid
    const auto opened = [](Board& b) { b.cells[40].isRevealed = true, b.revealedCount = 1; };
    // Numbers outside 0 to 8 (the painter would show any of them) or not the mines around, mines
    // not the size's count, counters and phases that contradict the squares. Squares by index: 0
    // and 2 are mines at (0, 0) and (2, 0), 10 is (1, 1) showing 2, 40 is (4, 4), first opened.
    const std::tuple<const char*, const Board&, std::function<void(Board&)>> cases[] = {
        { "adjacency 9 on a mine", open, [](Board& b) { b.cells[0].adjacent = 9; } },
        { "negative adjacency", open, [](Board& b) { b.cells[2].adjacent = -1; } },
        { "19 digits", open, [](Board& b) { b.cells[40].adjacent = 1234567890123456789; } },
        { "number off by one", open, [](Board& b) { b.cells[10].adjacent = 3; } },
        { "number before mines", fresh, [](Board& b) { b.cells[40].adjacent = 1; } },
        { "one mine at (0, 0)", fresh,
            [](Board& b) { b = boardWithMines(beginner, std::vector<Point>(1)); } },
        { "eleven mines", fresh, [&eleven](Board& b) { b = boardWithMines(beginner, eleven); } },
        { "mines before they are laid", open, [](Board& b) { b.minesLaid = false; } },
        { "revealedCount one high", open, [](Board& b) { ++b.revealedCount; } },
        { "flagCount one low", open, [](Board& b) { --b.flagCount; } },
        { "flagCount of a won board", won, [](Board& b) { b.flagCount = 0; } },
        { "ready with a square open", fresh, opened },
        { "ready with mines laid", open, [](Board& b) { b.phase = Phase::ready; } },
        { "playing, a square open, no mines", marked, opened },
        { "playing with a revealed mine", open, [](Board& b) { b.cells[2].isRevealed = true; } },
        { "playing with every safe square open", won, [](Board& b) { b.phase = Phase::playing; } },
        { "playing with exploded", open, [](Board& b) { b.exploded = Point(0, 0); } },
        { "lost without exploded", lost, [](Board& b) { b.exploded.reset(); } },
        { "exploded not a mine", lost, [](Board& b) { b.exploded = Point(4, 4); } },
        { "exploded outside", lost, [](Board& b) { b.exploded = Point(9, 0); } },
        { "lost with a mine covered", lost, [](Board& b) { b.cells[2].isRevealed = false; } },
        { "lost before mines are laid", fresh,
            [](Board& b) { b.phase = Phase::lost, b.exploded = Point(0, 0); } },
        { "won with a safe square covered", open, [](Board& b) { b.phase = Phase::won; } },
        { "won with exploded", won, [](Board& b) { b.exploded = Point(0, 0); } }
    };
    for (const auto& [what, base, breakage] : cases) {
        Board board = base;
        breakage(board);
        EXPECT_FALSE(board.isReachable() || read(written(board))) << what;
    }
}

TEST(SavedGameCoding, ExactBytesInstantsAndRefusals)
{
    SavedGame saved { game(), 37, 786000000.25 };
    const std::string encoded = encodeSavedGame(saved);
    EXPECT_EQ(encoded,
        R"({"board":)" + written(saved.board) + R"(,"elapsed":37,"savedAt":786000000.25})");
    // Stored instants count seconds from 2001-01-01 00:00:00 UTC, as other machines do; the far
    // past is the start of year 1 as they count it, two days before the Gregorian reckoning.
    using namespace std::chrono;
    const auto reference = sys_days { year { 2001 } / January / 1 };
    EXPECT_EQ(unixToReferenceOffset, duration<double>(reference.time_since_epoch()).count());
    EXPECT_EQ(distantPast,
        duration<double>(sys_days { year { 1 } / January / 1 } - days { 2 } - reference).count());
    // Whole, fractional without a short decimal form, before 2001, and the far past.
    for (const Instant instant : { 786000000.0, 0.1 + 0.2, 786123456.7890123, -1.5, distantPast,
             std::nextafter(786000000.0, 1e12), 5e-324 })
        EXPECT_EQ(decodeSavedGame(encodeSavedGame({ saved.board, 37, instant })),
            (SavedGame { saved.board, 37, instant }));
    // White space, another key order, an unknown member; a whole number for the instant is a
    // number all the same, and a clock at zero is a clock.
    const json valid = json::parse(encoded);
    for (const auto& [text, elapsed, at] :
        { std::tuple { valid.dump(1), 37, 786000000.25 }, { valid.dump(), 37, 786000000.25 },
            { patched(valid, "/device", "laptop").dump(), 37, 786000000.25 },
            { patched(valid, "/savedAt", 786000000).dump(), 37, 786000000.0 },
            { patched(valid, "/elapsed", 0).dump(), 0, 786000000.25 } })
        EXPECT_EQ(decodeSavedGame(text), (SavedGame { saved.board, elapsed, at }))
            << text.substr(0, 60);
    // Missing members, a clock run backwards (it would buy a best time) or not a whole count, an
    // instant that is no number, a board refused or that no game reaches.
    const std::pair<const char*, json> breakages[] = { { "/board", removed },
        { "/elapsed", removed }, { "/savedAt", removed }, { "/elapsed", -1 },
        { "/elapsed", -1000000000000000000LL }, { "/elapsed", 37.5 }, { "/elapsed", 37.0 },
        { "/elapsed", 9223372036854775808ULL }, { "/savedAt", "2025-11-30" },
        { "/savedAt", nullptr }, { "/board/phase", "Playing" }, { "/board/revealedCount", 1 } };
    for (const auto& [path, value] : breakages)
        EXPECT_FALSE(decodeSavedGame(patched(valid, path, value).dump())) << path << " " << value;
    EXPECT_FALSE(decodeSavedGame("[]"));
}

TEST(Records, MergeAndCompactAlternatingArray)
{
    // The larger counts and the smaller best, either way round; sizes on one side keep theirs.
    const Records local { { beginner, { 3, 2, 41 } }, { intermediate, { 1, 0, {} } },
        { expert, { 1, 0, {} } } };
    const Records cloud { { beginner, { 5, 1, 60 } }, { expert, { 2, 1, 300 } } };
    const Records both { { beginner, { 5, 2, 41 } }, { intermediate, { 1, 0, {} } },
        { expert, { 2, 1, 300 } } };
    EXPECT_TRUE(mergeRecords(local, cloud) == both && mergeRecords(cloud, local) == both &&
        mergeRecords(both, both) == both);
    EXPECT_EQ(encodeRecords({}), "[]");
    // Read, then written again (the same text where none is given). Pairs and members in any order,
    // white space, a null best time, unknown members; the later of two pairs for one size wins, and
    // a refused later pair removes both; the limits themselves read.
    const std::pair<const char*, const char*> readings[] = {
        { R"(["beginner",{"played":5,"won":2,"bestSeconds":41},"expert",{"played":1000000000,"won":1000000000,"bestSeconds":1}])",
            "" },
        { R"([ "expert", {"won":1,"played":4}, "intermediate", {"played":2,"won":2,"bestSeconds":99,"streak":3} ])",
            R"(["intermediate",{"played":2,"won":2,"bestSeconds":99},"expert",{"played":4,"won":1}])" },
        { R"(["beginner",{"played":9,"won":9,"bestSeconds":5},"beginner",{"played":1,"won":0,"bestSeconds":null}])",
            R"(["beginner",{"played":1,"won":0}])" },
        { R"(["expert",{"played":2,"won":1},"expert",{"played":1,"won":2}])", "[]" }
    };
    for (const auto& [text, written] : readings)
        EXPECT_EQ(encodeRecords(decodeRecords(text).value()), *written ? written : text) << text;
    // Any other shape is refused whole: odd length, an unknown or mistyped size.
    for (const char* text : { "", "[", "null", R"({"beginner":{"played":1,"won":0}})",
             R"(["beginner"])", R"(["beginner",{"played":1,"won":0},"expert"])",
             R"(["Beginner",{"played":1,"won":0}])", R"([0,{"played":1,"won":0}])" })
        EXPECT_FALSE(decodeRecords(text)) << text;
    // Each record below sits between two good ones; its size alone reads as never played, so
    // no merge can take it and no write can carry it on. Not an object, a count missing, of the
    // wrong type or beyond int64; breaking 0 ≤ won ≤ played ≤ 10^9, or a best under a second.
    for (const char* record :
        { R"([1,0])", R"({"won":0})", R"({"played":1})", R"({"played":1.5,"won":0})",
            R"({"played":"1","won":0})", R"({"played":1,"won":true})",
            R"({"played":9223372036854775808,"won":0})",
            R"({"played":1,"won":1,"bestSeconds":"41"})",
            R"({"played":1,"won":1,"bestSeconds":41.5})", R"({"played":3,"won":4,"bestSeconds":9})",
            R"({"played":3,"won":-1})", R"({"played":-2,"won":-3})",
            R"({"played":1000000001,"won":1})",
            R"({"played":9223372036854775807,"won":9223372036854775807,"bestSeconds":1})",
            R"({"played":3,"won":1,"bestSeconds":0})", R"({"played":3,"won":1,"bestSeconds":-5})" })
        EXPECT_EQ(
            decodeRecords(R"(["beginner",{"played":5,"won":2,"bestSeconds":41},"intermediate",)" +
                std::string(record) + R"(,"expert",{"played":2,"won":1,"bestSeconds":300}])"),
            (Records { { beginner, { 5, 2, 41 } }, { expert, { 2, 1, 300 } } }))
            << record;
}
