// SPDX-License-Identifier: GPL-3.0-or-later
// What a sync folder full of other people's files costs the main thread, and what a finished
// game's save costs with and without the flush of the statistics. Prints its figures:
// store_bench [folder on the disk to measure, /tmp by default]
#include "store/CloudStore.h"
#include "store/KeyFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double msSince(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

/// The main thread's own processor time in milliseconds: unlike the wall clock, it does not
/// count the time other programs on a busy machine held the processor.
double threadMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

/// "median / worst" of the samples: on a loaded machine the worst includes being preempted.
QByteArray summary(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return QByteArray::number(samples[samples.size() / 2], 'f', 3) + " / " +
        QByteArray::number(samples.back(), 'f', 3);
}

void fill(const QString& folder, int count, qsizetype size)
{
    const QByteArray data(size, 'x');
    for (int i = 0; i < count; ++i) {
        QFile file(folder + QStringLiteral("/unrelated-%1.json").arg(i));
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
            std::fprintf(stderr, "store_bench: cannot write %s\n", qPrintable(file.fileName()));
    }
}

/// The longest the main thread is held by the store with the folder full of strangers: at
/// start-up, on a rescan, and while an outside change is noticed and reported.
void measureStall(const QString& base, const char* what, int count, qsizetype size)
{
    QTemporaryDir local(base + QStringLiteral("/store-bench-local-XXXXXX"));
    QTemporaryDir sync(base + QStringLiteral("/store-bench-sync-XXXXXX"));
    fill(sync.path(), count, size);
    const QByteArray game(30 * 1024, 'g');

    QElapsedTimer timer;
    timer.start();
    CloudStore store(CloudStore::Sides { local.path(), sync.path() });
    const double attach = msSince(timer);
    store.setWatchIntervals(std::chrono::milliseconds(20), std::chrono::hours(1));
    int reports = 0;
    QObject::connect(
        &store, &CloudStore::keysChanged, &store,
        [&reports](const QString&, const QStringList&) { ++reports; }, Qt::QueuedConnection);

    std::vector<double> rescan;
    for (int i = 0; i < 20; ++i) {
        timer.restart();
        store.rescan();
        rescan.push_back(msSince(timer));
    }

    // Another machine's save arrives; every turn of the event loop until it is reported is a
    // stall of the window, the rescan it triggers included.
    std::vector<double> change;
    std::vector<double> changeCpu;
    for (int round = 0; round < 10; ++round) {
        QFile file(sync.path() + QStringLiteral("/savedGame.json"));
        if (!file.open(QIODevice::WriteOnly) || file.write(game + QByteArray::number(round)) < 0)
            std::fprintf(stderr, "store_bench: cannot write the change\n");
        file.close();
        const int before = reports;
        QElapsedTimer waited;
        waited.start();
        while (reports == before && waited.elapsed() < 5000) {
            timer.restart();
            const double cpu = threadMs();
            QCoreApplication::processEvents();
            change.push_back(msSince(timer));
            changeCpu.push_back(threadMs() - cpu);
        }
    }
    std::printf("%-28s attach %.2f ms; median / worst: rescan %s ms, event-loop turn during an "
                "outside change %s ms (processor time %s ms; %d seen)\n",
        what, attach, summary(rescan).constData(), summary(change).constData(),
        summary(changeCpu).constData(), reports);
}

/// A finished game writes both keys to both folders; the statistics change, so they are flushed.
void measureSave(const QString& base)
{
    QTemporaryDir dir(base + QStringLiteral("/store-bench-save-XXXXXX"));
    const KeyFolder local(dir.path() + QStringLiteral("/local"));
    const KeyFolder cloud(dir.path() + QStringLiteral("/cloud"));
    if (!local.prepare(KeyFolder::Creation::withParents) ||
        !cloud.prepare(KeyFolder::Creation::withParents))
        return;
    const QByteArray game(30 * 1024, 'g');
    for (const auto flush : { KeyFolder::Flush::never, KeyFolder::Flush::whenChanged }) {
        constexpr int rounds = 40;
        std::vector<double> costs;
        for (int i = 0; i < rounds; ++i) {
            const QByteArray records = "[\"expert\",{\"played\":" + QByteArray::number(i) + "}]";
            QElapsedTimer timer;
            timer.start();
            for (const KeyFolder* folder : { &local, &cloud }) {
                folder->write(KeyFolder::savedGameKey, game);
                folder->write(KeyFolder::recordsKey, records, flush);
            }
            costs.push_back(msSince(timer));
        }
        std::printf("finished game's save to both folders, %-17s median / worst %s ms\n",
            flush == KeyFolder::Flush::never ? "no flush:" : "records flushed:",
            summary(costs).constData());
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    measureStall(base, "300 unrelated 1 MiB files:", 300, 1024 * 1024);
    measureStall(base, "20000 unrelated small files:", 20000, 200);
    measureSave(base);
    return 0;
}
