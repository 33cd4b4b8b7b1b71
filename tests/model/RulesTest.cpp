// SPDX-License-Identifier: GPL-3.0-or-later
// A board's geometry and rules, thousands of random games held to the rules' promises, and the
// sources of randomness.
#include "ModelTesting.h"

#include "model/SystemRandom.h"

#include <algorithm>
#include <cerrno>
#include <set>

using namespace std::string_view_literals;

namespace {

/// Plays one game with a mix of blind and informed moves, checking the rules' promises after
/// every move, and returns how it ended (playing if a check failed).
Phase playOneGame(Difficulty difficulty, std::mt19937_64& chooser, Mt64Random& mines)
{
    Board board = Board::fresh(difficulty), before, laid;
    const std::int64_t columns = board.columns(), size = columns * board.rows();
    const auto below = [&chooser](auto n) { return std::int64_t(chooser() % std::uint64_t(n)); };
    // Half the games are played nearly perfectly, so that wins, long floods and chords are common.
    const double insight = std::uniform_real_distribution(below(2) ? 0.95 : 0.0, 1.0)(chooser);
    for (int step = 0; step < 10000 && !board.isOver(); ++step) {
        before = board; // reused, so that its storage is kept, which matters under sanitizers
        const std::int64_t kind = below(10);
        char act = kind < 5 ? 'r' : kind < 8 ? 'm' : 'c';
        // One beyond each side, so refusals outside the board are exercised too.
        std::int64_t x = below(columns + 2) - 1, y = below(size / columns + 2) - 1, i = below(size);
        if (board.minesLaid && std::bernoulli_distribution(insight)(chooser)) {
            // An informed player walks on to a square with work left, or to a number to chord.
            const auto worth = [kind](const Cell& c) {
                return kind < 8 ? !c.isRevealed && !(c.isMine && c.mark == Mark::flag)
                                : c.isRevealed && c.adjacent > 0;
            };
            for (std::int64_t n = 0; n < size && !worth(board.cells[std::size_t(i)]); ++n)
                i = (i + 1) % size;
            const Cell& c = board.cells[std::size_t(i)];
            act = kind >= 8 ? act : c.isMine || c.mark == Mark::flag ? 'm' : 'r';
            x = i % columns, y = i / columns;
        }
        const bool changed = apply(board, act, x, y, mines);
        if (!before.minesLaid)
            laid = board;
        // A refusal changes nothing; a move leaves a reachable board and never moves a mine, and
        // uncovering a mine opens nothing else.
        bool kept = changed ? board != before && board.isReachable() &&
                !(act == 'r' && board.phase == Phase::lost &&
                    board.revealedCount != before.revealedCount)
                            : board == before;
        for (std::size_t j = 0; kept && board.minesLaid && j < board.cells.size(); ++j)
            kept = board.cells[j].isMine == laid.cells[j].isMine;
        EXPECT_TRUE(kept) << act << " at " << x << "," << y;
        if (!kept)
            return Phase::playing;
    }
    EXPECT_TRUE(board.isOver()) << "a game did not end";
    return board.phase;
}

} // namespace

