// SPDX-License-Identifier: GPL-3.0-or-later
// Kills a child playing on the real engine a few hundred times: each file left must be one whole
// value, old or new, written in a save's order; statistics never shrink; loading skips leftovers.
#include "TestBoards.h"
#include "TestEngine.h"

#include <QProcess>
#include <QTest>

#include <array>
#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int actionsPerRun = 24, wantedKills = 200, maxRuns = 400;
using Bytes = std::optional<QByteArray>;
const auto hashOf = [](const Bytes& b) { return QByteArray::number(qHash(b.value_or(""))); };
const auto gameIn = [](const Bytes& b) { return decodeSavedGame(b.value_or("").toStdString()); };

// Scripted play, mostly on safe squares so that games are won too. One unbuffered line each: "BEGIN
// seq" before action seq (at startTime + seq), "SAVED game-hash records-hash" once it has saved.
int child(const QStringList& arguments)
{
    const QString &local = arguments[2], &cloud = arguments[3];
    const auto [seed, first] = std::pair(arguments[4].toULongLong(), arguments[5].toLongLong());
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const FakeClock clock { std::make_shared<Instant>(startTime + double(first)) };
    GameEngine engine({ local, cloud }, { clock.function(), std::make_unique<Mt64Random>(seed) });
    std::mt19937_64 script(seed ^ 0x5eed5eedULL);
    for (auto seq = first; seq < first + actionsPerRun; ++seq) {
        clock.set(startTime + double(seq));
        std::printf("BEGIN %lld\n", seq);
        const Board& board = engine.board();
        const auto roll = script() % 100, pick = script() % 10;
        const bool safeOnly = roll >= 15 && board.minesLaid;
        std::vector<std::int64_t> squares;
        for (std::size_t i = 0; i < board.cells.size(); ++i)
            if (!board.cells[i].isRevealed && !(safeOnly && board.cells[i].isMine))
                squares.push_back(std::int64_t(i));
        const auto i = squares.empty() ? 0 : squares[script() % squares.size()];
        if (board.isOver() || roll < 3 || squares.empty())
            engine.newGame(Difficulty(pick / 7 + pick / 9)); // mostly beginner, seldom expert
        else if (roll < 10)
            engine.toggleMark(i % board.columns(), i / board.columns());
        else
            engine.reveal(i % board.columns(), i / board.columns());
        if (engine.lastSavedAt() == clock.now())
            std::printf("SAVED %s %s\n", hashOf(readStored(local, savedGameKey)).data(),
                hashOf(readStored(local, recordsKey)).data());
        QCoreApplication::processEvents(); // lets the store's watch see the folder
    }
    return 0;
}

// The files at the last check in a save's order (game and records, local then cloud), and kills.
struct Disk {
    QString local, cloud;
    std::array<Bytes, 4> files {};
    std::array<Records, 2> records {};
    int kills = 0, inSaves = 0;
};

void check(const QByteArray& output, bool killed, Disk& disk)
{
    // The hashes the last completed save reported, and the action in flight.
    Bytes saved[2];
    std::optional<qint64> inFlight;
    for (const QByteArray& line : output.split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words[0] == "BEGIN")
            inFlight = words.value(1).toLongLong();
        else if (words[0] == "SAVED" && words.size() == 3)
            std::tie(inFlight, saved[0], saved[1]) = std::tuple(std::nullopt, words[1], words[2]);
    }
    inFlight = killed ? inFlight : std::nullopt; // otherwise every action ran to its end
    std::array<Bytes, 4> now;
    std::array<bool, 4> isNew {};
    for (std::size_t f = 0; f < 4; ++f) {
        now[f] = readStored(f % 2 ? disk.cloud : disk.local, f < 2 ? savedGameKey : recordsKey);
        // Against what the last completed save reported, or else what the last check found.
        isNew[f] = hashOf(now[f]) != saved[f / 2].value_or(hashOf(disk.files[f]));
        const auto game = gameIn(now[f]);
        QVERIFY2(!isNew[f] || inFlight, "a file changed without a save in flight");
        QVERIFY2(f > 1 || !isNew[f] || (game && game->savedAt == startTime + double(*inFlight)),
            "a game is gone, unreadable, or neither the last save nor the one in flight");
    }
    const auto [gameLocal, gameCloud, recordsLocal, recordsCloud] = isNew;
    QVERIFY2(!gameCloud || gameLocal, "the cloud game was written before the local one");
    QVERIFY2(!gameLocal || !gameCloud || now[0] == now[1], "the sides hold different new games");
    QVERIFY2(!(recordsLocal || recordsCloud) || gameCloud, "records written before the game");
    QVERIFY2(!recordsCloud || now[3] == now[2], "cloud records written before the local ones");
    disk.kills += killed, disk.inSaves += bool(inFlight);
    std::array<std::optional<SavedGame>, 2> games;
    for (const int side : { 0, 1 }) {
        QVERIFY2(!now[side] || (games[side] = gameIn(now[side])), "a stored game does not decode");
        const auto stored = decodeRecords(now[2 + side].value_or("[]").toStdString());
        QVERIFY2(stored && grewFrom(*stored, std::exchange(disk.records[side], *stored)),
            "stored records do not decode, or the statistics went down");
    }
    // The real loading path, with the leftovers beside the values, finds exactly those.
    const auto engine =
        makeEngine({ disk.local, disk.cloud }, { std::make_shared<Instant>(startTime + 1e6) }, {});
    const auto& newest = games[!games[0] || (games[1] && games[1]->savedAt > games[0]->savedAt)];
    QVERIFY(engine->board() == (newest ? newest->board : Board::fresh(Difficulty::beginner)));
    QVERIFY(engine->records() == mergeRecords(disk.records[0], disk.records[1]));
    disk.files = now;
}

} // namespace

