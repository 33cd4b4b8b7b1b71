// SPDX-License-Identifier: GPL-3.0-or-later
// A running engine whose sync folder others fill with anything: it must not crash or stall, lower
// the statistics or go back to an older game, and must still take the next valid value and save.
#include "TestBoards.h"
#include "TestEngine.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <future>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// How a fault is put in place; most sync tools write a hidden temporary and rename it over.
enum Put { inPlace, renamed, beside, fifo, linked, folder, unreadable, gone };

bool write(const QString& dir, const QString& name, const QByteArray& bytes, bool byRename = true)
{
    const QString path = dir + u'/' + name, temporary = dir + "/.incoming-"_L1 + name;
    QFile file(byRename ? temporary : path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() &&
        (!byRename || ::rename(QFile::encodeName(temporary), QFile::encodeName(path)) == 0);
}

} // namespace

class HostileSyncFolderTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TwoFolders> m_dirs;
    FakeClock m_clock;
    std::unique_ptr<GameEngine> m_engine;
    // What the engine announced so far, and the games offered to it.
    struct {
        Records records;
        Instant savedAt = 0;
        Board board;
        QMap<Instant, Board> offered;
    } m_seen;

    /// A valid game, unlike any other, saved later than anything so far and offered to the engine.
    SavedGame nextGame()
    {
        const auto n = std::int64_t(m_seen.offered.size() + 1);
        SavedGame game { Board::fresh(Difficulty::intermediate), n, m_clock.now() + n * 10.0 };
        game.board.phase = Board::Phase::playing;
        flag(game.board, { { n % 16, n / 16 % 16 } });
        return m_seen.offered[game.savedAt] = game.board, game;
    }

