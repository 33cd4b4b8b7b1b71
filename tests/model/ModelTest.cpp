// SPDX-License-Identifier: GPL-3.0-or-later
// The game model: a board's geometry and rules, thousands of random games held to the rules'
// promises, the sources of randomness, and the stored forms with their exact bytes and refusals.
#include "TestBoards.h"

#include "model/BoardCoding.h"
#include "model/Instant.h"
#include "model/JsonRead.h"
#include "model/RecordsCoding.h"
#include "model/SavedGameCoding.h"
#include "model/SequenceRandom.h"
#include "model/SystemRandom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <set>
#include <sstream>

using nlohmann::json;
using Phase = Board::Phase;
using enum Difficulty;
using namespace std::string_literals;

namespace {

constexpr auto lowest = std::numeric_limits<std::int64_t>::min();
constexpr auto highest = std::numeric_limits<std::int64_t>::max();

/// Reveals ('r'), toggles the mark ('m') or chords ('c') at x, y.
bool apply(Board& board, char act, std::int64_t x, std::int64_t y, RandomSource& random)
{
    return act == 'r' ? board.reveal(x, y, random)
        : act == 'm'  ? board.toggleMark(x, y)
                      : board.chord(x, y, random);
}

/// board after moves such as "r4,4 m0,0", each of which must succeed, or, with refused set, be
/// refused and change nothing.
Board play(Board board, const std::string& moves, bool refused = false)
{
    SequenceRandom random({});
    std::istringstream in(moves);
    char act = 0, comma = 0;
    for (std::int64_t x = 0, y = 0; in >> act >> x >> comma >> y;) {
        const Board before = board;
        EXPECT_NE(apply(board, act, x, y, random), refused) << act << x << "," << y;
        EXPECT_TRUE(!refused || board == before) << act << x << "," << y << " changed the board";
    }
    return board;
}

std::int64_t count(const Board& board, bool (*predicate)(const Cell&))
{
    return std::count_if(board.cells.begin(), board.cells.end(), predicate);
}

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

/// Plays one game with a mix of blind and informed moves, checking the rules' promises after
/// every move, and returns how it ended (playing if a check failed).
Phase playOneGame(Difficulty difficulty, std::mt19937_64& chooser, Mt64Random& mines)
{
    Board board = Board::fresh(difficulty), before, laid;
    const std::int64_t columns = board.columns(), size = columns * board.rows();
    const auto below = [&chooser](auto n) { return std::int64_t(chooser() % std::uint64_t(n)); };
    // How often this game's player knows where the mines are. Half the games are played
    // nearly perfectly so that wins, long floods and chords are common.
    const double insight = std::uniform_real_distribution(below(2) ? 0.95 : 0.0, 1.0)(chooser);
    for (int step = 0; step < 10000 && !board.isOver(); ++step) {
        before = board; // reused, so that its storage is kept, which matters under sanitizers
        const std::int64_t kind = below(10);
        char act = kind < 5 ? 'r' : kind < 8 ? 'm' : 'c';
        // One beyond each side, so refusals outside the board are exercised too.
        std::int64_t x = below(columns + 2) - 1, y = below(size / columns + 2) - 1;
        if (board.minesLaid && std::bernoulli_distribution(insight)(chooser)) {
            // An informed player walks on to a square worth acting on: one with work left for
            // an uncovering or a mark, or a number to chord on.
            const auto worth = [kind](const Cell& c) {
                return kind < 8 ? !c.isRevealed && !(c.isMine && c.mark == Mark::flag)
                                : c.isRevealed && c.adjacent > 0;
            };
            std::int64_t i = below(size);
            for (std::int64_t n = 0; n < size && !worth(board.cells[std::size_t(i)]); ++n)
                i = (i + 1) % size;
            const Cell& c = board.cells[std::size_t(i)];
            act = kind >= 8 ? act : c.isMine || c.mark == Mark::flag ? 'm' : 'r';
            x = i % columns, y = i / columns;
        }
        const bool changed = apply(board, act, x, y, mines);
        if (!before.minesLaid && board.minesLaid)
            laid = board;
        // A refusal changes nothing. A move that succeeds changes something and leaves a board
        // the reader accepts; only an uncovering lays the field, never losing, and the field
        // never changes then; no safe square shows a mark once open; a win flags every mine; a
        // loss uncovers no safe square; a finished game reads back (parsing every step is slow).
        bool kept = changed ? board != before && board.isReachable() &&
                (before.minesLaid || !board.minesLaid || act == 'r') &&
                !(act == 'r' && board.phase == Phase::lost &&
                    (board.revealedCount != before.revealedCount || !before.minesLaid))
                            : board == before;
        for (std::size_t i = 0; kept && changed && board.minesLaid && i < board.cells.size(); ++i) {
            const Cell& c = board.cells[i];
            kept = c.isMine == laid.cells[i].isMine &&
                (!c.isRevealed || c.isMine || c.mark == Mark::none) &&
                (board.phase != Phase::won || !c.isMine || c.mark == Mark::flag);
        }
        kept = kept && (!board.isOver() || read(written(board)) == board);
        EXPECT_TRUE(kept) << act << " at " << x << "," << y << (changed ? "" : " (refused)");
        if (!kept)
            return Phase::playing;
    }
    EXPECT_TRUE(board.isOver()) << "a game did not end";
    // Nothing changes a finished game.
    const Board final = board;
    for (std::int64_t i = 0; i < size * 3; ++i)
        EXPECT_FALSE(apply(board, "rmc"[i % 3], i / 3 % columns, i / 3 / columns, mines));
    EXPECT_EQ(board, final);
    return board.phase;
}

const json removed = json::value_t::discarded;

/// value with the member at path set to replacement, or removed when replacement is discarded.
json patched(const json& value, const char* path, const json& replacement)
{
    const bool gone = replacement.is_discarded();
    const char* op = gone ? "remove" : value.contains(json::json_pointer(path)) ? "replace" : "add";
    return value.patch(
        { { { "op", op }, { "path", path }, { "value", gone ? json() : replacement } } });
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

Cell& at(Board& board, std::int64_t x, std::int64_t y)
{
    return board.cells[static_cast<std::size_t>(board.index(x, y))];
}

} // namespace

TEST(Board, GeometryAndRawValues)
{
    const Board wide = Board::fresh(expert);
    // Columns differ from rows on expert: a swapped index would show here.
    EXPECT_TRUE(wide.index(29, 15) == 479 && wide.index(1, 1) == 31);
    EXPECT_TRUE(wide.isInside(29, 15) && wide.neighbours(29, 7).size() == 5);
    for (const auto& [x, y] : { std::pair { 30l, 0l }, { 0, 16 }, { -1, 0 }, { lowest, 0 } })
        EXPECT_FALSE(wide.isInside(x, y)) << x << "," << y;
    // Neighbours in the fixed order: row above, then sides, then row below; none far away,
    // including the extremes where adding an offset would overflow.
    const std::tuple<std::int64_t, std::int64_t, const char*> neighbours[] = {
        { 4, 4, "3,3 4,3 5,3 3,4 5,4 3,5 4,5 5,5 " }, { 8, 8, "7,7 8,7 7,8 " },
        { 4, 0, "3,0 5,0 3,1 4,1 5,1 " }, { -1, -1, "0,0 " }, { 11, 4, "" }, { lowest, lowest, "" },
        { highest, 0, "" }
    };
    Board board = Board::fresh(beginner);
    for (const auto& [x, y, expected] : neighbours) {
        std::string list;
        for (const Point& n : board.neighbours(x, y))
            list += std::to_string(n.x) + "," + std::to_string(n.y) + " ";
        EXPECT_EQ(list, expected) << x << "," << y;
    }
    board.flagCount = 12; // more flags than mines shows a negative count
    EXPECT_EQ(board.minesLeft(), -2);
    // U+00D7 with a space on each side, not the letter x; columns before rows.
    EXPECT_EQ(summary(expert), "30 \xC3\x97 16, 99 mines");
    const auto raw = [](auto fromRaw, std::vector<std::string_view> names) {
        using Value = typename decltype(fromRaw(""))::value_type;
        for (std::size_t i = 0; i < names.size(); ++i)
            EXPECT_TRUE(rawValue(Value(i)) == names[i] && fromRaw(names[i]) == Value(i))
                << names[i];
    };
    raw(difficultyFromRaw, { "beginner", "intermediate", "expert" });
    raw(markFromRaw, { "none", "flag", "question" });
    raw(phaseFromRaw, { "ready", "playing", "won", "lost" });
    // Titles, padding, prefixes and a trailing NUL are different strings.
    const std::string_view refused[] { "Beginner", "", "beginner ", "expe", { "expert\0", 7 } };
    for (const std::string_view name : refused)
        EXPECT_EQ(difficultyFromRaw(name), std::nullopt) << name;
    EXPECT_FALSE(markFromRaw("Flag") || phaseFromRaw("Lost"));
}

TEST(BoardRules, RefusalsChangeNothing)
{
    // Opened at (4, 4), only (1, 0) is left covered, with a mine on each side; (1, 1) shows 2.
    const std::tuple<const char*, const char*, const char*> refusals[] = {
        { "uncover an open square or outside", "r4,4",
            "r4,4 r-1,0 r9,0 r0,-1 r0,9 r9223372036854775807,0" },
        { "mark an open square or outside", "r4,4", "m4,4 m-1,4 m4,9" },
        { "chord a covered square, a zero, outside", "r4,4", "c1,0 c4,0 c-1,1" },
        { "question marks are no flags", "r4,4 m0,0 m2,0 m2,0", "c1,1" },
        { "three flags around a 2", "r1,1 m0,0 m2,0 m0,1", "c1,1" },
        { "nothing left around a 1, uncover a flag", "r4,4 m0,0 m2,0 m1,0", "c3,0 r1,0" },
        { "a won game", "r4,4 r1,0", "r8,8 r0,0 m8,8 c1,1" },
        { "a lost game", "r4,4 r8,8", "r1,0 m1,0 c1,1 r4,4" },
    };
    for (const auto& [what, setup, moves] : refusals) {
        SCOPED_TRACE(what);
        play(play(chordBoard(), setup), moves, true);
    }
    // Malformed boards: one square short (the last index would fall outside cells), the cells
    // of a smaller size under a bigger difficulty, counters one more step would overflow.
    Board shortBoard = Board::fresh(beginner), mislabelled = shortBoard;
    shortBoard.cells.pop_back();
    mislabelled.difficulty = expert;
    Board flagsAtLimit = chordBoard(), revealedAtLimit = chordBoard();
    flagsAtLimit.flagCount = revealedAtLimit.revealedCount = highest;
    for (const Board& board : { shortBoard, mislabelled, flagsAtLimit, revealedAtLimit })
        play(board, "r8,8 r0,0 m8,8 c1,1", true);
    // A question mark does not protect: the square opens and loses its mark.
    const Board asked = play(chordBoard(), "r4,4 m1,0 m1,0 r1,0");
    EXPECT_TRUE(
        asked.cellAt(1, 0) == (Cell { false, true, Mark::none, 2 }) && asked.phase == Phase::won);
}

TEST(BoardRules, FirstRevealIsSafeAndOpensTheBlock)
{
    Mt64Random random(20240611);
    for (const Difficulty difficulty : allDifficulties) {
        const Board fresh = Board::fresh(difficulty);
        for (std::int64_t i = 0; i < fresh.columns() * fresh.rows(); ++i) {
            const std::int64_t x = i % fresh.columns(), y = i / fresh.columns();
            Board board = fresh;
            ASSERT_TRUE(board.reveal(x, y, random) && board.phase == Phase::playing);
            // The block around the square, clipped at the edges, is free and uncovered.
            EXPECT_EQ(board.cellAt(x, y), (Cell { false, true, Mark::none, 0 }));
            for (const Point& n : board.neighbours(x, y))
                EXPECT_TRUE(!board.cellAt(n.x, n.y).isMine && board.cellAt(n.x, n.y).isRevealed);
            EXPECT_GT(board.revealedCount, std::int64_t(board.neighbours(x, y).size()));
        }
    }
    // Marking cycles none, flag, question, none and starts the game without laying mines;
    // marks made before the first uncovering stay.
    Board board = Board::fresh(beginner);
    for (const auto& [mark, flags] : { std::pair { Mark::flag, 1 }, { Mark::question, 0 },
             { Mark::none, 0 }, { Mark::flag, 1 } }) {
        ASSERT_TRUE(board.toggleMark(0, 0));
        EXPECT_TRUE(board.cellAt(0, 0).mark == mark && board.flagCount == flags);
        EXPECT_TRUE(board.phase == Phase::playing && !board.minesLaid);
    }
    ASSERT_TRUE(board.reveal(8, 8, random));
    EXPECT_TRUE(!board.cellAt(0, 0).isRevealed && board.cellAt(0, 0).mark == Mark::flag);
    EXPECT_EQ(board.flagCount, 1);
}

TEST(BoardRules, MinesFollowTheFrontToBackShuffle)
{
    const std::tuple<Point, std::vector<std::uint64_t>, std::set<std::size_t>, std::size_t> rows[] {
        // From (4, 4) the 72 candidates are the row-major squares outside the block
        // (3..5, 3..5). Draws alternate 0 and 3: p even keeps its element, p odd swaps with
        // p + 3, so the first ten hold c0 c4 c2 c6 c1 c8 c3 c10 c5 c12. One draw per position
        // while more than one remains.
        { { 4, 4 }, { 0, 3 }, { 0, 1, 2, 3, 4, 5, 6, 8, 10, 12 }, 71 },
        // From the corner the clipped block has four squares and 77 candidates remain. Drawing
        // 1 every time carries c0 = (2, 0) to the end, so the mines are c1..c10.
        { { 0, 0 }, { 1 }, { 3, 4, 5, 6, 7, 8, 11, 12, 13, 14 }, 76 }
    };
    for (const auto& [first, draws, mines, drawn] : rows) {
        SequenceRandom random(draws);
        Board board = Board::fresh(beginner);
        ASSERT_TRUE(board.reveal(first.x, first.y, random));
        std::set<std::size_t> laid;
        for (std::size_t i = 0; i < board.cells.size(); ++i) {
            if (board.cells[i].isMine)
                laid.insert(i);
        }
        EXPECT_TRUE(laid == mines && random.drawn() == drawn) << first.x;
        EXPECT_TRUE(board.isReachable()) << "the numbers follow the mines";
    }
    // Draws of 0 leave the candidates unshuffled: row 0 and (0, 1) take the mines, and a flood
    // from the opposite corner reaches every safe square, winning at once and flagging them.
    const Board board = play(Board::fresh(beginner), "r8,8");
    EXPECT_TRUE(board.phase == Phase::won && board.revealedCount == 71 && board.flagCount == 10);
}

TEST(BoardRules, FloodChordLossAndWin)
{
    // A full column of mines at x = 4 plus one in the far corner: the flood from the left stops
    // at the numbers in column 3.
    std::vector<Point> wall { { 8, 8 } };
    for (std::int64_t y = 0; y < 9; ++y)
        wall.push_back({ 4, y });
    Board board = play(boardWithMines(beginner, wall), "r0,0");
    EXPECT_TRUE(board.revealedCount == 36 && board.cellAt(3, 0).adjacent == 2 &&
        board.cellAt(3, 4).adjacent == 3 && !board.cellAt(5, 0).isRevealed);
    // A flag on a zero square in the open area, a column of flags at x = 2, and a question mark
    // inside the region, which the flood clears.
    board = play(boardWithMines(beginner, wall),
        "m6,4 m0,8 m0,8 m2,0 m2,1 m2,2 m2,3 m2,4 m2,5 m2,6 m2,7 m2,8 r0,0");
    EXPECT_EQ(board.revealedCount, 18);
    EXPECT_EQ(board.cellAt(0, 8), (Cell { false, true, Mark::none, 0 }));
    // From the right the flood goes around the lone flag and leaves it covered.
    board = play(board, "r7,2");
    EXPECT_EQ(board.cellAt(6, 4), (Cell { false, false, Mark::flag, 0 }));
    EXPECT_TRUE(board.cellAt(7, 4).isRevealed && !board.cellAt(3, 0).isRevealed);
    EXPECT_TRUE(board.flagCount == 10 && board.revealedCount == 18 + 4 * 9 - 2);

    // A chord around a wrong flag: (1, 0) is safe, (2, 0) is the mine. The neighbours after the
    // mine in the fixed order stay covered; every mine opens; the wrong flag stays.
    board = play(chordBoard(), "r1,1 m0,0 m1,0 c1,1");
    EXPECT_TRUE(board.phase == Phase::lost && board.exploded == Point(2, 0));
    for (const auto& [x, y] : { std::pair { 0, 1 }, { 2, 1 }, { 0, 2 }, { 1, 2 }, { 2, 2 } })
        EXPECT_FALSE(board.cellAt(x, y).isRevealed) << x << "," << y;
    EXPECT_EQ(count(board, [](const Cell& c) { return c.isMine && !c.isRevealed; }), 0);
    EXPECT_EQ(board.cellAt(1, 0), (Cell { false, false, Mark::flag, 2 }));
    EXPECT_TRUE(
        board.cellAt(0, 0).mark == Mark::flag && board.revealedCount == 1 && board.flagCount == 2);
    // A chord that wins: a question mark on a mine becomes a flag and is counted then.
    board = play(chordBoard(), "r4,4 m0,0 m2,0 m8,7 m8,7");
    ASSERT_TRUE(board.revealedCount == 70 && board.flagCount == 2);
    board = play(board, "c1,1");
    EXPECT_TRUE(board.phase == Phase::won && !board.exploded && board.minesLeft() == 0);
    EXPECT_EQ(count(board,
                  [](const Cell& c) { return c.isMine && (c.isRevealed || c.mark != Mark::flag); }),
        0);
}

TEST(BoardRules, RandomGamesKeepEveryPromise)
{
    std::mt19937_64 chooser(0x5a99e71);
    Mt64Random mines(0xb0a4d);
    for (const auto& [difficulty, games] :
        { std::pair { beginner, 2000 }, { intermediate, 600 }, { expert, 250 } }) {
        int won = 0, lost = 0;
        for (int game = 0; game < games; ++game) {
            const Phase end = playOneGame(difficulty, chooser, mines);
            ASSERT_FALSE(HasFailure()) << "in " << rawValue(difficulty) << " game " << game;
            won += end == Phase::won ? 1 : 0;
            lost += end == Phase::lost ? 1 : 0;
        }
        // Both endings must be common, or the checks above hardly saw one of them.
        EXPECT_GT(std::min(won, lost), games / 10) << rawValue(difficulty);
    }
}

TEST(RandomSource, UnbiasedDrawsAndFallbacks)
{
    constexpr std::uint64_t top = std::numeric_limits<std::uint64_t>::max();
    // draws, bound, result, values drawn
    const std::tuple<std::vector<std::uint64_t>, std::uint64_t, std::uint64_t, std::size_t>
        rows[] = {
            { { top, 5 }, 10, 5, 2 }, // 2^64 mod 10 = 6: the six highest values are drawn again
            { { top - 5, top - 6 }, 10, 9, 2 }, // the first rejected, then the highest accepted
            { { 25 }, 10, 5, 1 }, // below the limit a value wraps
            { { top }, 8, 7, 1 }, // a power of two divides 2^64: nothing is rejected
            { { top, top - 1 }, top, top - 1, 2 }, // the largest bound rejects only the top
            { { 7 }, 1, 0, 0 } // a bound of one has only one answer and draws nothing
        };
    for (const auto& [draws, bound, result, drawn] : rows) {
        SequenceRandom random(draws);
        EXPECT_EQ(uniformBelow(random, bound), result) << draws[0];
        EXPECT_EQ(random.drawn(), drawn) << draws[0];
    }
    // The fixed sequence cycles; an empty one gives zeros rather than reading past its end.
    SequenceRandom cycle({ 4, 1 }), empty({});
    EXPECT_EQ(
        (std::vector { cycle.next(), cycle.next(), cycle.next(), empty.next(), empty.next() }),
        (std::vector<std::uint64_t> { 4, 1, 4, 0, 0 }));
    EXPECT_EQ(cycle.drawn(), 3u);
    // A kernel without getrandom, or a sandbox that forbids it; then no device either.
    const auto refused = [](void*, std::size_t, unsigned) -> ssize_t { return errno = ENOSYS, -1; };
    SystemRandom working, device(refused), clockOnly(refused, "/nonexistent/urandom");
    for (SystemRandom* random : { &working, &device, &clockOnly }) {
        std::set<std::uint64_t> seen;
        // Past one buffer's worth; 64-bit values from any of the sources do not repeat here.
        for (int i = 0; i < 600; ++i)
            seen.insert(random->next());
        EXPECT_EQ(seen.size(), 600u);
    }
}

TEST(JsonRead, OneShallowValueAndStrictScalars)
{
    const auto nested = [](std::size_t depth) {
        return std::string(depth, '[') + std::string(depth, ']');
    };
    EXPECT_TRUE(jsonread::parse(nested(jsonread::maxDepth)));
    // Brackets inside strings, escaped quotes included, are text, not nesting.
    EXPECT_TRUE(jsonread::parse("[\"\\\"" + std::string(100, '[') + "\"]"));
    // Empty, cut short, two values, trailing text or comma, invalid UTF-8, a number beyond a
    // double, a leading zero; too deep, and deep enough to overflow a recursive parser.
    for (const std::string& text : { ""s, "[1,2"s, "[1] [2]"s, "{} x"s, "{\"a\":1,}"s, "\"\xff\""s,
             "1e400"s, "037"s, nested(jsonread::maxDepth + 1), nested(100000) })
        EXPECT_FALSE(jsonread::parse(text)) << text.substr(0, 40);
    EXPECT_FALSE(decodeRecords(std::string(100000, '[')));
    std::string objects;
    for (int i = 0; i < 100000; ++i)
        objects += "{\"a\":";
    EXPECT_FALSE(decodeSavedGame(objects + "1" + std::string(100000, '}')));

    const auto parsed = [](std::string_view text) { return jsonread::parse(text).value(); };
    // Integers fit int64 exactly; fractions and exponents are floating point even when whole.
    const std::pair<const char*, std::optional<std::int64_t>> integers[] = { { "42", 42 },
        { "9223372036854775807", highest }, { "-9223372036854775808", lowest },
        { "9223372036854775808", {} }, { "18446744073709551615", {} },
        { "-9223372036854775809", {} }, { "2.0", {} }, { "1e2", {} }, { "true", {} },
        { "\"42\"", {} } };
    for (const auto& [text, value] : integers)
        EXPECT_EQ(jsonread::integer(parsed(text)), value) << text;
    EXPECT_EQ(jsonread::boolean(parsed("false")), false);
    EXPECT_EQ(jsonread::string(parsed(R"("\u00d7")")), "\xC3\x97");
    EXPECT_EQ(jsonread::number(parsed("-1.25")), -1.25);
    EXPECT_EQ(jsonread::number(parsed("18446744073709551615")), 18446744073709551615.0);
    EXPECT_FALSE(jsonread::boolean(parsed("0")) || jsonread::string(parsed("1")) ||
        jsonread::number(parsed("\"7\"")) || jsonread::number(json(INFINITY)) ||
        jsonread::number(json(NAN)));
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
    // Any field values, the extremes of int64 included; text already in the string stays.
    Board odd = Board::fresh(beginner);
    odd.cells[0] = { true, true, Mark::flag, lowest };
    odd.cells[1] = { false, true, Mark::question, highest };
    odd.cells[2].adjacent = -10;
    odd.phase = Phase::lost, odd.minesLaid = true, odd.exploded = Point { highest, -1 };
    odd.revealedCount = lowest, odd.flagCount = 1234567890;
    std::string text = "prefix";
    appendBoardJson(text, odd);
    EXPECT_EQ(text,
        R"(prefix{"difficulty":"beginner","cells":[{"isMine":true,"isRevealed":true,"mark":"flag",)"
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
    const std::pair<const char*, json> breakages[] = { // Missing required keys.
        { "/difficulty", removed }, { "/cells", removed }, { "/minesLaid", removed },
        { "/flagCount", removed }, { "/cells/80/adjacent", removed },
        { "/exploded", { { "x", 1 } } },
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
        { "/cells/80", removed }, { "/cells/-", valid["cells"][0] }, { "/difficulty", "expert" }
    };
    for (const auto& [path, value] : breakages)
        EXPECT_FALSE(decodeBoard(patched(valid, path, value))) << path << " " << value;
    EXPECT_FALSE(decodeBoard(json::array()) || decodeBoard(json("board")));
}

TEST(BoardCoding, BoardsNoGameReachesAreRefused)
{
    const Board fresh = Board::fresh(beginner), open = game(), lost = game(Phase::lost),
                won = game(Phase::won);
    static const Board oneMine = boardWithMines(beginner, { { 0, 0 } }),
                       elevenMines = boardWithMines(beginner,
                           { { 0, 0 }, { 1, 0 }, { 2, 0 }, { 3, 0 }, { 4, 0 }, { 5, 0 }, { 6, 0 },
                               { 7, 0 }, { 8, 0 }, { 0, 1 }, { 1, 1 } });
    const std::tuple<const char*, const Board&, std::function<void(Board&)>> cases[] = {
        // Numbers: outside 0 to 8 (the painter would show any of them), or not the mines around.
        { "adjacency 9 on a mine", open, [](Board& b) { at(b, 0, 0).adjacent = 9; } },
        { "negative adjacency", open, [](Board& b) { at(b, 2, 0).adjacent = -1; } },
        { "19 digits", open, [](Board& b) { at(b, 4, 4).adjacent = 1234567890123456789; } },
        { "number off by one", open, [](Board& b) { at(b, 1, 1).adjacent = 3; } },
        { "number before mines", fresh, [](Board& b) { at(b, 4, 4).adjacent = 1; } },
        // Mines: all of the size's count once laid, none before.
        { "one mine", fresh, [](Board& b) { b = oneMine; } },
        { "eleven mines", fresh, [](Board& b) { b = elevenMines; } },
        { "mines before they are laid", open, [](Board& b) { b.minesLaid = false; } },
        // Counters that differ from the squares.
        { "revealedCount one high", open, [](Board& b) { ++b.revealedCount; } },
        { "flagCount one low", open, [](Board& b) { --b.flagCount; } },
        { "flagCount of a won board", won, [](Board& b) { b.flagCount = 0; } },
        // Phases that contradict the squares.
        { "ready with a square open", fresh,
            [](Board& b) { at(b, 4, 4).isRevealed = true, b.revealedCount = 1; } },
        { "ready with mines laid", open, [](Board& b) { b.phase = Phase::ready; } },
        { "playing, a square open, no mines", fresh,
            [](Board& b) {
                at(b, 4, 4).isRevealed = true, b.revealedCount = 1, b.phase = Phase::playing;
            } },
        { "playing with a revealed mine", open, [](Board& b) { at(b, 2, 0).isRevealed = true; } },
        { "playing with every safe square open", won, [](Board& b) { b.phase = Phase::playing; } },
        { "playing with exploded", open, [](Board& b) { b.exploded = Point(0, 0); } },
        { "lost without exploded", lost, [](Board& b) { b.exploded.reset(); } },
        { "exploded not a mine", lost, [](Board& b) { b.exploded = Point(4, 4); } },
        { "exploded outside", lost, [](Board& b) { b.exploded = Point(9, 0); } },
        { "lost with a mine covered", lost, [](Board& b) { at(b, 2, 0).isRevealed = false; } },
        { "lost before mines are laid", fresh,
            [](Board& b) { b.phase = Phase::lost, b.exploded = Point(0, 0); } },
        { "won with a safe square covered", open, [](Board& b) { b.phase = Phase::won; } },
        { "won with exploded", won, [](Board& b) { b.exploded = Point(0, 0); } }
    };
    for (const auto& [what, base, breakage] : cases) {
        Board board = base;
        ASSERT_TRUE(read(written(board))) << "base of " << what;
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
        saved.savedAt = instant;
        EXPECT_EQ(decodeSavedGame(encodeSavedGame(saved)), saved) << instant;
    }
    saved.savedAt = 786000000.25;
    const auto replaced = [&encoded](std::string_view from, std::string_view to) {
        std::string text = encoded;
        return text.replace(text.find(from), from.size(), to);
    };
    // White space, another key order, an escaped letter, an unknown member.
    for (const std::string& text : { json::parse(encoded).dump(1), json::parse(encoded).dump(),
             replaced(R"("difficulty":"beginner")", R"("difficulty":"\u0062eginner")"),
             replaced(R"("elapsed":37)", R"("device":"laptop","elapsed":37)") })
        EXPECT_EQ(decodeSavedGame(text), saved) << text.substr(0, 60);
    // A whole number for the instant is a number all the same; a clock at zero is a clock.
    EXPECT_EQ(decodeSavedGame(replaced("786000000.25", "786000000")),
        (SavedGame { saved.board, 37, 786000000.0 }));
    EXPECT_EQ(decodeSavedGame(replaced(R"("elapsed":37)", R"("elapsed":0)"))->elapsed, 0);

    const json valid = json::parse(encoded);
    const std::pair<const char*, json> breakages[] = { { "/board", removed },
        { "/elapsed", removed }, { "/savedAt", removed },
        // A clock run backwards would buy a best time.
        { "/elapsed", -1 }, { "/elapsed", -1000000000000000000LL }, { "/elapsed", 37.5 },
        { "/elapsed", 37.0 }, { "/elapsed", 9223372036854775808ULL }, { "/savedAt", "2025-11-30" },
        { "/savedAt", nullptr }, { "/board/phase", "Playing" },
        // A board no game reaches.
        { "/board/revealedCount", 1 } };
    for (const auto& [path, value] : breakages)
        EXPECT_FALSE(decodeSavedGame(patched(valid, path, value).dump())) << path << " " << value;
    // Not an object. (The reader's refusals of bad JSON text are the strict reader's, above.)
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
        { R"(["beginner",{"played":5,"won":2,"bestSeconds":41},"expert",{"played":1,"won":0}])",
            "" },
        { R"([ "expert", {"won":1,"played":4}, "intermediate", {"played":2,"won":2,"bestSeconds":99,"streak":3} ])",
            R"(["intermediate",{"played":2,"won":2,"bestSeconds":99},"expert",{"played":4,"won":1}])" },
        { R"(["beginner",{"played":1,"won":0,"bestSeconds":null}])",
            R"(["beginner",{"played":1,"won":0}])" },
        { R"(["beginner",{"played":9,"won":9,"bestSeconds":5},"beginner",{"played":1,"won":0}])",
            R"(["beginner",{"played":1,"won":0}])" },
        { R"(["expert",{"played":2,"won":1},"expert",{"played":1,"won":2}])", "[]" },
        { R"(["expert",{"played":1000000000,"won":1000000000,"bestSeconds":1}])", "" }
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
        EXPECT_EQ(decodeRecords(R"(["beginner",{"played":5,"won":2,"bestSeconds":41},)"
                                R"("intermediate",)" +
                      std::string(record) + R"(,"expert",{"played":2,"won":1,"bestSeconds":300}])"),
            (Records { { beginner, { 5, 2, 41 } }, { expert, { 2, 1, 300 } } }))
            << record;
}
