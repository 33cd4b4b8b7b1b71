// SPDX-License-Identifier: GPL-3.0-or-later
// The stored forms: the strict JSON reader, the board, the saved game and the statistics, with
// the writers' exact bytes and everything the readers refuse.
#include "TestBoards.h"

#include "model/BoardCoding.h"
#include "model/Instant.h"
#include "model/JsonRead.h"
#include "model/RecordsCoding.h"
#include "model/SavedGameCoding.h"
#include "model/SequenceRandom.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <string>

using nlohmann::json;
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
    nlohmann::ordered_json cells = nlohmann::ordered_json::array();
    for (const Cell& c : board.cells)
        cells.push_back({ { "isMine", c.isMine }, { "isRevealed", c.isRevealed },
            { "mark", rawValue(c.mark) }, { "adjacent", c.adjacent } });
    nlohmann::ordered_json object { { "difficulty", rawValue(board.difficulty) },
        { "cells", cells }, { "phase", rawValue(board.phase) }, { "minesLaid", board.minesLaid },
        { "revealedCount", board.revealedCount }, { "flagCount", board.flagCount } };
    if (board.exploded)
        object["exploded"] = { { "x", board.exploded->x }, { "y", board.exploded->y } };
    return object.dump();
}

/// value with the member at path set to replacement, or removed when replacement is discarded.
json patched(const json& value, const char* path, const json& replacement)
{
    json op { { "path", path } };
    op["op"] = replacement.is_discarded()          ? "remove"
        : value.contains(json::json_pointer(path)) ? "replace"
                                                   : "add";
    if (!replacement.is_discarded())
        op["value"] = replacement;
    return value.patch(json::array({ op }));
}

const json removed = json::value_t::discarded;

/// The chord board opened at (4, 4), a flag on the mine at (0, 0), a question mark on (1, 0).
Board boardInPlay()
{
    Board board = chordBoard();
    SequenceRandom random({});
    board.reveal(4, 4, random);
    board.toggleMark(0, 0);
    board.toggleMark(1, 0);
    board.toggleMark(1, 0);
    return board;
}

/// boardInPlay won by uncovering (1, 0), or lost at (8, 8) with a wrong flag left on (1, 0).
Board ended(Phase phase)
{
    SequenceRandom random({});
    Board board = boardInPlay();
    board.toggleMark(1, 0);
    if (phase == Phase::lost)
        board.toggleMark(1, 0);
    board.reveal(phase == Phase::lost ? 8 : 1, phase == Phase::lost ? 8 : 0, random);
    return board;
}

Cell& at(Board& board, std::int64_t x, std::int64_t y)
{
    return board.cells[static_cast<std::size_t>(board.index(x, y))];
}

} // namespace

TEST(JsonRead, OneValueAndStrictScalars)
{
    EXPECT_TRUE(jsonread::parse("[1,2]"));
    // Empty, cut short, two values, a trailing comma, invalid UTF-8, a number beyond a double.
    for (const char* text : { "", "[1,2", "[1] [2]", "{\"a\":1,}", "\"\xff\"", "1e400" })
        EXPECT_FALSE(jsonread::parse(text)) << text;
    const auto parsed = [](std::string_view text) { return jsonread::parse(text).value(); };
    constexpr auto lowest = std::numeric_limits<std::int64_t>::min();
    constexpr auto highest = std::numeric_limits<std::int64_t>::max();
    // Integers fit int64 exactly; fractions and exponents are floating point even when whole.
    const std::pair<const char*, std::optional<std::int64_t>> integers[] = { { "42", 42 },
        { "9223372036854775807", highest }, { "-9223372036854775808", lowest },
        { "9223372036854775808", {} }, { "18446744073709551615", {} },
        { "-9223372036854775809", {} }, { "2.0", {} }, { "1e2", {} }, { "true", {} },
        { "\"42\"", {} } };
    for (const auto& [text, value] : integers)
        EXPECT_EQ(jsonread::integer(parsed(text)), value) << text;
    EXPECT_EQ(jsonread::boolean(parsed("false")), false);
    EXPECT_EQ(jsonread::boolean(parsed("0")), std::nullopt);
    EXPECT_EQ(jsonread::string(parsed("\"a\\u00d7b\"")),
        "a\xC3\x97"
        "b");
    EXPECT_EQ(jsonread::string(parsed("1")), std::nullopt);
    EXPECT_EQ(jsonread::number(parsed("-1.25")), -1.25);
    EXPECT_EQ(jsonread::number(parsed("18446744073709551615")), 18446744073709551615.0);
    EXPECT_EQ(jsonread::number(parsed("\"7\"")), std::nullopt);
    EXPECT_EQ(jsonread::number(json(std::numeric_limits<double>::infinity())), std::nullopt);
    EXPECT_EQ(jsonread::number(json(std::numeric_limits<double>::quiet_NaN())), std::nullopt);
}

