// SPDX-License-Identifier: GPL-3.0-or-later
// A running engine whose sync folder is filled by others with anything at all: truncated and
// corrupt values, files of megabytes, JSON nested half a million deep, values swapped in by
// rename, sync-tool temporaries and conflict copies, a folder that vanishes or cannot be read,
// and hundreds of changes in one second. Whatever arrives, the program must not crash or stall,
// the statistics never go down, the game on the board is never replaced by an older one, and
// the next valid value is still picked up afterwards.
#include "TestBoards.h"

#include "engine/GameEngine.h"
#include "model/RecordsCoding.h"
#include "model/SavedGameCoding.h"
#include "model/SequenceRandom.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr Instant startTime = 800000000.0;

QByteArray bytesOf(const std::string& text)
{
    return QByteArray::fromStdString(text);
}

bool writeInPlace(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
        file.write(bytes) == bytes.size();
}

// The way most sync tools deliver: a hidden temporary beside the file, renamed over it.
bool writeByRename(const QString& path, const QByteArray& bytes)
{
    const QString temporary = QFileInfo(path).dir().filePath(
        QStringLiteral(".incoming-%1").arg(QFileInfo(path).fileName()));
    return writeInPlace(temporary, bytes) &&
        ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) ==
        0;
}

// A board that differs from every other one the test hands out.
Board distinctBoard(int serial)
{
    Board board = Board::fresh(serial % 2 == 0 ? Difficulty::beginner : Difficulty::intermediate);
    board.phase = Board::Phase::playing;
    for (int bit = 0; bit < 16; ++bit) {
        if (serial & (1 << bit)) {
            board.cells[static_cast<std::size_t>(bit)].mark = Mark::flag;
            ++board.flagCount;
        }
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
        connect(&engine, &GameEngine::recordsChanged, this, &Witness::onRecordsChanged);
        connect(&engine, &GameEngine::lastSavedAtChanged, this, &Witness::onLastSavedAtChanged);
    }

    /// A game written into the sync folder, which the engine may adopt if it is newer.
    void offer(const SavedGame& game) { m_offered[game.savedAt] = game.board; }
    /// The test's own move: its board change is no adoption.
    template <typename Action> void act(Action action)
    {
        m_ownAction = true;
        action();
        m_ownAction = false;
        m_board = m_engine.board();
        m_lastSavedAt = m_engine.lastSavedAt();
    }
    [[nodiscard]] const QStringList& problems() const { return m_problems; }
    [[nodiscard]] int adoptions() const { return m_adoptions; }

private:
    void onBoardChanged()
    {
        if (m_ownAction || m_engine.board() == m_board)
            return;
        // Anything but our own move is an adoption, and only of a newer game that was offered.
        const Instant stamp = m_engine.lastSavedAt();
        const auto offered = m_offered.find(stamp);
        if (!(stamp > m_lastSavedAt))
            m_problems.append(QStringLiteral("a game saved at %1 replaced one saved at %2")
                                  .arg(stamp - startTime)
                                  .arg(m_lastSavedAt - startTime));
        else if (offered == m_offered.end() || offered->second != m_engine.board())
            m_problems.append(QStringLiteral("the board changed to a game nobody offered"));
        ++m_adoptions;
        m_board = m_engine.board();
    }
    void onRecordsChanged()
    {
        if (!grewFrom(m_engine.records(), m_records))
            m_problems.append(QStringLiteral("the statistics went down"));
        m_records = m_engine.records();
    }
    void onLastSavedAtChanged()
    {
        if (m_engine.lastSavedAt() < m_lastSavedAt)
            m_problems.append(QStringLiteral("lastSavedAt went back"));
        m_lastSavedAt = m_engine.lastSavedAt();
    }

    GameEngine& m_engine;
    Records m_records;
    Instant m_lastSavedAt;
    Board m_board;
    std::map<Instant, Board> m_offered;
    QStringList m_problems;
    bool m_ownAction = false;
    int m_adoptions = 0;
};

} // namespace

class HostileSyncFolderTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void truncatedAndCorruptValuesAreIgnored();
    void valuesNoGameCouldProduceAreRefused();
    void oversizedAndDeeplyNestedValuesAreIgnored();
    void valuesReplacedByRenameArePickedUpOneAfterAnother();
    void syncToolTemporariesAndConflictCopiesAreNotValues();
    void specialFilesUnderAKeysNameAreIgnored();
    void folderDeletedAndRecreatedIsUsedAgain();
    void unreadableFolderIsSurvived();
    void burstOfChangesKeepsTheProgramResponsive();