class CrashSafetyTest : public QObject {
    Q_OBJECT

private slots:
    void killedAtRandomMomentsLeavesAWholeCurrentStore()
    {
        // A kill spares the page cache, so memory proves as much as disk, without minutes of
        // flushes.
        const bool shm = QFileInfo(u"/dev/shm"_s).isWritable();
        QTemporaryDir root((shm ? u"/dev/shm"_s : QDir::tempPath()) + u"/sapperly-crash-XXXXXX"_s);
        Disk disk { root.filePath(u"local"_s), root.filePath(u"cloud"_s) };
        QVERIFY(root.isValid() && QDir().mkpath(disk.local) && QDir().mkpath(disk.cloud));
        // Leftovers named as an interrupted write names them, holding tempting values: a game
        // saved far in the future and statistics far beyond anything played.
        for (const QString& folder : { disk.local, disk.cloud }) {
            QFile game(folder + u"/.sapperly-savedGame.json.Qx7Rt2"_s),
                records(folder + u"/.sapperly-records.json.Lm3Np8"_s);
            QVERIFY(game.open(QIODevice::WriteOnly) && records.open(QIODevice::WriteOnly));
            game.write(gameBytes({ Board::fresh(Difficulty::expert), 9, startTime + 1e7 }));
            records.write(recordsBytes({ { Difficulty::beginner, { 1000000, 1000000, 1 } } }));
        }
        const auto seed = qEnvironmentVariable("SAPPERLY_CRASH_SEED", u"20261206"_s).toULongLong();
        std::mt19937_64 random(seed);
        int runs = 0;
        while (disk.kills < wantedKills && runs++ < maxRuns) {
            // Two lines per saving action; some kills land in start-up, some runs reach their end.
            const int lines = int(random() % (2 * actionsPerRun + 8)), delay = int(random() % 2500);
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(),
                { u"--child"_s, disk.local, disk.cloud, QString::number(random()),
                    QString::number(runs * 100) });
            while (child.peek(1 << 20).count('\n') < lines && child.waitForReadyRead(10000)) { }
            ::usleep(useconds_t(delay)); // real time on purpose: the kill must land anywhere
            child.kill();
            child.waitForFinished(10000);
            check(child.readAllStandardOutput(), child.exitStatus() == QProcess::CrashExit, disk);
            if (QTest::currentTestFailed()) // the kills' timing differs, but the moves replay
                return qWarning("run %d of SAPPERLY_CRASH_SEED=%llu", runs, qulonglong(seed));
        }
        QVERIFY2(disk.kills >= wantedKills, qPrintable(u"only %1 kills"_s.arg(disk.kills)));
        qInfo("%d kills in %d runs, %d inside saves", disk.kills, runs, disk.inSaves);
    }
};

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    CrashSafetyTest test;
    return argc == 6 && qstrcmp(argv[1], "--child") == 0 ? child(application.arguments())
                                                         : QTest::qExec(&test, argc, argv);
}

#include "CrashSafetyTest.moc"
