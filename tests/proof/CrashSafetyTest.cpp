// SPDX-License-Identifier: GPL-3.0-or-later
// Kills a child that plays with the real engine and store (crash_child) at random moments, a few
// hundred times over, and checks after every kill that what survived on disk is whole and
// current: each stored value reads, the game is the last one saved (or the one whose save the
// kill interrupted), the four files were written in order, the statistics never shrink, and
// the temporaries that an interrupted atomic write leaves behind are never read as values.
#include "ContentHash.h"
#include "TestBoards.h"
#include "TestEngine.h"

#include "model/SequenceRandom.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTest>

#include <array>
#include <random>
#include <thread>

namespace {

// Must match the child: an action with sequence number seq saves at base + seq.
constexpr Instant base = 800000000.0;
constexpr int actionsPerRun = 24;
constexpr int wantedKills = 200;
constexpr int maxRuns = 400;

// The four files in the order one save writes them: game local, game cloud, records local,
// records cloud.
enum File { gameLocal, gameCloud, recordsLocal, recordsCloud, fileCount };
using Files = std::array<std::optional<QByteArray>, fileCount>;

std::optional<QString> hashOf(const std::optional<QByteArray>& bytes)
{
    return bytes ? std::optional(contentHash(*bytes)) : std::nullopt;
}

std::optional<SavedGame> gameIn(const std::optional<QByteArray>& bytes)
{
    return bytes ? decodeSavedGame(bytes->toStdString()) : std::nullopt;
}

// What one child run reported before it died.
struct Report {
    std::optional<qint64> lastSaved;
    QString gameHash;
    QString recordsHash;
    std::optional<qint64> inFlight;
    qint64 highestSeq = 0;
};

Report parse(const QList<QByteArray>& lines)
{
    Report report;
    for (const QByteArray& line : lines) {
        const QList<QByteArray> words = line.trimmed().split(' ');
        if (words.value(0) == "BEGIN") {
            report.inFlight = words.value(1).toLongLong();
            report.highestSeq = std::max(report.highestSeq, *report.inFlight);
        } else if (words.value(0) == "SAVED" && words.size() == 4) {
            report.lastSaved = words[1].toLongLong();
            report.gameHash = QString::fromLatin1(words[2]);
            report.recordsHash = QString::fromLatin1(words[3]);
            report.inFlight.reset();
        } else if (words.value(0) == "DONE") {
            report.inFlight.reset();
        }
    }
    return report;
}

// A kill leaves the page cache intact, so files in memory prove as much as files on disk, and
// the disk's flushes would make the few hundred runs take minutes.
QString memoryBackedTemp()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    const QString folder = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
    return folder + QStringLiteral("/sapperly-crash-XXXXXX");
}

} // namespace

class CrashSafetyTest : public QObject {
    Q_OBJECT

private slots:
    void killedAtRandomMomentsLeavesAWholeCurrentStore();

private:
    /// The child's output lines, and whether the kill landed before it finished.
    std::pair<QList<QByteArray>, bool> runChild(
        qint64 firstSeq, std::uint64_t seed, int killAfterLines, int delayMicros);
    /// Empty when everything on disk is as it may be after this report; else what is wrong.
    QString check(const Report& report);

    QTemporaryDir m_root { memoryBackedTemp() };
    QString m_local = m_root.filePath(QStringLiteral("local"));
    QString m_cloud = m_root.filePath(QStringLiteral("cloud"));
    // What the previous check found, the reference for files no completed save has touched.
    Files m_known;
    std::array<Records, 2> m_knownRecords;
    // Kills that hit a save after it began writing and before the child reported it.
    int m_unreportedSaves = 0;
    // Of those, the kills that left the two sides different.
    int m_halfWrittenSaves = 0;
    // Of those, the kills between a finishing move's game and its statistics: the one gap the
    // two separate keys leave. The restored finished game is not counted again, so its result
    // is lost from the statistics; measured here, not failed on.
    int m_uncountedResults = 0;
};