private:
    [[nodiscard]] QString cloudFile(const QString& name) const
    {
        return QDir(m_cloud).filePath(name);
    }
    /// Plays the beginner game on the board to a loss, which counts in the statistics.
    void loseGame();
    /// A valid game saved later than anything so far, already offered to the witness.
    SavedGame nextGame();
    /// Reads the folder now and lets the store's queued report run.
    void settle();
    /// The board and records the engine must still hold, with no broken promise so far.
    void verifyUnmoved(const char* step);
    /// A valid newer value written normally is taken in through the watch.
    void verifyNextValueArrives();

    std::unique_ptr<QTemporaryDir> m_root;
    QString m_local;
    QString m_cloud;
    std::shared_ptr<Instant> m_now;
    std::unique_ptr<GameEngine> m_engine;
    std::unique_ptr<Witness> m_witness;
    Board m_boardBefore;
    Records m_recordsBefore;
    int m_serial = 0;
};

void HostileSyncFolderTest::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    m_local = m_root->filePath(QStringLiteral("local"));
    m_cloud = m_root->filePath(QStringLiteral("cloud"));
    m_now = std::make_shared<Instant>(startTime);
    m_engine = std::make_unique<GameEngine>(GameFolders { m_local, m_cloud },
        GameEngine::Dependencies { [now = m_now] { return *now; },
            std::make_unique<SequenceRandom>(std::vector<std::uint64_t> { 11, 57, 3, 90, 31 }) });
    QCOMPARE(m_engine->syncFolder(), m_cloud);
    // A quick watch, and a poll that finds what the watch cannot hear (a recreated folder).
    m_engine->setSyncIntervals(std::chrono::milliseconds(20), std::chrono::milliseconds(150));
    m_witness = std::make_unique<Witness>(*m_engine);
    // A game in progress with one finished game in the statistics.
    m_witness->act([this] {
        m_engine->newGame(Difficulty::beginner);
        loseGame();
        m_engine->newGame(Difficulty::beginner);
        m_engine->toggleMark(2, 2);
    });
    QCOMPARE(m_engine->records().at(Difficulty::beginner).played, 1);
    m_boardBefore = m_engine->board();
    m_recordsBefore = m_engine->records();
}

void HostileSyncFolderTest::cleanup()
{
    if (m_witness)
        QVERIFY2(m_witness->problems().isEmpty(), qPrintable(m_witness->problems().join(u'\n')));
    m_witness.reset();
    m_engine.reset();
    // Give back the permissions a case took away, or the folder cannot be removed.
    if (m_root)
        ::chmod(QFile::encodeName(m_cloud).constData(), 0755);
    m_root.reset();
}

void HostileSyncFolderTest::loseGame()
{
    m_engine->reveal(4, 4);
    *m_now += 5;
    for (std::int64_t i = 0; i < 81 && !m_engine->board().isOver(); ++i) {
        if (m_engine->board().cells[static_cast<std::size_t>(i)].isMine)
            m_engine->reveal(i % 9, i / 9);
    }
    QVERIFY(m_engine->board().phase == Board::Phase::lost);
}

SavedGame HostileSyncFolderTest::nextGame()
{
    ++m_serial;
    const SavedGame game { distinctBoard(m_serial), m_serial, *m_now + m_serial * 10.0 };
    m_witness->offer(game);
    return game;
}