TEST(JsonRead, DeepNestingIsRefusedBeforeParsing)
{
    const auto nested = [](std::size_t depth) {
        return std::string(depth, '[') + std::string(depth, ']');
    };
    EXPECT_TRUE(jsonread::parse(nested(jsonread::maxDepth)));
    EXPECT_FALSE(jsonread::parse(nested(jsonread::maxDepth + 1)));
    // Brackets inside strings, escaped quotes included, are text, not nesting.
    EXPECT_TRUE(jsonread::parse("[\"\\\"" + std::string(100, '[') + "\"]"));
    // Deep enough to stall the window, or to overflow a recursive parser: refused at once.
    constexpr std::size_t depth = 100000;
    EXPECT_FALSE(jsonread::parse(nested(depth)));
    EXPECT_FALSE(decodeRecords(std::string(depth, '[')));
    std::string objects;
    for (std::size_t i = 0; i < depth; ++i)
        objects += "{\"a\":";
    EXPECT_FALSE(decodeSavedGame(objects + "1" + std::string(depth, '}')));
}

TEST(BoardCoding, ExactBytesAndRoundTrips)
{
    const std::string cell = R"({"isMine":false,"isRevealed":false,"mark":"none","adjacent":0})";
    std::string cells = cell;
    for (int i = 1; i < 81; ++i)
        cells += "," + cell;
    EXPECT_EQ(written(Board::fresh(Difficulty::beginner)),
        R"({"difficulty":"beginner","cells":[)" + cells +
            R"(],"phase":"ready","minesLaid":false,"revealedCount":0,"flagCount":0})");
    EXPECT_TRUE(written(ended(Phase::lost)).ends_with(R"(,"exploded":{"x":8,"y":8}})"));
    // Any field values, the extremes of int64 included; text already in the string stays.
    std::mt19937_64 random(17);
    for (int i = 0; i < 60; ++i) {
        const Board board = arbitraryBoard(random);
        std::string text = "prefix";
        appendBoardJson(text, board);
        ASSERT_EQ(text, "prefix" + libraryText(board)) << "board " << i;
    }
    // Odd boards real games leave: marks before the first uncovering, a win by the first one.
    Board marked = Board::fresh(Difficulty::beginner);
    marked.toggleMark(2, 2);
    marked.toggleMark(3, 3);
    marked.toggleMark(3, 3);
    SequenceRandom zeros({ 0 });
    Board wonAtOnce = Board::fresh(Difficulty::beginner);
    ASSERT_TRUE(wonAtOnce.reveal(8, 8, zeros) && wonAtOnce.phase == Phase::won);
    for (const Board& board : { Board::fresh(Difficulty::expert), boardInPlay(), ended(Phase::lost),
             ended(Phase::won), marked, wonAtOnce })
        EXPECT_EQ(read(written(board)), board) << rawValue(board.phase);
    // A null "exploded" is absent; unknown keys, at the top and in a cell, are ignored.
    const json stored = json::parse(written(boardInPlay()));
    EXPECT_EQ(decodeBoard(patched(patched(patched(stored, "/exploded", nullptr), "/columns", 9),
                  "/cells/3/colour", "red")),
        boardInPlay());
}

TEST(BoardCoding, MalformedBoardsAreRefusedWhole)
{
    const json valid = json::parse(written(boardInPlay()));
    // Missing required keys.
    const std::pair<const char*, json> breakages[] = { { "/difficulty", removed },
        { "/cells", removed }, { "/minesLaid", removed }, { "/flagCount", removed },
        { "/cells/80/adjacent", removed }, { "/exploded", { { "x", 1 } } },
        // Unknown enumeration strings.
        { "/difficulty", "Beginner" }, { "/phase", "paused" }, { "/cells/5/mark", "Flag" },
        // Wrong JSON types: a whole float is no integer.
        { "/minesLaid", "true" }, { "/cells/2/isMine", 0 }, { "/revealedCount", 70.5 },
        { "/flagCount", 1.0 }, { "/cells", json::object() }, { "/cells/0", 0 },
        { "/exploded", "4,7" }, { "/exploded", { { "x", 1.5 }, { "y", 2 } } },
        // Integers outside int64.
        { "/revealedCount", 9223372036854775808ULL },
        { "/cells/9/adjacent", 18446744073709551615ULL },
        // Cell counts that do not match the size, which the rules would index past.
        { "/cells/80", removed }, { "/cells/-", valid["cells"][0] }, { "/difficulty", "expert" } };
    for (const auto& [path, value] : breakages)
        EXPECT_FALSE(decodeBoard(patched(valid, path, value))) << path << " " << value;
    EXPECT_FALSE(decodeBoard(json::array()));
    EXPECT_FALSE(decodeBoard(json("board")));
}