private slots:
    void init()
    {
        m_engine = makeEngine((m_dirs = std::make_unique<TwoFolders>())->both(), m_clock = {});
        m_seen = {};
        // A quick watch, and a poll that finds what the watch cannot hear (a recreated folder).
        m_engine->setSyncIntervals(20ms, 150ms);
        // A board changes only by our own move, saved now, or to a newer game that was offered.
        const auto watch = [this, &seen = m_seen, &engine = *m_engine] {
            const Instant before = std::exchange(seen.savedAt, engine.lastSavedAt());
            QVERIFY2(engine.board() == std::exchange(seen.board, engine.board()) ||
                    seen.savedAt == m_clock.now() ||
                    (seen.savedAt > before && seen.offered.value(seen.savedAt) == seen.board),
                "the board changed to an older or unoffered game");
            QVERIFY2(grewFrom(engine.records(), std::exchange(seen.records, engine.records())),
                "the statistics went down");
        };
        connect(m_engine.get(), &GameEngine::boardChanged, this, watch);
        connect(m_engine.get(), &GameEngine::recordsChanged, this, watch);
        playLosingGame(*m_engine, m_clock, 5);
        m_engine->newGame(Difficulty::beginner);
        m_engine->toggleMark(2, 2);
    }

    void cleanup() { ::chmod(QFile::encodeName(m_dirs->cloud), 0755); } // or it cannot be removed

    void faultIsSurvived_data()
    {
        QTest::addColumn<int>("put");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        const auto row = [](const char* tag, Put put, const char* file = "", QByteArray b = {}) {
            QTest::newRow(tag) << int(put) << QString::fromUtf8(file) << b;
        };
        // Newer than the engine's game, so that only what is wrong with them keeps them out.
        SavedGame valid { flaggedBoard(8), 7, startTime + 500 }, huge = valid, back = valid;
        huge.board.cells[40].adjacent = 1234567890123456789; // 19 digits to draw and cache
        back.elapsed = -1000000000000000000; // a clock run backwards would buy a best time
        const QByteArray v = gameBytes(valid);
        const char *game = "savedGame.json", *records = "records.json";
        row("half a game", inPlace, game, v.left(v.size() / 2));
        row("a crash's zeros", inPlace, game, v.left(v.size() / 3) + QByteArray(64, 0));
        row("out of range", inPlace, game, R"({"board":1e999999,"elapsed":-0,"savedAt":NaN})");
        row("records cut short", inPlace, records, R"(["beginner",{"played":9,"won":8)");
        row("a count out of range", inPlace, records, R"(["beginner",{"played":1e308,"won":1}])");
        row("a count no board has", renamed, game, gameBytes(huge));
        row("a clock run backwards", renamed, game, gameBytes(back));
        row("an older game", renamed, game, gameBytes({ valid.board, 7, startTime - 100 }));
        row("huge", renamed, game, v + QByteArray(3 << 20, ' ')); // valid but for its size
        row("nested", renamed, game, QByteArray(100000, '[') + QByteArray(100000, ']'));
        // A tempting value under a name that is not the key's: the name is all that is wrong.
        row("look-alike", beside, "savedGame.sync-conflict-20260101-120000-ABCDEF.json", v);
        row("a fifo nobody writes", fifo, game); // a plain open would block for ever
        row("a link to an endless device", linked, records, "/dev/zero");
        row("a folder", folder, game);
        row("unreadable folder", unreadable);
        row("vanished folder", gone);
    }

    void faultIsSurvived()
    {
        QFETCH(int, put);
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString &cloud = m_dirs->cloud, &local = m_dirs->local, path = cloud + u'/' + name;
        // Root reads any mode, so as root the unreadable folder is also tried as an ordinary user.
        const QStringList asNobody { u"--reuid=nobody"_s, u"--regid=nogroup"_s, u"--clear-groups"_s,
            QCoreApplication::applicationFilePath(), u"faultIsSurvived:unreadable folder"_s };
        auto [board, records] = std::pair(m_engine->board(), m_engine->records());
        if (put >= fifo)
            QFile::remove(path);
        QVERIFY(put <= beside       ? write(cloud, name, bytes, put == renamed)
                : put == fifo       ? ::mkfifo(QFile::encodeName(path), 0644) == 0
                : put == linked     ? QFile::link(QString::fromLatin1(bytes), path)
                : put == folder     ? QDir().mkdir(path)
                : put == unreadable ? ::chmod(QFile::encodeName(cloud), 0) == 0 &&
                    (::geteuid() ? !QDir(cloud).isReadable()
                                 : !QProcess::execute(u"setpriv"_s, asNobody))
                                    : QDir(cloud).removeRecursively());
        m_engine->rescanSyncFolder();
        QTest::qWait(50);
        QVERIFY2(m_engine->board() == board && m_engine->records() == records, "taken in");
        // Our own save amid the fault fails quietly at worst, leaves look-alikes alone and keeps
        // the game here; then the sync tool brings the folder back.
        m_clock.advance(1000);
        m_engine->toggleMark(5, 5);
        QVERIFY(put != beside || QFileInfo(path).size() == bytes.size());
        QVERIFY(put != gone || (readStored(local, savedGameKey) && !QFileInfo::exists(cloud)));
        ::chmod(QFile::encodeName(cloud), 0755);
        QVERIFY(QDir().mkpath(cloud) && (put != folder || QDir(path).removeRecursively()));
        // A newer game comes in through the watch, and a peer's statistics but for a poisoned
        // entry, which never reaches our own file either...
        const SavedGame newer = nextGame();
        records[Difficulty::expert] = Record { 3, 1, 250 };
        QVERIFY(write(cloud, u"records.json"_s,
            R"(["beginner",{"played":9223372036854775807,"won":9223372036854775807,"bestSeconds":-5},)"
            R"("expert",{"played":3,"won":1,"bestSeconds":250}])"));
        QVERIFY(write(cloud, u"savedGame.json"_s, gameBytes(newer)));
        QTRY_VERIFY(m_engine->board() == newer.board && m_engine->records() == records);
        // ...and our next save reaches the folder again.
        m_clock.advance(1000);
        playLosingGame(*m_engine, m_clock, 5);
        QCOMPARE(readStored(cloud, savedGameKey), readStored(local, savedGameKey));
        QVERIFY(readStored(local, recordsKey) == recordsBytes(m_engine->records()) &&
            m_engine->records().at(Difficulty::beginner).played == 2);
    }

    void burstOfChangesKeepsTheProgramResponsive()
    {
        // Prepared up front, so the writer thread touches nothing of the engine or the test; the
        // last word on both keys is valid.
        QList<std::pair<QString, QByteArray>> script;
        Records records = m_engine->records();
        SavedGame last;
        for (int i = 0; i < 100; ++i) {
            ++records[Difficulty::intermediate].played;
            script += { { savedGameKey, gameBytes(last = nextGame()) },
                { recordsKey, recordsBytes(records) }, { savedGameKey, "{\"board\":" },
                { savedGameKey, gameBytes(last = nextGame()) },
                { "savedGame.sync-conflict-"_L1 + QString::number(i), "x" },
                { recordsKey, "[\"expert\"" } };
        }
        script += { { recordsKey, recordsBytes(records) }, { savedGameKey, gameBytes(last) } };
        // Another program writes for about a second as fast as it likes, half in place, half by
        // rename, while a timer on the main thread measures how long the event loop ever stalls.
        auto writer = std::async(std::launch::async, [&script, cloud = m_dirs->cloud] {
            for (int i = 0; i < script.size(); ++i)
                write(cloud, script[i].first + ".json"_L1, script[i].second, i % 2), ::usleep(1500);
        });
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer ticker;
        ticker.callOnTimeout([&] { longestGap = std::max(longestGap, sinceTick.restart()); });
        sinceTick.start();
        ticker.start(1ms);
        QTRY_VERIFY2_WITH_TIMEOUT(writer.wait_for(0s) == std::future_status::ready &&
                m_engine->board() == last.board && m_engine->records() == records,
            "the last valid values of the burst were not taken", 30000);
        // A liveness bound, not a speed target: a blocked main thread shows up as seconds.
        QVERIFY2(longestGap < 1000, qPrintable(u"main thread stalled %1 ms"_s.arg(longestGap)));
    }
};

QTEST_GUILESS_MAIN(HostileSyncFolderTest)
#include "HostileSyncFolderTest.moc"
