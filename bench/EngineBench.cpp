// SPDX-License-Identifier: GPL-3.0-or-later
// What one player action costs on the largest board: the rules, the bookkeeping and the save of
// both keys to both folders on disk, which all happen before the views may redraw.
#include "engine/GameEngine.h"
#include "model/RecordsCoding.h"
#include "model/SavedGameCoding.h"
#include "model/SequenceRandom.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

/// An engine over two folders under base (on disk by default), as on a machine with a sync
/// folder.
struct Setup {
    QTemporaryDir local;
    QTemporaryDir cloud;
    std::unique_ptr<GameEngine> engine;

    explicit Setup(const QString& base = QStringLiteral("/tmp"))
        : local(base + QStringLiteral("/sapperly-bench-local-XXXXXX"))
        , cloud(base + QStringLiteral("/sapperly-bench-cloud-XXXXXX"))
    {
        GameEngine::Dependencies dependencies;
        dependencies.random = std::make_unique<SequenceRandom>(std::vector<std::uint64_t> {
            0x9e3779b97f4a7c15ULL, 0xbf58476d1ce4e5b9ULL, 0x94d049bb133111ebULL, 12345, 777 });
        engine = std::make_unique<GameEngine>(
            GameFolders { local.path(), cloud.path() }, std::move(dependencies));
        engine->newGame(Difficulty::expert);
    }
};

// A mark on a covered square of an expert game in play: always accepted, so every iteration is
// a full successful move with its save.
void BM_MarkMoveOnExpert(benchmark::State& state)
{
    Setup setup;
    setup.engine->reveal(15, 8);
    for (auto _ : state)
        setup.engine->toggleMark(0, 0);
    benchmark::DoNotOptimize(setup.engine->moveCount());
}
BENCHMARK(BM_MarkMoveOnExpert)->Unit(benchmark::kMicrosecond);

// The opening reveal of an expert game: mine laying, the flood and the save.
void BM_FirstRevealOnExpert(benchmark::State& state)
{
    Setup setup;
    for (auto _ : state) {
        state.PauseTiming();
        setup.engine->newGame(Difficulty::expert);
        state.ResumeTiming();
        setup.engine->reveal(15, 8);
    }
}
BENCHMARK(BM_FirstRevealOnExpert)->Unit(benchmark::kMicrosecond);

// The save alone: a new game on a fresh expert board changes nothing but writes both keys.
void BM_SaveOnExpert(benchmark::State& state)
{
    Setup setup;
    for (auto _ : state)
        setup.engine->newGame(Difficulty::expert);
}
BENCHMARK(BM_SaveOnExpert)->Unit(benchmark::kMicrosecond);

// The same move with both folders in memory (tmpfs): what is left once the disk's flushes are
// taken away, that is the engine, the encoding and the store's own work.
void BM_MarkMoveOnExpertInMemory(benchmark::State& state)
{
    Setup setup(QStringLiteral("/dev/shm"));
    setup.engine->reveal(15, 8);
    for (auto _ : state)
        setup.engine->toggleMark(0, 0);
}
BENCHMARK(BM_MarkMoveOnExpertInMemory)->Unit(benchmark::kMicrosecond);

// The encoding of both keys for an expert game in play, without any store.
void BM_EncodeExpertSave(benchmark::State& state)
{
    Setup setup(QStringLiteral("/dev/shm"));
    setup.engine->reveal(15, 8);
    const SavedGame game { setup.engine->board(), 12, 800'000'000.5 };
    const Records records { { Difficulty::expert, Record { 12, 3, 245 } } };
    for (auto _ : state) {
        benchmark::DoNotOptimize(encodeSavedGame(game));
        benchmark::DoNotOptimize(encodeRecords(records));
    }
}
BENCHMARK(BM_EncodeExpertSave)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    // The store's folder watch is a QObject that expects an application object.
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