TEST(BoardCoding, BoardsNoGameReachesAreRefused)
{
    const Board fresh = Board::fresh(Difficulty::beginner), play = boardInPlay(),
                lost = ended(Phase::lost), won = ended(Phase::won);
    const struct {
        const char* what;
        const Board& base;
        std::function<void(Board&)> breakage;
    } cases[] = {
        // Numbers: outside 0 to 8 (the painter would show any of them), or not the mines around.
        { "adjacency 9 on a mine", play, [](Board& b) { at(b, 0, 0).adjacent = 9; } },
        { "negative adjacency", play, [](Board& b) { at(b, 2, 0).adjacent = -1; } },
        { "19 digits", play, [](Board& b) { at(b, 4, 4).adjacent = 1234567890123456789; } },
        { "number off by one", play, [](Board& b) { at(b, 1, 1).adjacent = 3; } },
        { "number before mines", fresh, [](Board& b) { at(b, 4, 4).adjacent = 1; } },
        // Mines: all of the size's count once laid, none before.
        { "one mine short", play, [](Board& b) { at(b, 2, 0).isMine = false, recount(b); } },
        { "one mine extra", play, [](Board& b) { at(b, 1, 0).isMine = true, recount(b); } },
        { "mines before they are laid", play, [](Board& b) { b.minesLaid = false; } },
        // Counters that differ from the squares.
        { "revealedCount one high", play, [](Board& b) { ++b.revealedCount; } },
        { "flagCount one low", play, [](Board& b) { --b.flagCount; } },
        { "flagCount of a won board", won, [](Board& b) { b.flagCount = 0; } },
        // Phases that contradict the squares.
        { "ready with a square open", fresh,
            [](Board& b) { at(b, 4, 4).isRevealed = true, b.revealedCount = 1; } },
        { "ready with mines laid", play, [](Board& b) { b.phase = Phase::ready; } },
        { "playing, a square open, no mines", fresh,
            [](Board& b) {
                at(b, 4, 4).isRevealed = true, b.revealedCount = 1, b.phase = Phase::playing;
            } },
        { "playing with a revealed mine", play, [](Board& b) { at(b, 2, 0).isRevealed = true; } },
        { "playing with every safe square open", won, [](Board& b) { b.phase = Phase::playing; } },
        { "playing with exploded", play, [](Board& b) { b.exploded = Point(0, 0); } },
        { "lost without exploded", lost, [](Board& b) { b.exploded.reset(); } },
        { "exploded not a mine", lost, [](Board& b) { b.exploded = Point(4, 4); } },
        { "exploded outside", lost, [](Board& b) { b.exploded = Point(9, 0); } },
        { "lost with a mine covered", lost, [](Board& b) { at(b, 2, 0).isRevealed = false; } },
        { "lost before mines are laid", fresh,
            [](Board& b) { b.phase = Phase::lost, b.exploded = Point(0, 0); } },
        { "won with a safe square covered", play, [](Board& b) { b.phase = Phase::won; } },
        { "won with exploded", won, [](Board& b) { b.exploded = Point(0, 0); } }
    };
    for (const auto& [what, base, breakage] : cases) {
        Board board = base;
        ASSERT_TRUE(read(written(board))) << "base of " << what;
        breakage(board);
        EXPECT_FALSE(board.isReachable()) << what;
        EXPECT_FALSE(read(written(board))) << what;
    }
}