std::pair<QList<QByteArray>, bool> CrashSafetyTest::runChild(
    qint64 firstSeq, std::uint64_t seed, int killAfterLines, int delayMicros)
{
    QList<QByteArray> lines;
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral(CRASH_CHILD_PATH),
        { m_local, m_cloud, QString::number(seed), QString::number(firstSeq),
            QString::number(actionsPerRun) });
    if (!child.waitForStarted(10000))
        return { lines, false };
    while (lines.size() < killAfterLines) {
        if (!child.canReadLine() && !child.waitForReadyRead(10000))
            break;
        while (child.canReadLine() && lines.size() < killAfterLines)
            lines.append(child.readLine());
    }
    // A real-time pause on purpose: the kill has to land at an arbitrary point inside whatever
    // the child is doing, including the middle of a save.
    std::this_thread::sleep_for(std::chrono::microseconds(delayMicros));
    child.kill();
    child.waitForFinished(10000);
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        if (!line.isEmpty())
            lines.append(line);
    }
    return { lines, child.exitStatus() == QProcess::CrashExit };
}

QString CrashSafetyTest::check(const Report& report)
{
    const std::array<QString, fileCount> folders { m_local, m_cloud, m_local, m_cloud };
    Files now;
    std::array<bool, fileCount> isNew {};
    for (int f = 0; f < fileCount; ++f) {
        now[f] = readStored(folders[f], f < recordsLocal ? savedGameKey : recordsKey);
        // Against what each file held when the last completed save returned, or before this run.
        const auto expected = !report.lastSaved
            ? hashOf(m_known[f])
            : (f < recordsLocal ? report.gameHash : report.recordsHash);
        isNew[f] = hashOf(now[f]) != expected;
        if (isNew[f] && !report.inFlight)
            return QStringLiteral("file %1 changed without a save in flight").arg(f);
    }
    for (const File f : { gameLocal, gameCloud }) {
        // Only the save the kill interrupted may have left a different game.
        const auto game = gameIn(now[f]);
        if (isNew[f] && (!game || game->savedAt != base + static_cast<Instant>(*report.inFlight)))
            return QStringLiteral("game %1 is gone, does not decode, or is neither the last save "
                                  "nor the one in flight (%2)")
                .arg(f)
                .arg(*report.inFlight);
    }
    // One save writes game-local, game-cloud, records-local, records-cloud, in that order.
    if (isNew[gameCloud] && !isNew[gameLocal])
        return QStringLiteral("the cloud game was written before the local one");
    if (isNew[gameLocal] && isNew[gameCloud] && now[gameLocal] != now[gameCloud])
        return QStringLiteral("the two sides hold different new games");
    if ((isNew[recordsLocal] || isNew[recordsCloud]) && !isNew[gameCloud])
        return QStringLiteral("the records were written before the game");
    if (isNew[recordsCloud] && now[recordsCloud] != now[recordsLocal])
        return QStringLiteral("the cloud records were written before the local ones");
    m_unreportedSaves += isNew[gameLocal] || isNew[gameCloud] || isNew[recordsLocal] ? 1 : 0;
    if (isNew[gameLocal] && !isNew[recordsLocal] && gameIn(now[gameLocal])->board.isOver())
        ++m_uncountedResults;
    if (now[gameLocal] != now[gameCloud] || now[recordsLocal] != now[recordsCloud])
        ++m_halfWrittenSaves;

    // Every value that is there reads, and the statistics on each side never shrink.
    std::array<std::optional<SavedGame>, 2> games;
    for (const int side : { 0, 1 }) {
        const auto& game = now[gameLocal + side];
        const auto& records = now[recordsLocal + side];
        if (game && !(games[side] = gameIn(game)))
            return QStringLiteral("a stored game does not decode");
        if (!game && (report.lastSaved || m_known[gameLocal + side]))
            return QStringLiteral("a stored game vanished");
        const auto decoded = records ? decodeRecords(records->toStdString()) : Records {};
        if (!decoded)
            return QStringLiteral("stored records do not decode");
        if (!grewFrom(*decoded, m_knownRecords[side]))
            return QStringLiteral("the statistics went down across a kill");
        m_knownRecords[side] = *decoded;
    }

    // The real loading path, with the strays beside the values, finds exactly those values.
    GameEngine engine(GameFolders { m_local, m_cloud },
        { [] { return base + 1e6; },
            std::make_unique<SequenceRandom>(std::vector<std::uint64_t> {}) });
    const auto& chosen =
        (games[1] && (!games[0] || games[1]->savedAt > games[0]->savedAt)) ? games[1] : games[0];
    if (engine.board() != (chosen ? chosen->board : Board::fresh(Difficulty::beginner)))
        return QStringLiteral("the engine restored another game than the stored one");
    if (engine.records() != mergeRecords(m_knownRecords[0], m_knownRecords[1]))
        return QStringLiteral("the engine loaded other statistics than the stored ones");
    m_known = now;
    return {};
}

