// SPDX-License-Identifier: GPL-3.0-or-later
// A running engine whose sync folder is filled by others with anything at all: truncated and
// corrupt values, files of megabytes, JSON nested a hundred thousand deep, values swapped in by
// rename, sync-tool temporaries and conflict copies, special files, a folder that vanishes or
// cannot be read, and hundreds of changes in one second. Whatever arrives, the program must not
// crash or stall, the statistics never go down, the game on the board is never replaced by an
// older one, and the next valid value is still picked up afterwards.
#include "TestBoards.h"
#include "TestEngine.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <atomic>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// The way most sync tools deliver: a hidden temporary beside the file, renamed over it.
bool writeByRename(const QString& folder, const QString& key, const QByteArray& bytes)
{
    const QString temporary = QStringLiteral(".incoming-") + key;
    return writeStored(folder, temporary, bytes) &&
        ::rename(QFile::encodeName(folder + u'/' + temporary + QStringLiteral(".json")).constData(),
            QFile::encodeName(folder + u'/' + key + QStringLiteral(".json")).constData()) == 0;
}

// A board that differs from every other one the test hands out.
Board distinctBoard(int serial)
{
    Board board = Board::fresh(serial % 2 == 0 ? Difficulty::beginner : Difficulty::intermediate);
    board.phase = Board::Phase::playing;
    for (int bit = 0; bit < 16; ++bit) {
        if (serial & (1 << bit))
            flag(board, { { bit % 9, bit / 9 } });
    }
    return board;
}

// Watches everything the engine announces and notes every broken promise.
class Witness : public QObject {
public:
    explicit Witness(GameEngine& engine)
        : m_engine(engine)
        , m_records(engine.records())
        , m_lastSavedAt(engine.lastSavedAt())
        , m_board(engine.board())
    {
        connect(&engine, &GameEngine::boardChanged, this, &Witness::onBoardChanged);
        connect(&engine, &GameEngine::recordsChanged, this, [this] {
            if (!grewFrom(m_engine.records(), m_records))
                problems.append(QStringLiteral("the statistics went down"));
            m_records = m_engine.records();
        });
        connect(&engine, &GameEngine::lastSavedAtChanged, this, [this] {
            if (m_engine.lastSavedAt() < m_lastSavedAt)
                problems.append(QStringLiteral("lastSavedAt went back"));
            m_lastSavedAt = m_engine.lastSavedAt();
        });
    }
    /// A game written into the sync folder, which the engine may adopt if it is newer.
    void offer(const SavedGame& game) { m_offered[game.savedAt] = game.board; }
    /// The test's own move: its board change is no adoption.
    void act(const std::function<void()>& action)
    {
        m_ownAction = true;
        action();
        m_ownAction = false;
        m_board = m_engine.board();
        m_lastSavedAt = m_engine.lastSavedAt();
    }
    QStringList problems;
    int adoptions = 0;

private:
    void onBoardChanged()
    {
        if (m_ownAction || m_engine.board() == m_board)
            return;
        // Anything but our own move is an adoption, and only of a newer game that was offered.
        const Instant stamp = m_engine.lastSavedAt();
        const auto offered = m_offered.find(stamp);
        if (!(stamp > m_lastSavedAt))
            problems.append(QStringLiteral("a game saved at %1 replaced one saved at %2")
                                .arg(stamp - startTime)
                                .arg(m_lastSavedAt - startTime));
        else if (offered == m_offered.end() || offered->second != m_engine.board())
            problems.append(QStringLiteral("the board changed to a game nobody offered"));
        ++adoptions;
        m_board = m_engine.board();
    }

    GameEngine& m_engine;
    Records m_records;
    Instant m_lastSavedAt;
    Board m_board;
    std::map<Instant, Board> m_offered;
    bool m_ownAction = false;
};

QByteArray nested(int depth, const QByteArray& open, const QByteArray& close)
{
    return open.repeated(depth) + close.repeated(depth);
}

} // namespace

class HostileSyncFolderTest : public QObject {
    Q_OBJECT