TEST(SavedGameCoding, ExactBytesInstantsAndRefusals)
{
    SavedGame game { boardInPlay(), 37, 786000000.25 };
    const std::string encoded = encodeSavedGame(game);
    EXPECT_EQ(
        encoded, R"({"board":)" + written(game.board) + R"(,"elapsed":37,"savedAt":786000000.25})");
    EXPECT_EQ(nlohmann::ordered_json::parse(encoded).dump(), encoded);
    // Stored instants count seconds from 2001-01-01 00:00:00 UTC, as other machines do. The far
    // past is the start of year 1 as they count it, in the Julian calendar: two days earlier
    // than the Gregorian reckoning.
    using namespace std::chrono;
    const auto reference = sys_days { year { 2001 } / January / 1 };
    EXPECT_EQ(unixToReferenceOffset, duration<double>(reference.time_since_epoch()).count());
    EXPECT_EQ(distantPast,
        duration<double>(sys_days { year { 1 } / January / 1 } - days { 2 } - reference).count());
    // Whole, fractional without a short decimal form, before 2001, and the far past.
    for (const Instant instant : { 786000000.0, 0.1 + 0.2, 786123456.7890123, -1.5, distantPast,
             std::nextafter(786000000.0, 1e12), 5e-324 }) {
        game.savedAt = instant;
        EXPECT_EQ(decodeSavedGame(encodeSavedGame(game)), game) << instant;
    }
    game.savedAt = 786000000.25;
    const auto replaced = [&encoded](std::string_view from, std::string_view to) {
        std::string text = encoded;
        return text.replace(text.find(from), from.size(), to);
    };
    // White space, another key order, an escaped letter, an unknown member.
    for (const std::string& text : { json::parse(encoded).dump(1), json::parse(encoded).dump(),
             replaced(R"("difficulty":"beginner")", R"("difficulty":"\u0062eginner")"),
             replaced(R"("elapsed":37)", R"("device":"laptop","elapsed":37)") })
        EXPECT_EQ(decodeSavedGame(text), game) << text.substr(0, 60);
    // A whole number for the instant is a number all the same; a clock at zero is a clock.
    EXPECT_EQ(decodeSavedGame(replaced("786000000.25", "786000000")),
        (SavedGame { game.board, 37, 786000000.0 }));
    EXPECT_EQ(decodeSavedGame(replaced(R"("elapsed":37)", R"("elapsed":0)"))->elapsed, 0);

    const json valid = json::parse(encoded);
    const std::pair<const char*, json> breakages[] = { { "/board", removed },
        { "/elapsed", removed }, { "/savedAt", removed },
        // A clock run backwards would buy a best time.
        { "/elapsed", -1 }, { "/elapsed", -1000000000000000000LL }, { "/elapsed", 37.5 },
        { "/elapsed", 9223372036854775808ULL }, { "/savedAt", "2025-11-30" },
        { "/savedAt", nullptr }, { "/board/phase", "Playing" },
        // A board no game reaches.
        { "/board/revealedCount", 1 } };
    for (const auto& [path, value] : breakages)
        EXPECT_FALSE(decodeSavedGame(patched(valid, path, value).dump())) << path << " " << value;
    // Cut short, trailing text; an instant too large for a double; a leading zero, a whole
    // float for an integer, a trailing comma.
    for (const std::string& text : { std::string(), std::string("[]"), encoded.substr(0, 500),
             encoded + " x", encoded.substr(0, encoded.size() - 1),
             std::string(R"({"board":{},"elapsed":0,"savedAt":1e999})"),
             replaced(R"("elapsed":37)", R"("elapsed":037)"),
             replaced(R"("elapsed":37)", R"("elapsed":37.0)"),
             replaced(R"("elapsed":37)", R"("elapsed":37,)") })
        EXPECT_FALSE(decodeSavedGame(text)) << text.substr(0, 60);
}

TEST(Record, MergeTakesLargerCountsAndSmallerBest)
{
    const Record a { 3, 1, 50 }, b { 2, 2, std::nullopt };
    EXPECT_EQ(mergeRecord(a, b), (Record { 3, 2, 50 }));
    EXPECT_EQ(mergeRecord(b, a), mergeRecord(a, b));
    EXPECT_EQ(mergeRecord(a, a), a);
    EXPECT_EQ(mergeRecord(Record { 1, 1, 70 }, Record { 1, 1, 12 }).bestSeconds, 12);
    EXPECT_EQ(mergeRecord(Record { 4, 0, std::nullopt }, Record { 1, 0, std::nullopt }),
        (Record { 4, 0, std::nullopt }));
    // Sizes present on one side keep their record.
    const Records local { { Difficulty::beginner, { 3, 2, 41 } },
        { Difficulty::intermediate, { 1, 0, std::nullopt } } };
    const Records cloud { { Difficulty::beginner, { 5, 1, 60 } },
        { Difficulty::expert, { 2, 1, 300 } } };
    const Records expected { { Difficulty::beginner, { 5, 2, 41 } },
        { Difficulty::intermediate, { 1, 0, std::nullopt } },
        { Difficulty::expert, { 2, 1, 300 } } };
    EXPECT_EQ(mergeRecords(local, cloud), expected);
    EXPECT_EQ(mergeRecords(cloud, local), expected);
    EXPECT_EQ(mergeRecords({}, cloud), cloud);
}

