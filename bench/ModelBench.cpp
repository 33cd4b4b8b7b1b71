// SPDX-License-Identifier: GPL-3.0-or-later
// Timings of the board rules and the saved game's stored form on the largest board. Every
// player action runs one rule and one full save on the main thread, so both must stay far
// below a frame.
#include "TestBoards.h"

#include "model/Board.h"
#include "model/RandomSource.h"
#include "model/SavedGameCoding.h"
#include "model/SystemRandom.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

namespace {

/// An expert board with the given mines laid and counted.
template <typename IsMine> Board expertWithMines(IsMine isMine)
{
    std::vector<Point> mines;
    for (std::int64_t y = 0; y < rows(Difficulty::expert); ++y) {
        for (std::int64_t x = 0; x < columns(Difficulty::expert); ++x) {
            if (isMine(x, y))
                mines.push_back({ x, y });
        }
    }
    return boardWithMines(Difficulty::expert, mines);
}

/// All 99 mines packed into the bottom-right corner: one flood opens the other 381 squares.
Board cornerMinesBoard()
{
    // Rows 10..15 of the last 16 columns hold 96 mines, and three more sit in row 9.
    return expertWithMines(
        [](std::int64_t x, std::int64_t y) { return (y >= 10 && x >= 14) || (y == 9 && x >= 27); });
}

/// An expert game part-way through: the first region open and a few flags placed.
Board expertMidGame()
{
    Mt64Random random(2024);
    Board board = Board::fresh(Difficulty::expert);
    board.reveal(15, 8, random);
    std::int64_t flags = 0;
    for (std::int64_t i = 0; i < 480 && flags < 20; ++i) {
        const std::int64_t x = i % 30;
        const std::int64_t y = i / 30;
        if (board.cellAt(x, y).isMine && board.toggleMark(x, y))
            ++flags;
    }
    for (std::int64_t i = 0; i < 480; i += 7) {
        const std::int64_t x = i % 30;
        const std::int64_t y = i / 30;
        if (!board.cellAt(x, y).isMine && board.cellAt(x, y).mark == Mark::none)
            board.reveal(x, y, random);
    }
    return board;
}

// Each rule benchmark starts from a copy of its board inside the timed loop: pausing the
// timer costs more than the copy, which BM_CopyExpertBoard measures on its own.
void BM_CopyExpertBoard(benchmark::State& state)
{
    const Board board = expertMidGame();
    for (auto _ : state) {
        Board copy = board;
        benchmark::DoNotOptimize(copy.cells.data());
    }
}
BENCHMARK(BM_CopyExpertBoard);

void BM_FirstRevealExpert(benchmark::State& state)
{
    Mt64Random random(2024);
    const Board fresh = Board::fresh(Difficulty::expert);
    for (auto _ : state) {
        Board board = fresh;
        benchmark::DoNotOptimize(board.reveal(15, 8, random));
    }
}
BENCHMARK(BM_FirstRevealExpert);

/// The same with the operating system's source the game really uses.
void BM_FirstRevealExpertSystemRandom(benchmark::State& state)
{
    SystemRandom random;
    const Board fresh = Board::fresh(Difficulty::expert);
    for (auto _ : state) {
        Board board = fresh;
        benchmark::DoNotOptimize(board.reveal(15, 8, random));
    }
}
BENCHMARK(BM_FirstRevealExpertSystemRandom);

void BM_WorstCaseFlood(benchmark::State& state)
{
    Mt64Random random(2024);
    const Board start = cornerMinesBoard();
    for (auto _ : state) {
        Board board = start;
        benchmark::DoNotOptimize(board.reveal(0, 0, random));
    }
    Board check = start;
    check.reveal(0, 0, random);
    state.counters["opened"] = static_cast<double>(check.revealedCount);
}
BENCHMARK(BM_WorstCaseFlood);

void BM_Chord(benchmark::State& state)
{
    // A 3 at (1, 1) with its mines flagged above it: the chord opens the row below and
    // floods from there across the open board.
    Mt64Random random(2024);
    Board start = expertWithMines(
        [](std::int64_t x, std::int64_t y) { return (y == 0 && x <= 2) || (y >= 10 && x >= 15); });
    start.reveal(1, 1, random);
    for (const std::int64_t x : { 0, 1, 2 })
        start.toggleMark(x, 0);
    for (auto _ : state) {
        Board board = start;
        benchmark::DoNotOptimize(board.chord(1, 1, random));
    }
}
BENCHMARK(BM_Chord);

void BM_ToggleMark(benchmark::State& state)
{
    Board board = expertMidGame();
    for (auto _ : state)
        benchmark::DoNotOptimize(board.toggleMark(29, 15));
}
BENCHMARK(BM_ToggleMark);

void BM_EncodeSavedGame(benchmark::State& state)
{
    const SavedGame game { expertMidGame(), 123, 786000000.25 };
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string encoded = encodeSavedGame(game);
        bytes = encoded.size();
        benchmark::DoNotOptimize(encoded.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_EncodeSavedGame);

void BM_DecodeSavedGame(benchmark::State& state)
{
    const std::string encoded = encodeSavedGame(SavedGame { expertMidGame(), 123, 786000000.25 });
    for (auto _ : state) {
        auto decoded = decodeSavedGame(encoded);
        benchmark::DoNotOptimize(decoded);
    }
}
BENCHMARK(BM_DecodeSavedGame);

} // namespace

BENCHMARK_MAIN();