    struct Fault {
        const char* name;
        std::function<void()> plant; // puts the fault in place, checking that the engine holds
        std::function<void()> after; // runs after our own save amid the fault
    };

    std::unique_ptr<TwoFolders> m_dirs;
    FakeClock m_clock;
    std::unique_ptr<GameEngine> m_engine;
    std::unique_ptr<Witness> m_witness;
    Board m_boardBefore;
    Records m_recordsBefore;
    int m_serial = 0;

    [[nodiscard]] QString cloudFile(const QString& name) const
    {
        return m_dirs->cloud + u'/' + name;
    }

    /// A valid game saved later than anything so far, already offered to the witness.
    SavedGame nextGame()
    {
        ++m_serial;
        const SavedGame game { distinctBoard(m_serial), m_serial, m_clock.now() + m_serial * 10.0 };
        m_witness->offer(game);
        return game;
    }

    /// Reads the folder now and checks that the board and records are still the engine's own.
    void hold(const char* step)
    {
        m_engine->rescanSyncFolder();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QVERIFY2(m_engine->board() == m_boardBefore, step);
        QVERIFY2(m_engine->records() == m_recordsBefore, step);
        QVERIFY2(m_witness->problems.isEmpty(), qPrintable(m_witness->problems.join(u'\n')));
    }

    /// Our own move, later than any game offered so far.
    void ownMove(std::int64_t x)
    {
        m_witness->act([this, x] {
            m_clock.advance(1000);
            m_engine->toggleMark(x, x);
        });
        m_boardBefore = m_engine->board();
    }