void HostileSyncFolderTest::settle()
{
    m_engine->rescanSyncFolder();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

void HostileSyncFolderTest::verifyUnmoved(const char* step)
{
    QVERIFY2(m_engine->board() == m_boardBefore, step);
    QVERIFY2(m_engine->records() == m_recordsBefore, step);
    QVERIFY2(m_witness->problems().isEmpty(), qPrintable(m_witness->problems().join(u'\n')));
}

void HostileSyncFolderTest::verifyNextValueArrives()
{
    const SavedGame game = nextGame();
    Records more = m_engine->records();
    more[Difficulty::expert] = Record { 3, 1, 250 };
    QVERIFY(writeByRename(cloudFile(QStringLiteral("records.json")), bytesOf(encodeRecords(more))));
    QVERIFY(
        writeByRename(cloudFile(QStringLiteral("savedGame.json")), bytesOf(encodeSavedGame(game))));
    QTRY_VERIFY_WITH_TIMEOUT(m_engine->board() == game.board, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(m_engine->records() == more, 5000);
}

void HostileSyncFolderTest::truncatedAndCorruptValuesAreIgnored()
{
    const QByteArray valid = bytesOf(encodeSavedGame(nextGame()));
    const QByteArray records = bytesOf(encodeRecords({ { Difficulty::beginner, { 90, 80, 2 } } }));
    const QList<QByteArray> damaged {
        QByteArray(), // emptied
        valid.left(1), // one byte
        valid.left(valid.size() / 2), // cut in the middle of the cells
        valid.left(valid.size() - 1), // missing the last brace
        valid.left(valid.size() / 3) + QByteArray(64, '\0'), // a crash left zeros behind
        QByteArray("\xff\xfe\x00{\"board\"", 10), // not UTF-8
        QByteArray("{\"board\":1e999999,\"elapsed\":-0,\"savedAt\":NaN}"), // numbers out of range
        QByteArray("[\"beginner\",{\"played\":1e308,\"won\":1}]"), // records shape in the wrong key
        QByteArray(valid).replace("\"isMine\":false", "\"isMine\":0"), // a wrong type deep inside
    };
    for (const QByteArray& bytes : damaged) {
        // Written in place, the way a careless tool or an interrupted copy leaves them.
        QVERIFY(writeInPlace(cloudFile(QStringLiteral("savedGame.json")), bytes));
        QVERIFY(writeInPlace(cloudFile(QStringLiteral("records.json")),
            records.left(static_cast<qsizetype>(bytes.size() % records.size()))));
        settle();
        verifyUnmoved("a damaged value changed the game or the statistics");
    }
    verifyNextValueArrives();
}

void HostileSyncFolderTest::valuesNoGameCouldProduceAreRefused()
{
    // Newer games that no play reaches: numbers the painter would draw as 19 digits and cache
    // without end, a clock run backwards that would buy a one-second best time.
    SavedGame huge = nextGame();
    huge.board.cells[40].adjacent = 1234567890123456789;
    SavedGame backwards = nextGame();
    backwards.elapsed = -1000000000000000000;
    for (const SavedGame& game : { huge, backwards }) {
        QVERIFY(writeByRename(
            cloudFile(QStringLiteral("savedGame.json")), bytesOf(encodeSavedGame(game))));
        settle();
        verifyUnmoved("an impossible game was adopted");
    }

    // A peer's statistics with a poisoned beginner entry beside a good expert one: the good
    // entry is merged, the poisoned one never is, and never reaches our own file either.
    const QByteArray poisoned =
        R"(["beginner",{"played":9223372036854775807,"won":9223372036854775807,)"
        R"("bestSeconds":-5},"expert",{"played":3,"won":1,"bestSeconds":250}])";
    QVERIFY(writeByRename(cloudFile(QStringLiteral("records.json")), poisoned));
    Records expected = m_recordsBefore;
    expected[Difficulty::expert] = Record { 3, 1, 250 };
    QTRY_VERIFY_WITH_TIMEOUT(m_engine->records() == expected, 5000);
    m_witness->act([this] { loseGame(); });
    QFile local(QDir(m_local).filePath(QStringLiteral("records.json")));
    QVERIFY(local.open(QIODevice::ReadOnly));
    const auto stored = decodeRecords(local.readAll().toStdString());
    QVERIFY(stored && *stored == m_engine->records());
    QCOMPARE(stored->at(Difficulty::beginner).played, 2);
    QCOMPARE(stored->at(Difficulty::expert), (Record { 3, 1, 250 }));
}

void HostileSyncFolderTest::oversizedAndDeeplyNestedValuesAreIgnored()
{
    // A valid game padded to several megabytes with a member readers ignore.
    const SavedGame game = nextGame();
    auto padded = QByteArray::fromStdString(encodeSavedGame(game));
    padded.insert(1, "\"padding\":\"" + QByteArray(3 * 1024 * 1024, 'x') + "\",");
    QVERIFY(writeByRename(cloudFile(QStringLiteral("savedGame.json")), padded));
    settle();
    verifyUnmoved("a value of several megabytes was taken");

    // Nesting far beyond any real value: as the whole value, inside the board, inside records.
    const auto nested = [](int depth, const QByteArray& open, const QByteArray& close) {
        return open.repeated(depth) + close.repeated(depth);
    };
    const QByteArray deepGame =
        "{\"board\":" + nested(100000, "{\"a\":", "}") + ",\"elapsed\":1,\"savedAt\":1e12}";
    const QByteArray deepRecords = "[\"beginner\"," + nested(100000, "[", "]") + "]";
    const QList<std::pair<QByteArray, QByteArray>> deep {
        { nested(100000, "[", "]"), nested(100000, "{\"a\":", "}") },
        { deepGame, deepRecords },
    };
    QElapsedTimer timer;
    qint64 longest = 0;
    for (const auto& [game, records] : deep) {
        QVERIFY(writeByRename(cloudFile(QStringLiteral("savedGame.json")), game));
        QVERIFY(writeByRename(cloudFile(QStringLiteral("records.json")), records));
        timer.start();
        settle();
        longest = std::max(longest, timer.elapsed());
        verifyUnmoved("a deeply nested value changed the game or the statistics");
    }
    // Reading them happens on the main thread; the figure shows what one such change costs.
    qInfo("reading a pair of values nested 100000 deep took up to %lld ms",
        static_cast<long long>(longest));
    verifyNextValueArrives();
}

void HostileSyncFolderTest::valuesReplacedByRenameArePickedUpOneAfterAnother()
{
    // Each rename drops the watch on the old file; the next value must still be heard.
    for (int round = 0; round < 5; ++round) {
        const SavedGame game = nextGame();
        QVERIFY(writeByRename(
            cloudFile(QStringLiteral("savedGame.json")), bytesOf(encodeSavedGame(game))));
        QTRY_VERIFY_WITH_TIMEOUT(m_engine->board() == game.board, 5000);
    }
    // An older game renamed in afterwards is refused: the board keeps the newest.
    const Board newest = m_engine->board();
    const SavedGame older { distinctBoard(999), 1, startTime - 100 };
    QVERIFY(writeByRename(
        cloudFile(QStringLiteral("savedGame.json")), bytesOf(encodeSavedGame(older))));
    settle();
    QVERIFY(m_engine->board() == newest);
    QCOMPARE(m_witness->adoptions(), 5);
}

void HostileSyncFolderTest::syncToolTemporariesAndConflictCopiesAreNotValues()
{
    const QStringList names {
        QStringLiteral(".syncthing.savedGame.json.tmp"),
        QStringLiteral("savedGame.sync-conflict-20260101-120000-ABCDEF.json"),
        QStringLiteral("savedGame (conflicted copy 2026-01-01).json"),
        QStringLiteral(".savedGame.json.~1a2b"),
        QStringLiteral("savedGame.json.Qx7Rt2"), // an interrupted atomic write
        QStringLiteral("records.sync-conflict-20260101-120000-ABCDEF.json"),
        QStringLiteral("~savedGame.json"),
        QStringLiteral("savedGame.JSON"),
    };
    // Newer, valid values under every name: the only thing wrong with them is the name.
    const Records inflated { { Difficulty::beginner, { 5000, 5000, 1 } } };
    for (const QString& name : names) {
        const QByteArray bytes = name.startsWith(QLatin1String("records"))
            ? bytesOf(encodeRecords(inflated))
            : bytesOf(encodeSavedGame(SavedGame { distinctBoard(777), 7, startTime + 1e6 }));
        QVERIFY(writeInPlace(cloudFile(name), bytes));
    }
    settle();
    verifyUnmoved("a temporary or conflict copy was read as a value");
    // The engine's own next save goes to the real names and leaves the others alone.
    m_witness->act([this] { m_engine->toggleMark(3, 3); });
    for (const QString& name : names)
        QVERIFY2(QFile::exists(cloudFile(name)), qPrintable(name));
    m_boardBefore = m_engine->board();
    verifyNextValueArrives();
}

void HostileSyncFolderTest::specialFilesUnderAKeysNameAreIgnored()
{
    const QString game = cloudFile(QStringLiteral("savedGame.json"));
    const QString records = cloudFile(QStringLiteral("records.json"));
    QFile::remove(game);
    QFile::remove(records);
    // A fifo that nobody writes would block a plain open for ever.
    QCOMPARE(::mkfifo(QFile::encodeName(game).constData(), 0644), 0);
    // A link to an endless device would never reach end of file.
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), records));
    settle();
    verifyUnmoved("a fifo or a device was read as a value");
    // A folder under the key's name.
    QFile::remove(game);
    QVERIFY(QDir().mkdir(game));
    settle();
    verifyUnmoved("a folder was read as a value");
    // The engine's next save cannot replace the folder; it must not crash trying.
    m_witness->act([this] { m_engine->toggleMark(3, 3); });
    QVERIFY(QDir(game).removeRecursively());
    QFile::remove(records);
    m_boardBefore = m_engine->board();
    verifyNextValueArrives();
}