TEST(Board, GeometryAndRawValues)
{
    // Neighbours in the fixed order: row above, then sides, then row below; none far away, even
    // where adding an offset would overflow. Expert is wider than tall, so swapped axes show.
    const std::tuple<Difficulty, std::int64_t, std::int64_t, const char*> rows[] = {
        { beginner, 4, 4, "3,3 4,3 5,3 3,4 5,4 3,5 4,5 5,5 " }, { beginner, 8, 8, "7,7 8,7 7,8 " },
        { beginner, -1, -1, "0,0 " }, { beginner, lowest, lowest, "" },
        { beginner, highest, 0, "" }, { expert, 29, 15, "28,14 29,14 28,15 " },
        { expert, 30, 0, "29,0 29,1 " }, { expert, 0, 16, "0,15 1,15 " }
    };
    for (const auto& [difficulty, x, y, expected] : rows) {
        std::string list;
        for (const Point& n : Board::fresh(difficulty).neighbours(x, y))
            list += std::to_string(n.x) + "," + std::to_string(n.y) + " ";
        EXPECT_EQ(list, expected) << x << "," << y;
    }
    EXPECT_EQ(Board::fresh(expert).index(1, 1), 31);
    Board board = Board::fresh(beginner);
    board.flagCount = 12; // more flags than mines shows a negative count
    EXPECT_EQ(board.minesLeft(), -2);
    // U+00D7 with a space on each side, not the letter x; columns before rows.
    EXPECT_EQ(summary(expert), "30 \xC3\x97 16, 99 mines");
    // The stored names no other test writes out.
    EXPECT_TRUE(rawValue(Phase::playing) == "playing"sv && rawValue(Phase::won) == "won"sv);
    // Titles, padding, prefixes and a trailing NUL are different strings.
    for (const auto name : { "Beginner"sv, ""sv, "beginner "sv, "expe"sv, "expert\0"sv })
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
    // Malformed boards: one square short, the cells of a smaller size under a bigger difficulty,
    // counters one more step would overflow.
    std::array broken { Board::fresh(beginner), Board::fresh(beginner), chordBoard(),
        chordBoard() };
    broken[0].cells.pop_back(), broken[1].difficulty = expert;
    broken[2].flagCount = broken[3].revealedCount = highest;
    for (const Board& board : broken)
        play(board, "r8,8 r0,0 m8,8 c1,1", true);
    // A question mark does not protect: the square opens and loses its mark; the win flags every
    // mine.
    const Board asked = play(chordBoard(), "r4,4 m1,0 m1,0 r1,0");
    EXPECT_TRUE(asked.cellAt(1, 0) == (Cell { false, true, Mark::none, 2 }) &&
        asked.phase == Phase::won && asked.flagCount == 10 && asked.isReachable());
}

TEST(BoardRules, FirstRevealIsSafeAndOpensTheBlock)
{
    Mt64Random random(20240611);
    for (const Difficulty difficulty : allDifficulties) {
        for (std::int64_t i = 0; i < std::ssize(Board::fresh(difficulty).cells); ++i) {
            Board board = Board::fresh(difficulty);
            const std::int64_t x = i % board.columns(), y = i / board.columns();
            ASSERT_TRUE(board.reveal(x, y, random) && board.phase == Phase::playing);
            // The block around the square, clipped at the edges, is free and uncovered.
            EXPECT_EQ(board.cellAt(x, y), (Cell { false, true, Mark::none, 0 }));
            for (const Point& n : board.neighbours(x, y))
                EXPECT_TRUE(!board.cellAt(n.x, n.y).isMine && board.cellAt(n.x, n.y).isRevealed);
        }
    }
    // Marking cycles none, flag, question, none and starts the game without laying mines;
    // marks made before the first uncovering stay.
    Board board = play(Board::fresh(beginner), "m0,0 m0,0");
    EXPECT_TRUE(board.cellAt(0, 0).mark == Mark::question && board.flagCount == 0 &&
        board.phase == Phase::playing && !board.minesLaid);
    board = play(board, "m0,0 m0,0");
    ASSERT_TRUE(board.cellAt(0, 0).mark == Mark::flag && board.reveal(8, 8, random));
    EXPECT_TRUE(!board.cellAt(0, 0).isRevealed && board.cellAt(0, 0).mark == Mark::flag &&
        board.flagCount == 1);
}

TEST(BoardRules, MinesFollowTheFrontToBackShuffle)
{
    // From (4, 4) the 72 candidates are the row-major squares outside the block (3..5, 3..5).
    // Draws alternate 0 and 3: p even keeps its element, p odd swaps with p + 3, so the first ten
    // hold c0 c4 c2 c6 c1 c8 c3 c10 c5 c12. One draw per position while more than one remains.
    SequenceRandom random({ 0, 3 });
    Board board = Board::fresh(beginner);
    ASSERT_TRUE(board.reveal(4, 4, random));
    const std::set<std::size_t> mines { 0, 1, 2, 3, 4, 5, 6, 8, 10, 12 };
    for (std::size_t i = 0; i < board.cells.size(); ++i)
        EXPECT_EQ(board.cells[i].isMine, mines.contains(i)) << i;
    EXPECT_TRUE(random.drawn() == 71 && board.isReachable()); // the numbers follow the mines
}