    std::vector<Fault> faults()
    {
        // Newer, valid values under names that are not the keys': the name is all that is wrong.
        static const QStringList strangers { QStringLiteral(".syncthing.savedGame.json.tmp"),
            QStringLiteral("savedGame.sync-conflict-20260101-120000-ABCDEF.json"),
            QStringLiteral("savedGame (conflicted copy 2026-01-01).json"),
            QStringLiteral(".savedGame.json.~1a2b"),
            QStringLiteral("savedGame.json.Qx7Rt2"), // an interrupted atomic write
            QStringLiteral("records.sync-conflict-20260101-120000-ABCDEF.json"),
            QStringLiteral("~savedGame.json"), QStringLiteral("savedGame.JSON") };
        return {
            { "damaged",
                [this] {
                    const QByteArray valid = gameBytes(nextGame());
                    const QByteArray good =
                        recordsBytes({ { Difficulty::beginner, { 90, 80, 2 } } });
                    for (const QByteArray& bytes :
                        {
                            QByteArray(), valid.left(1), valid.left(valid.size() / 2),
                            valid.left(valid.size() - 1), // missing the last brace
                            valid.left(valid.size() / 3) + QByteArray(64, '\0'), // zeros of a crash
                            QByteArray("\xff\xfe\x00{\"board\"", 10), // not UTF-8
                            QByteArray("{\"board\":1e999999,\"elapsed\":-0,\"savedAt\":NaN}"),
                            QByteArray("[\"beginner\",{\"played\":1e308,\"won\":1}]"), // wrong key
                            QByteArray(valid).replace(
                                "\"isMine\":false", "\"isMine\":0"), // deep type
                        }) {
                        // In place, the way a careless tool or an interrupted copy leaves them.
                        QVERIFY(writeStored(m_dirs->cloud, savedGameKey, bytes));
                        QVERIFY(writeStored(
                            m_dirs->cloud, recordsKey, good.left(bytes.size() % good.size())));
                        hold("a damaged value changed the game or the statistics");
                    }
                },
                {} },
            // Newer games no play reaches: counts the painter would draw as 19 digits and cache
            // without end, a clock run backwards that would buy a one-second best time.
            { "impossible",
                [this] {
                    SavedGame huge = nextGame();
                    huge.board.cells[40].adjacent = 1234567890123456789;
                    SavedGame backwards = nextGame();
                    backwards.elapsed = -1000000000000000000;
                    for (const SavedGame& value : { huge, backwards }) {
                        QVERIFY(writeByRename(m_dirs->cloud, savedGameKey, gameBytes(value)));
                        hold("an impossible game was adopted");
                    }
                },
                {} },
            // A valid game padded to several megabytes with a member readers ignore.
            { "huge",
                [this] {
                    QByteArray padded = gameBytes(nextGame());
                    padded.insert(1, "\"padding\":\"" + QByteArray(3 * 1024 * 1024, 'x') + "\",");
                    QVERIFY(writeByRename(m_dirs->cloud, savedGameKey, padded));
                    hold("a value of several megabytes was taken");
                },
                {} },
            // Nesting far beyond any real value: as the whole value, inside the board and records.
            { "deeply nested",
                [this] {
                    const QList<std::pair<QByteArray, QByteArray>> deep {
                        { nested(100000, "[", "]"), nested(100000, "{\"a\":", "}") },
                        { "{\"board\":" + nested(100000, "{\"a\":", "}") +
                                ",\"elapsed\":1,\"savedAt\":1e12}",
                            "[\"beginner\"," + nested(100000, "[", "]") + "]" }
                    };
                    QElapsedTimer timer;
                    qint64 longest = 0;
                    for (const auto& [game, records] : deep) {
                        QVERIFY(writeByRename(m_dirs->cloud, savedGameKey, game));
                        QVERIFY(writeByRename(m_dirs->cloud, recordsKey, records));
                        timer.start();
                        hold("a deeply nested value changed the game or the statistics");
                        longest = std::max(longest, timer.elapsed());
                    }
                    // Read on the main thread; the figure shows what one such change costs.
                    qInfo("a pair of values nested 100000 deep took up to %lld ms",
                        qlonglong(longest));
                },
                {} },
            { "misnamed",
                [this] {
                    for (const QString& name : strangers) {
                        QFile file(cloudFile(name));
                        QVERIFY(file.open(QIODevice::WriteOnly));
                        file.write(name.startsWith(QLatin1String("records"))
                                ? recordsBytes({ { Difficulty::beginner, { 5000, 5000, 1 } } })
                                : gameBytes({ distinctBoard(777), 7, startTime + 1e6 }));
                    }
                    hold("a temporary or conflict copy was read as a value");
                },
                [this] {
                    // Our save went to the real names and left the others alone.
                    for (const QString& name : strangers)
                        QVERIFY2(QFile::exists(cloudFile(name)), qPrintable(name));
                } },
            { "special files",
                [this] {
                    const QString game = cloudFile(QStringLiteral("savedGame.json")),
                                  records = cloudFile(QStringLiteral("records.json"));
                    // A fifo nobody writes would block a plain open for ever; a link to an endless
                    // device would never reach its end; a folder is no value either.
                    QFile::remove(game);
                    QFile::remove(records);
                    QCOMPARE(::mkfifo(QFile::encodeName(game).constData(), 0644), 0);
                    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), records));
                    hold("a fifo or a device was read as a value");
                    QFile::remove(game);
                    QVERIFY(QDir().mkdir(game));
                    hold("a folder was read as a value");
                },
                [this] {
                    // Our save could not replace the folder, and did not crash trying.
                    QVERIFY(QDir(cloudFile(QStringLiteral("savedGame.json"))).removeRecursively());
                    QFile::remove(cloudFile(QStringLiteral("records.json")));
                } },
            { "unreadable folder",
                [this] {
                    const QByteArray path = QFile::encodeName(m_dirs->cloud);
                    QCOMPARE(::chmod(path.constData(), 0), 0);
                    QVERIFY2(::access(path.constData(), R_OK | X_OK) != 0, "mode 000 still reads");
                    hold("an unreadable folder changed the game or the statistics");
                },
                [this] {
                    QCOMPARE(::chmod(QFile::encodeName(m_dirs->cloud).constData(), 0755), 0);
                } },
            { "renamed in turn",
                [this] {
                    // Each rename drops the watch on the old file; the next value must still be
                    // heard.
                    for (int round = 0; round < 5; ++round) {
                        const SavedGame game = nextGame();
                        QVERIFY(writeByRename(m_dirs->cloud, savedGameKey, gameBytes(game)));
                        QTRY_VERIFY_WITH_TIMEOUT(m_engine->board() == game.board, 5000);
                    }
                    // An older game renamed in afterwards is refused: the board keeps the newest.
                    m_boardBefore = m_engine->board();
                    QVERIFY(writeByRename(m_dirs->cloud, savedGameKey,
                        gameBytes({ distinctBoard(999), 1, startTime - 100 })));
                    hold("an older game replaced a newer one");
                    QCOMPARE(m_witness->adoptions, 5);
                },
                {} },
            // A peer's statistics with a poisoned beginner entry beside a good expert one: the good
            // entry is merged, the poisoned one never is, and never reaches our own file either.
            { "poisoned records entry",
                [this] {
                    QVERIFY(writeByRename(m_dirs->cloud, recordsKey,
                        R"(["beginner",{"played":9223372036854775807,"won":9223372036854775807,)"
                        R"("bestSeconds":-5},"expert",{"played":3,"won":1,"bestSeconds":250}])"));
                    m_recordsBefore[Difficulty::expert] = Record { 3, 1, 250 };
                    QTRY_VERIFY_WITH_TIMEOUT(m_engine->records() == m_recordsBefore, 5000);
                    hold("the poisoned entry was merged");
                },
                [this] {
                    m_witness->act([this] { playLosingGame(*m_engine, m_clock, 5); });
                    const auto stored =
                        decodeRecords(readStored(m_dirs->local, recordsKey)->toStdString());
                    QVERIFY(stored && *stored == m_engine->records());
                    QCOMPARE(stored->at(Difficulty::beginner).played, 2);
                    QCOMPARE(stored->at(Difficulty::expert), (Record { 3, 1, 250 }));
                } },
            // Saving while the folder is gone fails quietly, the local side still keeps the game,
            // and the folder is used again once the sync tool brings it back.
            { "vanishing folder",
                [this] {
                    QVERIFY(QDir(m_dirs->cloud).removeRecursively());
                    hold("a vanished folder changed the game");
                },
                [this] {
                    QVERIFY(readStored(m_dirs->local, savedGameKey));
                    QVERIFY(!QFileInfo::exists(m_dirs->cloud));
                    QVERIFY(QDir().mkpath(m_dirs->cloud));
                } },
        };
    }