void HostileSyncFolderTest::folderDeletedAndRecreatedIsUsedAgain()
{
    QVERIFY(QDir(m_cloud).removeRecursively());
    settle();
    // Saving while the folder is gone fails quietly; the local side still keeps the game.
    m_witness->act([this] {
        *m_now += 1;
        m_engine->toggleMark(5, 5);
    });
    QVERIFY(QFile::exists(QDir(m_local).filePath(QStringLiteral("savedGame.json"))));
    QVERIFY(!QFileInfo::exists(m_cloud));
    // The sync tool brings the folder back with a newer game in it.
    QVERIFY(QDir().mkpath(m_cloud));
    verifyNextValueArrives();
    // And the engine's saves reach the recreated folder again.
    m_witness->act([this] {
        *m_now += 1000;
        m_engine->toggleMark(6, 6);
    });
    const auto stored = [this] {
        QFile file(cloudFile(QStringLiteral("savedGame.json")));
        return file.open(QIODevice::ReadOnly) ? decodeSavedGame(file.readAll().toStdString())
                                              : std::nullopt;
    }();
    QVERIFY(stored && stored->board == m_engine->board());
}

void HostileSyncFolderTest::unreadableFolderIsSurvived()
{
    const QByteArray path = QFile::encodeName(m_cloud);
    QCOMPARE(::chmod(path.constData(), 0), 0);
    if (::access(path.constData(), R_OK | X_OK) == 0) {
        ::chmod(path.constData(), 0755);
        QSKIP("running with privileges that ignore file modes (root?): chmod 000 still reads");
    }
    settle();
    m_witness->act([this] {
        *m_now += 1;
        m_engine->toggleMark(5, 5);
    });
    m_boardBefore = m_engine->board();
    verifyUnmoved("an unreadable folder changed the game or the statistics");
    QCOMPARE(::chmod(path.constData(), 0755), 0);
    verifyNextValueArrives();
}