TEST(BoardRules, FloodChordLossAndWin)
{
    // A full column of mines at x = 4 plus one in the far corner; a flag on a zero square right
    // of it, a column of flags at x = 2, and a question mark left of them. The flood from the left
    // stops at the flags and clears the question mark; from the right it stops at the numbers
    // and goes around the lone flag.
    std::vector<Point> wall { { 8, 8 } };
    for (std::int64_t y = 0; y < 9; ++y)
        wall.push_back({ 4, y });
    Board board = play(boardWithMines(beginner, wall),
        "m6,4 m0,8 m0,8 m2,0 m2,1 m2,2 m2,3 m2,4 m2,5 m2,6 m2,7 m2,8 r0,0");
    EXPECT_TRUE(
        board.revealedCount == 18 && board.cellAt(0, 8) == (Cell { false, true, Mark::none, 0 }));
    board = play(board, "r7,2");
    EXPECT_TRUE(board.cellAt(6, 4) == (Cell { false, false, Mark::flag, 0 }) &&
        board.cellAt(7, 4).isRevealed && !board.cellAt(3, 0).isRevealed && board.flagCount == 10 &&
        board.revealedCount == 18 + 4 * 9 - 2);
    // A chord around a wrong flag on (1, 0) opens the mine at (2, 0) and nothing after it in the
    // fixed order; every mine opens (reachable) and the wrong flag stays.
    board = play(chordBoard(), "r1,1 m0,0 m1,0 c1,1");
    EXPECT_TRUE(board.phase == Phase::lost && board.exploded == Point(2, 0) &&
        board.isReachable() && board.revealedCount == 1 && board.flagCount == 2);
    EXPECT_TRUE(board.cellAt(1, 0) == (Cell { false, false, Mark::flag, 2 }) &&
        board.cellAt(0, 0).mark == Mark::flag);
    // A chord that wins: a question mark on a mine becomes a flag and is counted then.
    board = play(chordBoard(), "r4,4 m0,0 m2,0 m8,7 m8,7");
    ASSERT_TRUE(board.revealedCount == 70 && board.flagCount == 2);
    board = play(board, "c1,1");
    EXPECT_TRUE(board.phase == Phase::won && !board.exploded &&
        std::ranges::all_of(board.cells,
            [](auto& c) { return !c.isMine || (!c.isRevealed && c.mark == Mark::flag); }));
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
            won += end == Phase::won, lost += end == Phase::lost;
        }
        // Both endings must be common, or the checks above hardly saw one of them.
        EXPECT_GT(std::min(won, lost), games / 10) << rawValue(difficulty);
    }
}

TEST(RandomSource, UnbiasedDrawsAndFallbacks)
{
    constexpr std::uint64_t top = std::numeric_limits<std::uint64_t>::max();
    // Draws, bound, result, values drawn. 2^64 mod 10 = 6: the six highest values are drawn again,
    // the highest below them is kept; a power of two divides 2^64 and rejects nothing; the largest
    // bound rejects only the top; a bound of one has only one answer and draws nothing.
    const std::tuple<std::vector<std::uint64_t>, std::uint64_t, std::uint64_t, std::size_t>
        rows[] = { { { top, 5 }, 10, 5, 2 }, { { top - 5, top - 6 }, 10, 9, 2 },
            { { top }, 8, 7, 1 }, { { top, top - 1 }, top, top - 1, 2 }, { { 7 }, 1, 0, 0 } };
    for (const auto& [draws, bound, result, drawn] : rows) {
        SequenceRandom random(draws);
        EXPECT_TRUE(uniformBelow(random, bound) == result && random.drawn() == drawn) << draws[0];
    }
    // A kernel without getrandom, or a sandbox that forbids it; then no device either. Past one
    // buffer's worth, 64-bit values from any of the sources do not repeat.
    const auto refused = [](void*, std::size_t, unsigned) -> ssize_t { return errno = ENOSYS, -1; };
    SystemRandom working, device(refused), clockOnly(refused, "/nonexistent/urandom");
    for (SystemRandom* random : { &working, &device, &clockOnly }) {
        std::set<std::uint64_t> seen;
        for (int i = 0; i < 600; ++i)
            seen.insert(random->next());
        EXPECT_EQ(seen.size(), 600u);
    }
}
