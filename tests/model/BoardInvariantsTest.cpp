// SPDX-License-Identifier: GPL-3.0-or-later
// Thousands of seeded random games played to their end, with the board's invariants checked
// after every action, refused or not: every board a real game reaches is one the reader accepts.
#include "TestBoards.h"

#include "model/Board.h"
#include "model/BoardCoding.h"
#include "model/JsonRead.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Phase = Board::Phase;

enum class Action { reveal, toggleMark, chord };

/// What the rules promise beyond reachability, as one failure message (empty when all hold).
/// layout holds per square -1 for a mine or its count, as the field was laid; empty before.
std::string brokenInvariant(const Board& board, const std::vector<std::int64_t>& layout)
{
    if (!board.isReachable())
        return "a board the reader would refuse";
    for (std::size_t i = 0; board.minesLaid && i < board.cells.size(); ++i) {
        const Cell& cell = board.cells[i];
        if (layout[i] != (cell.isMine ? -1 : cell.adjacent))
            return "the field changed at square " + std::to_string(i);
        if (cell.isRevealed && !cell.isMine && cell.mark != Mark::none)
            return "a mark on an uncovered safe square";
        if (board.phase == Phase::won && cell.isMine && cell.mark != Mark::flag)
            return "an unflagged mine after a win";
    }
    return {};
}

/// The first square from index start on, wrapping, that satisfies the predicate.
template <typename Predicate>
std::size_t nextSquare(const Board& board, std::size_t start, Predicate predicate)
{
    for (std::size_t step = 0; step < board.cells.size(); ++step) {
        if (predicate(board.cells[(start + step) % board.cells.size()]))
            return (start + step) % board.cells.size();
    }
    return start;
}

/// Plays one game with a mix of blind and informed moves, checking after every action, and
/// returns how it ended (playing if a check failed).
Phase playOneGame(Difficulty difficulty, std::mt19937_64& chooser, Mt64Random& mines)
{
    Board board = Board::fresh(difficulty);
    const std::int64_t columns = board.columns(), rows = board.rows();
    const auto uniform = [&chooser](std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(chooser);
    };
    // How often this game's player knows where the mines are. Half the games are played
    // nearly perfectly so that wins, long floods and chords are common.
    const double insight = std::uniform_real_distribution<double>(
        std::bernoulli_distribution(0.5)(chooser) ? 0.95 : 0.0, 1.0)(chooser);
    std::vector<std::int64_t> layout;
    // Reused across steps: copying into it keeps its storage, which matters under sanitizers.
    Board before;
    for (int step = 0; step < 10000 && !board.isOver(); ++step) {
        before = board;
        const std::int64_t kind = uniform(0, 9);
        // One beyond each side, so refusals outside the board are exercised too.
        std::int64_t x = uniform(-1, columns), y = uniform(-1, rows);
        Action action = kind < 5 ? Action::reveal : kind < 8 ? Action::toggleMark : Action::chord;
        if (board.minesLaid && std::bernoulli_distribution(insight)(chooser)) {
            // An informed player walks on to a square worth acting on: one with work left for
            // an uncovering or a mark, or a number to chord on.
            const auto start = static_cast<std::size_t>(uniform(0, columns * rows - 1));
            const std::size_t i = kind < 8
                ? nextSquare(board, start,
                      [](const Cell& c) {
                          return !c.isRevealed && !(c.isMine && c.mark == Mark::flag);
                      })
                : nextSquare(
                      board, start, [](const Cell& c) { return c.isRevealed && c.adjacent > 0; });
            if (kind < 8)
                action = board.cells[i].isMine || board.cells[i].mark == Mark::flag
                    ? Action::toggleMark
                    : Action::reveal;
            x = static_cast<std::int64_t>(i) % columns;
            y = static_cast<std::int64_t>(i) / columns;
        }
        const bool changed = action == Action::reveal ? board.reveal(x, y, mines)
            : action == Action::toggleMark            ? board.toggleMark(x, y)
                                                      : board.chord(x, y, mines);
        // Only evaluated when a check fails.
        const auto where = [&] {
            static constexpr const char* names[] { "reveal", "toggleMark", "chord" };
            return std::string(names[static_cast<int>(action)]) + " at " + std::to_string(x) + "," +
                std::to_string(y);
        };
        if (!changed) {
            EXPECT_EQ(board, before) << "a refused " << where() << " changed the board";
            if (board != before)
                return Phase::playing;
            continue;
        }
        EXPECT_NE(board, before) << "a successful " << where() << " changed nothing";
        if (!before.minesLaid && board.minesLaid) {
            // The first uncovering lays the field and never loses.
            EXPECT_EQ(action, Action::reveal) << where();
            EXPECT_NE(board.phase, Phase::lost) << "the first uncovering lost";
            for (const Cell& cell : board.cells)
                layout.push_back(cell.isMine ? -1 : cell.adjacent);
        }
        EXPECT_EQ(brokenInvariant(board, layout), "") << "after " << where();
        // A saved game that does not read back would be lost; parsing every step is too slow.
        if (board.isOver()) {
            std::string text;
            appendBoardJson(text, board);
            const auto value = jsonread::parse(text);
            EXPECT_TRUE(value && decodeBoard(*value) == board) << "after " << where();
        }
        if (action == Action::reveal && board.phase == Phase::lost) {
            EXPECT_EQ(board.revealedCount, before.revealedCount) << "a loss uncovered safe squares";
        }
        if (testing::Test::HasFailure())
            return Phase::playing;
    }
    EXPECT_TRUE(board.isOver()) << "a game did not end";
    // Nothing changes a finished game.
    const Board final = board;
    for (std::int64_t i = 0; i < columns * rows; ++i) {
        const std::int64_t x = i % columns, y = i / columns;
        EXPECT_FALSE(
            board.reveal(x, y, mines) || board.toggleMark(x, y) || board.chord(x, y, mines));
    }
    EXPECT_EQ(board, final);
    return board.phase;
}

} // namespace

TEST(BoardInvariants, RandomGamesKeepEveryInvariant)
{
    struct Plan {
        Difficulty difficulty;
        int games;
    };
    std::mt19937_64 chooser(0x5a99e71);
    Mt64Random mines(0xb0a4d);
    for (const Plan plan : { Plan { Difficulty::beginner, 2000 },
             Plan { Difficulty::intermediate, 600 }, Plan { Difficulty::expert, 250 } }) {
        int won = 0;
        int lost = 0;
        for (int game = 0; game < plan.games; ++game) {
            const Phase end = playOneGame(plan.difficulty, chooser, mines);
            if (HasFailure()) {
                ADD_FAILURE() << "in " << rawValue(plan.difficulty) << " game " << game;
                return;
            }
            won += end == Phase::won ? 1 : 0;
            lost += end == Phase::lost ? 1 : 0;
        }
        // Both endings must be common, or the checks above hardly saw one of them.
        EXPECT_GT(won, plan.games / 10) << rawValue(plan.difficulty);
        EXPECT_GT(lost, plan.games / 10) << rawValue(plan.difficulty);
    }
}