void HostileSyncFolderTest::burstOfChangesKeepsTheProgramResponsive()
{
    // Prepared up front: the writer thread touches nothing of the engine or the witness.
    constexpr int changes = 600;
    QList<std::pair<QString, QByteArray>> script;
    Records records = m_engine->records();
    SavedGame last;
    for (int i = 0; i < changes; ++i) {
        switch (i % 6) {
        case 0:
        case 3:
            last = nextGame();
            script.append({ QStringLiteral("savedGame.json"), bytesOf(encodeSavedGame(last)) });
            break;
        case 1:
            ++records[Difficulty::intermediate].played;
            script.append({ QStringLiteral("records.json"), bytesOf(encodeRecords(records)) });
            break;
        case 2:
            script.append({ QStringLiteral("savedGame.json"), QByteArray("{\"board\":") });
            break;
        case 4:
            script.append(
                { QStringLiteral("savedGame.sync-conflict-%1.json").arg(i), QByteArray("x") });
            break;
        default:
            script.append({ QStringLiteral("records.json"), QByteArray("[\"expert\"") });
            break;
        }
    }
    // The last word on both keys is valid.
    script.append({ QStringLiteral("records.json"), bytesOf(encodeRecords(records)) });
    script.append({ QStringLiteral("savedGame.json"), bytesOf(encodeSavedGame(last)) });

    // Another program writing as fast as it likes for about a second, half in place, half by
    // rename; meanwhile the main thread must keep turning.
    std::atomic<bool> finished { false };
    std::thread writer([&script, &finished, this] {
        int i = 0;
        for (const auto& [name, bytes] : script) {
            const QString path = QDir(m_cloud).filePath(name);
            (i++ % 2 == 0) ? writeInPlace(path, bytes) : writeByRename(path, bytes);
            std::this_thread::sleep_for(std::chrono::microseconds(1500));
        }
        finished = true;
    });

    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setInterval(10);
    connect(&ticker, &QTimer::timeout, this,
        [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    QEventLoop loop;
    QTimer check;
    check.setInterval(5);
    connect(&check, &QTimer::timeout, &loop, [&] {
        if (finished && m_engine->board() == last.board && m_engine->records() == records)
            loop.quit();
    });
    QTimer giveUp;
    giveUp.setSingleShot(true);
    connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);
    sinceTick.start();
    ticker.start();
    check.start();
    giveUp.start(30000);
    loop.exec();
    writer.join();

    qInfo("%d changes; longest pause of the main thread %lld ms; %d adoptions", changes,
        static_cast<long long>(longestGap), m_witness->adoptions());
    // A liveness bound, not a speed target: a blocked main thread shows up as seconds.
    QVERIFY2(longestGap < 1000,
        qPrintable(QStringLiteral("the main thread stalled for %1 ms").arg(longestGap)));
    QVERIFY2(m_engine->board() == last.board, "the last valid game of the burst was not taken");
    QVERIFY2(
        m_engine->records() == records, "the last valid statistics of the burst were not taken");
}

QTEST_GUILESS_MAIN(HostileSyncFolderTest)
#include "HostileSyncFolderTest.moc"