private slots:
    void init()
    {
        m_dirs = std::make_unique<TwoFolders>();
        m_clock = FakeClock {};
        m_engine = makeEngine(m_dirs->both(), m_clock);
        // A quick watch, and a poll that finds what the watch cannot hear (a recreated folder).
        m_engine->setSyncIntervals(std::chrono::milliseconds(20), std::chrono::milliseconds(150));
        m_witness = std::make_unique<Witness>(*m_engine);
        // A game in progress with one finished game in the statistics.
        m_witness->act([this] {
            playLosingGame(*m_engine, m_clock, 5);
            m_engine->newGame(Difficulty::beginner);
            m_engine->toggleMark(2, 2);
        });
        QCOMPARE(m_engine->records().at(Difficulty::beginner).played, 1);
        m_boardBefore = m_engine->board();
        m_recordsBefore = m_engine->records();
    }

    void cleanup()
    {
        if (m_witness)
            QVERIFY2(m_witness->problems.isEmpty(), qPrintable(m_witness->problems.join(u'\n')));
        m_witness.reset();
        m_engine.reset();
        // Give back the permissions a case took away, or the folder cannot be removed.
        if (m_dirs)
            ::chmod(QFile::encodeName(m_dirs->cloud).constData(), 0755);
        m_dirs.reset();
    }

    void faultIsSurvived_data()
    {
        QTest::addColumn<int>("row");
        const auto rows = faults();
        for (std::size_t i = 0; i < rows.size(); ++i)
            QTest::newRow(rows[i].name) << static_cast<int>(i);
    }

    void faultIsSurvived()
    {
        QFETCH(int, row);
        const Fault fault = faults()[static_cast<std::size_t>(row)];
        if (qstrcmp(fault.name, "unreadable folder") == 0 && ::geteuid() == 0) {
            // Root reads any mode, so the case runs in a child as an ordinary user.
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(QStringLiteral("setpriv"),
                { QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                    QStringLiteral("--clear-groups"), QCoreApplication::applicationFilePath(),
                    QStringLiteral("faultIsSurvived:unreadable folder") });
            QVERIFY2(child.waitForFinished(60000), "setpriv did not run");
            QVERIFY(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0);
            return;
        }
        fault.plant();
        if (QTest::currentTestFailed())
            return;
        // Our own save amid the fault must not crash.
        ownMove(5);
        if (fault.after)
            fault.after();
        if (QTest::currentTestFailed())
            return;
        // A valid newer value written normally is taken in through the watch...
        const SavedGame game = nextGame();
        Records more = m_engine->records();
        more[Difficulty::expert] = Record { 3, 1, 250 };
        QVERIFY(writeByRename(m_dirs->cloud, recordsKey, recordsBytes(more)));
        QVERIFY(writeByRename(m_dirs->cloud, savedGameKey, gameBytes(game)));
        QTRY_VERIFY_WITH_TIMEOUT(m_engine->board() == game.board, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(m_engine->records() == more, 5000);
        // ...and our next save reaches the folder again.
        ownMove(6);
        const auto stored = readStored(m_dirs->cloud, savedGameKey);
        QVERIFY(stored && decodeSavedGame(stored->toStdString())->board == m_engine->board());
    }

    void burstOfChangesKeepsTheProgramResponsive()
    {
        // Prepared up front: the writer thread touches nothing of the engine or the witness.
        constexpr int changes = 600;
        QList<std::pair<QString, QByteArray>> script;
        Records records = m_engine->records();
        SavedGame last;
        for (int i = 0; i < changes; ++i) {
            if (i % 3 == 0)
                script.append({ savedGameKey, gameBytes(last = nextGame()) });
            else if (i % 6 == 1) {
                ++records[Difficulty::intermediate].played;
                script.append({ recordsKey, recordsBytes(records) });
            } else if (i % 6 == 2)
                script.append({ savedGameKey, "{\"board\":" });
            else if (i % 6 == 4)
                script.append({ QStringLiteral("savedGame.sync-conflict-%1").arg(i), "x" });
            else
                script.append({ recordsKey, "[\"expert\"" });
        }
        // The last word on both keys is valid.
        script.append({ recordsKey, recordsBytes(records) });
        script.append({ savedGameKey, gameBytes(last) });

        // Another program writing as fast as it likes for about a second, half in place, half by
        // rename; meanwhile the main thread must keep turning.
        std::atomic<bool> finished { false };
        std::thread writer([&script, &finished, cloud = m_dirs->cloud] {
            int i = 0;
            for (const auto& [key, bytes] : script) {
                (i++ % 2 == 0) ? writeStored(cloud, key, bytes) : writeByRename(cloud, key, bytes);
                std::this_thread::sleep_for(std::chrono::microseconds(1500));
            }
            finished = true;
        });
        QElapsedTimer sinceTurn;
        sinceTurn.start();
        qint64 longestGap = 0;
        const QDeadlineTimer deadline(30000);
        while (!(finished && m_engine->board() == last.board && m_engine->records() == records) &&
            !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            longestGap = std::max(longestGap, sinceTurn.restart());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        writer.join();
        qInfo("%d changes; longest pause of the main thread %lld ms; %d adoptions", changes,
            qlonglong(longestGap), m_witness->adoptions);
        // A liveness bound, not a speed target: a blocked main thread shows up as seconds.
        QVERIFY2(longestGap < 1000,
            qPrintable(QStringLiteral("main thread stalled %1 ms").arg(longestGap)));
        QVERIFY2(m_engine->board() == last.board, "the last valid game of the burst was not taken");
        QVERIFY2(m_engine->records() == records,
            "the last valid statistics of the burst were not taken");
    }
};

QTEST_GUILESS_MAIN(HostileSyncFolderTest)
#include "HostileSyncFolderTest.moc"