void CrashSafetyTest::killedAtRandomMomentsLeavesAWholeCurrentStore()
{
    QVERIFY(m_root.isValid() && QDir().mkpath(m_local) && QDir().mkpath(m_cloud));
    // Leftovers as an interrupted atomic write names them, holding tempting values: a game saved
    // far in the future and statistics far beyond anything played. A store that read them would
    // restore the wrong game and inflate the records.
    const QByteArray future = gameBytes({ Board::fresh(Difficulty::expert), 999, base + 1e7 });
    const QByteArray inflated = recordsBytes({ { Difficulty::beginner, { 1000000, 1000000, 1 } } });
    QStringList expected { QStringLiteral("records.json"), QStringLiteral("savedGame.json"),
        QStringLiteral(".sapperly-savedGame.json.Qx7Rt2"),
        QStringLiteral(".sapperly-records.json.Lm3Np8") };
    for (const QString& folder : { m_local, m_cloud }) {
        for (int i : { 2, 3 }) {
            QFile stray(folder + u'/' + expected[i]);
            QVERIFY(
                stray.open(QIODevice::WriteOnly) && stray.write(i == 2 ? future : inflated) > 0);
        }
    }

    const std::uint64_t seed = qEnvironmentVariableIsSet("SAPPERLY_CRASH_SEED")
        ? qEnvironmentVariable("SAPPERLY_CRASH_SEED").toULongLong()
        : 20261206;
    std::mt19937_64 random(seed);
    QElapsedTimer timer;
    timer.start();
    qint64 nextSeq = 1;
    int kills = 0, saves = 0, runs = 0;
    QSet<QString> strays;
    while (kills < wantedKills && runs < maxRuns) {
        ++runs;
        // Lines come two per saving action; a few kills land before the first line, during the
        // start-up and loading, and some runs are let through to the end.
        const int killAfter = static_cast<int>(random() % (2 * actionsPerRun + 8));
        const int delay = static_cast<int>(random() % 2500);
        const auto [lines, killed] = runChild(nextSeq, random(), killAfter, delay);
        const Report report = parse(lines);
        kills += killed ? 1 : 0;
        saves += static_cast<int>(std::count_if(lines.cbegin(), lines.cend(),
            [](const QByteArray& line) { return line.startsWith("SAVED"); }));
        const QString problem = check(report);
        QVERIFY2(problem.isEmpty(),
            qPrintable(QStringLiteral("seed %1, run %2 (kill after %3 lines + %4 us): %5")
                           .arg(seed)
                           .arg(runs)
                           .arg(killAfter)
                           .arg(delay)
                           .arg(problem)));
        for (const QString& folder : { m_local, m_cloud }) {
            for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
                strays += expected.contains(name) ? QSet<QString> {} : QSet { name };
        }
        nextSeq = std::max(nextSeq, report.highestSeq + 1) + 1;
    }
    QVERIFY2(kills >= wantedKills,
        qPrintable(QStringLiteral("only %1 kills in %2 runs").arg(kills).arg(runs)));
    qInfo("%d kills in %d runs, %d completed saves; %d kills hit a save before it was reported, "
          "%d of them with the two sides differing, %d between a finished game and its count; "
          "%lld temporaries left behind by kills (all ignored); %lld ms",
        kills, runs, saves, m_unreportedSaves, m_halfWrittenSaves, m_uncountedResults,
        qlonglong(strays.size()), qlonglong(timer.elapsed()));
}

QTEST_GUILESS_MAIN(CrashSafetyTest)
#include "CrashSafetyTest.moc"
