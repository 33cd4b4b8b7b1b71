// SPDX-License-Identifier: GPL-3.0-or-later
// How long the exact solver takes on the positions players really lose from: expert games
// played by two seeded random players until they hit a mine, each position analysed once.
// Prints the median, the 99th percentile and the worst time, and what the analysis found.
// Usage: analysis_bench [losses per player, default 1000]
#include "TestBoards.h"

#include "analysis/Analysis.h"
#include "model/Board.h"
#include "model/RandomSource.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

/// Flags and uncovers what a single number makes obvious; true if it did anything.
bool playObviousMove(Board& board, RandomSource& random)
{
    for (std::int64_t y = 0; y < board.rows(); ++y) {
        for (std::int64_t x = 0; x < board.columns(); ++x) {
            const Cell& cell = board.cellAt(x, y);
            if (!cell.isRevealed || cell.adjacent == 0)
                continue;
            std::int64_t flags = 0;
            std::int64_t open = 0;
            for (const Point& n : board.neighbours(x, y)) {
                const Cell& near = board.cellAt(n.x, n.y);
                flags += !near.isRevealed && near.mark == Mark::flag;
                open += !near.isRevealed && near.mark != Mark::flag;
            }
            if (open == 0)
                continue;
            if (flags == cell.adjacent)
                return board.chord(x, y, random);
            if (flags + open == cell.adjacent) {
                for (const Point& n : board.neighbours(x, y)) {
                    const Cell& near = board.cellAt(n.x, n.y);
                    if (!near.isRevealed && near.mark != Mark::flag)
                        board.toggleMark(n.x, n.y);
                }
                return true;
            }
        }
    }
    return false;
}

/// Uncovers a covered, unflagged square chosen uniformly.
void revealAtRandom(Board& board, RandomSource& random)
{
    std::vector<Point> choices;
    for (std::int64_t y = 0; y < board.rows(); ++y) {
        for (std::int64_t x = 0; x < board.columns(); ++x) {
            const Cell& cell = board.cellAt(x, y);
            if (!cell.isRevealed && cell.mark != Mark::flag)
                choices.push_back({ x, y });
        }
    }
    const Point p = choices[uniformBelow(random, choices.size())];
    board.reveal(p.x, p.y, random);
}

/// The positions right before the losing click of `count` lost games.
std::vector<Board> expertLosses(std::size_t count, bool playsObviousMoves, std::uint64_t seed)
{
    Mt64Random random(seed);
    std::vector<Board> losses;
    while (losses.size() < count) {
        Board board = Board::fresh(Difficulty::expert);
        Board before = board;
        while (!board.isOver()) {
            before = board;
            if (!playsObviousMoves || !board.minesLaid || !playObviousMove(board, random))
                revealAtRandom(board, random);
        }
        if (board.phase == Board::Phase::lost)
            losses.push_back(before);
    }
    return losses;
}

double percentile(std::vector<double> sorted, double share)
{
    const auto at = static_cast<std::size_t>(share * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[at];
}

void measure(const char* name, const std::vector<Board>& losses)
{
    std::vector<double> millis;
    std::size_t forced = 0;
    std::size_t knowable = 0;
    std::size_t unknown = 0;
    std::size_t frontier = 0;
    for (const Board& board : losses) {
        const std::optional<Position> position = visiblePosition(board);
        const auto start = std::chrono::steady_clock::now();
        const Analysis analysis = analyse(*position);
        const auto end = std::chrono::steady_clock::now();
        millis.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        if (analysis.outcome != Analysis::Outcome::solved)
            ++unknown;
        else if (firstCertainlySafe(analysis))
            ++knowable;
        else
            ++forced;
        frontier += static_cast<std::size_t>(
            std::count(position->squares.begin(), position->squares.end(), Position::covered));
    }
    std::sort(millis.begin(), millis.end());
    const auto share = [&](std::size_t n) {
        return 100.0 * n / static_cast<double>(losses.size());
    };
    std::printf("%s: %zu expert losses, %.0f covered squares on average\n", name, losses.size(),
        static_cast<double>(frontier) / static_cast<double>(losses.size()));
    std::printf("  time: median %.3f ms, 99th percentile %.3f ms, worst %.3f ms\n",
        percentile(millis, 0.5), percentile(millis, 0.99), millis.back());
    std::printf("  forced guesses %.1f%%, a safe square was knowable %.1f%%, unknown %.1f%%\n",
        share(forced), share(knowable), share(unknown));
}

/// Numbers on every other square of every other row tie the whole expert field into one group
/// far beyond the budget: the time it takes to give up bounds the time of any position.
void measureGivingUp()
{
    Mt64Random random(3);
    Board board = Board::fresh(Difficulty::expert);
    std::vector<bool> mine(board.cells.size());
    for (std::size_t i = 0; i < mine.size(); ++i)
        mine[i] = (i % 30 % 2 != 0 || i / 30 % 2 != 0) && uniformBelow(random, 4) == 0;
    Position position { 30, 16, 0, std::vector<std::int8_t>(mine.size(), Position::covered) };
    position.mines = std::count(mine.begin(), mine.end(), true);
    for (std::int64_t y = 0; y < 16; y += 2) {
        for (std::int64_t x = 0; x < 30; x += 2) {
            std::int8_t around = 0;
            for (const Point& n : board.neighbours(x, y))
                around += mine[static_cast<std::size_t>(board.index(n.x, n.y))] ? 1 : 0;
            position.squares[static_cast<std::size_t>(board.index(x, y))] = around;
        }
    }
    const auto start = std::chrono::steady_clock::now();
    const Analysis analysis = analyse(position);
    const auto end = std::chrono::steady_clock::now();
    std::printf("beyond the budget: %s after %.1f ms\n",
        analysis.outcome == Analysis::Outcome::unknown ? "unknown" : "answered",
        std::chrono::duration<double, std::milli>(end - start).count());
}

} // namespace

int main(int argc, char** argv)
{
    const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000;
    if (count == 0) {
        std::fprintf(stderr, "usage: analysis_bench [losses per player]\n");
        return 2;
    }
    measure("random clicks", expertLosses(count, false, 1));
    measure("obvious moves first, random clicks when stuck", expertLosses(count, true, 2));
    measureGivingUp();
    return 0;
}