TEST(RecordsCoding, CompactAlternatingArray)
{
    EXPECT_EQ(encodeRecords({}), "[]");
    const Records records { { Difficulty::beginner, { 3, 2, 41 } },
        { Difficulty::expert, { 1, 0, std::nullopt } } };
    EXPECT_EQ(encodeRecords(records),
        R"(["beginner",{"played":3,"won":2,"bestSeconds":41},"expert",{"played":1,"won":0}])");
    EXPECT_EQ(decodeRecords(encodeRecords(records)), records);
    const std::pair<const char*, Records> readings[] = {
        // Pairs and members in any order, white space, a null best time, unknown members.
        { R"([ "expert", {"won":1,"played":4}, "intermediate", {"played":2,"won":2,"bestSeconds":99,"streak":3} ])",
            { { Difficulty::expert, { 4, 1, std::nullopt } },
                { Difficulty::intermediate, { 2, 2, 99 } } } },
        { R"(["beginner",{"played":1,"won":0,"bestSeconds":null}])",
            { { Difficulty::beginner, { 1, 0, std::nullopt } } } },
        // The later of two pairs for one size wins; a refused later pair removes both.
        { R"(["beginner",{"played":9,"won":9,"bestSeconds":5},"beginner",{"played":1,"won":0}])",
            { { Difficulty::beginner, { 1, 0, std::nullopt } } } },
        { R"(["expert",{"played":2,"won":1},"expert",{"played":1,"won":2}])", {} },
        // The limits themselves read.
        { R"(["expert",{"played":1000000000,"won":1000000000,"bestSeconds":1}])",
            { { Difficulty::expert, { recordCountLimit, recordCountLimit, 1 } } } }
    };
    for (const auto& [text, expected] : readings)
        EXPECT_EQ(decodeRecords(text), expected) << text;
    // Any other shape is refused whole: odd length, an unknown or mistyped size.
    for (const char* text : { "", "[", "null", R"({"beginner":{"played":1,"won":0}})",
             R"(["beginner"])", R"(["beginner",{"played":1,"won":0},"expert"])",
             R"(["Beginner",{"played":1,"won":0}])", R"([0,{"played":1,"won":0}])" })
        EXPECT_FALSE(decodeRecords(text)) << text;
}

TEST(RecordsCoding, AnImplausibleRecordCostsOnlyItsSize)
{
    // Each record below sits between two good ones; its size alone reads as never played, so
    // no merge can take it and no write can carry it on. Not an object, a count missing, of the
    // wrong type or beyond int64; breaking 0 ≤ won ≤ played ≤ 10^9, or a best under a second.
    for (const char* record : { R"([1,0])", R"({"won":0})", R"({"played":1})",
             R"({"played":1.5,"won":0})", R"({"played":"1","won":0})", R"({"played":1,"won":true})",
             R"({"played":9223372036854775808,"won":0})",
             R"({"played":1,"won":1,"bestSeconds":"41"})",
             R"({"played":1,"won":1,"bestSeconds":41.5})",
             R"({"played":3,"won":4,"bestSeconds":9})", R"({"played":3,"won":-1})",
             R"({"played":-2,"won":-3})", R"({"played":1000000001,"won":1})",
             R"({"played":9223372036854775807,"won":9223372036854775807,"bestSeconds":1})",
             R"({"played":3,"won":1,"bestSeconds":0})",
             R"({"played":3,"won":1,"bestSeconds":-5})" }) {
        const std::string text = R"(["beginner",{"played":5,"won":2,"bestSeconds":41},)"
                                 R"("intermediate",)" +
            std::string(record) + R"(,"expert",{"played":2,"won":1,"bestSeconds":300}])";
        EXPECT_EQ(decodeRecords(text),
            (Records {
                { Difficulty::beginner, { 5, 2, 41 } }, { Difficulty::expert, { 2, 1, 300 } } }))
            << record;
    }
}
