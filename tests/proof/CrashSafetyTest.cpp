// SPDX-License-Identifier: GPL-3.0-or-later
// Kills a child playing with the real engine and store at random moments, a few hundred times,
// and checks after every kill that what survived is whole and current: every value reads, only
// the interrupted save changed anything, and in the order a save writes; the statistics never
// shrink; and loading finds exactly those values, never an interrupted write's leftovers.
#include "TestBoards.h"
#include "TestEngine.h"

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QTest>

#include <array>
#include <thread>
#include <unistd.h>

namespace {

constexpr int actionsPerRun = 24, wantedKills = 200, maxRuns = 400;
enum File { gameLocal, gameCloud, recordsLocal, recordsCloud }; // the order one save writes them
using Bytes = std::optional<QByteArray>;

Bytes hashOf(const Bytes& bytes)
{
    return bytes ? Bytes(QCryptographicHash::hash(*bytes, QCryptographicHash::Sha1).toHex())
                 : Bytes();
}

// The child plays scripted games, mostly on safe squares so that games are won as well as lost.
// It tells its parent straight through the descriptor "BEGIN seq" before action seq, which runs at
// startTime + seq, "SAVED seq game-hash records-hash" once that action's save has returned, and
// "DONE" at the end.
int child(const QString& local, const QString& cloud, std::uint64_t seed, qint64 first)
{
    const auto say = [](const QByteArray& line) {
        if (::write(STDOUT_FILENO, line.constData(), std::size_t(line.size())) != line.size())
            std::_Exit(3);
    };
    const auto hash = [&local](const QString& key) {
        return *hashOf(readStored(local, key).value_or(""));
    };
    FakeClock clock;
    clock.set(startTime + double(first));
    GameEngine engine({ local, cloud }, { clock.function(), std::make_unique<Mt64Random>(seed) });
    std::mt19937_64 script(seed ^ 0x5eed5eedULL);
    for (auto seq = first; seq < first + actionsPerRun; ++seq) {
        clock.set(startTime + double(seq));
        say("BEGIN " + QByteArray::number(seq) + '\n');
        const Board& board = engine.board();
        const auto roll = script() % 100, pick = script() % 10;
        std::vector<Point> squares;
        for (std::int64_t i = 0; i < std::int64_t(board.cells.size()); ++i) {
            const Cell& cell = board.cells[std::size_t(i)];
            if (!cell.isRevealed && !(cell.isMine && roll >= 15 && board.minesLaid))
                squares.push_back({ i % board.columns(), i / board.columns() });
        }
        const Point at = squares.empty() ? Point {} : squares[script() % squares.size()];
        if (board.isOver() || roll < 3 || squares.empty())
            engine.newGame(pick < 7 ? Difficulty::beginner
                    : pick < 9      ? Difficulty::intermediate
                                    : Difficulty::expert);
        else if (roll < 10)
            engine.toggleMark(at.x, at.y);
        else
            engine.reveal(at.x, at.y);
        if (engine.lastSavedAt() == clock.now())
            say("SAVED " + QByteArray::number(seq) + ' ' + hash(savedGameKey) + ' ' +
                hash(recordsKey) + '\n');
        QCoreApplication::processEvents(); // lets the store's watch see the folder
    }
    say("DONE\n");
    return 0;
}

// What a run said before it died: the hashes its last completed save reported, the action in
// flight, and whether the kill landed before the end.
struct Report {
    Bytes game {}, records {};
    std::optional<qint64> inFlight {};
    bool killed = false;
};

Report run(const QStringList& arguments, int killAfterLines, int delayMicros)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    QList<QByteArray> lines;
    while (child.waitForStarted(10000) && lines.size() < killAfterLines &&
        (child.canReadLine() || child.waitForReadyRead(10000))) {
        while (child.canReadLine() && lines.size() < killAfterLines)
            lines.append(child.readLine());
    }
    // A real-time pause on purpose: the kill must land anywhere, the middle of a save too.
    std::this_thread::sleep_for(std::chrono::microseconds(delayMicros));
    child.kill();
    child.waitForFinished(10000);
    Report report;
    report.killed = child.exitStatus() == QProcess::CrashExit;
    for (const QByteArray& line : lines + child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.trimmed().split(' ');
        if (words[0] == "BEGIN")
            report.inFlight = words.value(1).toLongLong();
        else if (words[0] == "SAVED" && words.size() == 4)
            std::tie(report.inFlight, report.game, report.records) =
                std::tuple(std::nullopt, words[2], words[3]);
        else if (words[0] == "DONE")
            report.inFlight.reset();
    }
    return report;
}

// What the disk held after the previous kill, and how often a kill hit a save in the one gap two
// separate keys leave: a finished game stored, its count not yet (measured, not failed on).
struct Disk {
    QString local, cloud;
    std::array<Bytes, 4> files {};
    std::array<Records, 2> records {};
    int uncounted = 0;
};

void check(const Report& report, Disk& disk)
{
    const auto gameIn = [](const Bytes& bytes) {
        return bytes ? decodeSavedGame(bytes->toStdString()) : std::nullopt;
    };
    std::array<Bytes, 4> now;
    std::array<bool, 4> isNew {};
    for (int f = 0; f < 4; ++f) {
        now[f] = readStored(f % 2 ? disk.cloud : disk.local, f < 2 ? savedGameKey : recordsKey);
        // Against what the last completed save reported, or else what the last check found.
        isNew[f] = hashOf(now[f]) !=
            (!report.game   ? hashOf(disk.files[f])
                    : f < 2 ? report.game
                            : report.records);
        QVERIFY2(!isNew[f] || report.inFlight, "a file changed without a save in flight");
        const auto game = gameIn(now[f]);
        QVERIFY2(
            f >= 2 || !isNew[f] || (game && game->savedAt == startTime + double(*report.inFlight)),
            "a game is gone, unreadable, or neither the last save nor the one in flight");
    }
    QVERIFY2(!isNew[gameCloud] || isNew[gameLocal], "the cloud game was written before the local");
    QVERIFY2(!isNew[gameLocal] || !isNew[gameCloud] || now[gameLocal] == now[gameCloud],
        "the sides hold different new games");
    QVERIFY2(!(isNew[recordsLocal] || isNew[recordsCloud]) || isNew[gameCloud],
        "the records were written before the game");
    QVERIFY2(!isNew[recordsCloud] || now[recordsCloud] == now[recordsLocal],
        "the cloud records were written before the local");
    disk.uncounted +=
        isNew[gameLocal] && !isNew[recordsLocal] && gameIn(now[gameLocal])->board.isOver();
    std::array<std::optional<SavedGame>, 2> games;
    for (const int side : { 0, 1 }) {
        QVERIFY2(!now[side] || (games[side] = gameIn(now[side])), "a stored game does not decode");
        const auto records =
            now[2 + side] ? decodeRecords(now[2 + side]->toStdString()) : Records {};
        QVERIFY2(records, "stored records do not decode");
        QVERIFY2(grewFrom(*records, std::exchange(disk.records[side], *records)),
            "the statistics went down");
    }
    // The real loading path, with the leftovers beside the values, finds exactly those values.
    const FakeClock clock;
    clock.set(startTime + 1e6);
    const auto engine = makeEngine({ disk.local, disk.cloud }, clock, {});
    const auto& newest =
        games[1] && (!games[0] || games[1]->savedAt > games[0]->savedAt) ? games[1] : games[0];
    QVERIFY2(engine->board() == (newest ? newest->board : Board::fresh(Difficulty::beginner)),
        "another game was restored");
    QVERIFY2(engine->records() == mergeRecords(disk.records[0], disk.records[1]),
        "other statistics were loaded");
    disk.files = now;
}

} // namespace

class CrashSafetyTest : public QObject {
    Q_OBJECT

private slots:
    void killedAtRandomMomentsLeavesAWholeCurrentStore()
    {
        // A kill leaves the page cache intact, so files in memory prove as much as files on disk,
        // and the disk's flushes would make the few hundred runs take minutes.
        const bool shm = QFileInfo(QStringLiteral("/dev/shm")).isWritable();
        QTemporaryDir root((shm ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
            QStringLiteral("/sapperly-crash-XXXXXX"));
        Disk disk { root.filePath(QStringLiteral("local")),
            root.filePath(QStringLiteral("cloud")) };
        QVERIFY(root.isValid() && QDir().mkpath(disk.local) && QDir().mkpath(disk.cloud));
        // Leftovers named as an interrupted write names them, holding tempting values: a game
        // saved far in the future and statistics far beyond anything played.
        const std::pair<QString, QByteArray> strays[] {
            { QStringLiteral("savedGame"),
                gameBytes({ Board::fresh(Difficulty::expert), 9, startTime + 1e7 }) },
            { QStringLiteral("records"),
                recordsBytes({ { Difficulty::beginner, { 1000000, 1000000, 1 } } }) }
        };
        for (const QString& folder : { disk.local, disk.cloud }) {
            for (const auto& [key, bytes] : strays) {
                QFile file(
                    folder + QStringLiteral("/.sapperly-") + key + QStringLiteral(".json.Qx7Rt2"));
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
            }
        }
        const auto seed =
            qEnvironmentVariable("SAPPERLY_CRASH_SEED", QStringLiteral("20261206")).toULongLong();
        std::mt19937_64 random(seed);
        int kills = 0, runs = 0;
        while (kills < wantedKills && runs++ < maxRuns) {
            // Lines come two per saving action; a few kills land during start-up and loading,
            // and some runs are let through to the end.
            const int killAfter = int(random() % (2 * actionsPerRun + 8)),
                      delay = int(random() % 2500);
            const QStringList arguments { QStringLiteral("--child"), disk.local, disk.cloud,
                QString::number(random()), QString::number(runs * 100) };
            const Report report = run(arguments, killAfter, delay);
            kills += report.killed;
            check(report, disk);
            if (QTest::currentTestFailed())
                return qWarning(
                    "seed %llu, run %d: kill after %d lines + %d us", seed, runs, killAfter, delay);
        }
        QVERIFY2(kills >= wantedKills, qPrintable(QStringLiteral("only %1 kills").arg(kills)));
        qInfo("%d kills in %d runs, %d between a finished game and its count", kills, runs,
            disk.uncounted);
    }
};

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc == 6 && qstrcmp(argv[1], "--child") == 0)
        return child(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
            std::stoull(argv[4]), std::stoll(argv[5]));
    CrashSafetyTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "CrashSafetyTest.moc"
