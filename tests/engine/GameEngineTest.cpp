// SPDX-License-Identifier: GPL-3.0-or-later
// The engine on real folders with a hand-driven clock, alone and beside another machine.
#include "engine/GameEngine.h"

#include "TestBoards.h"
#include "TestEngine.h"

#include <QTest>

#include <cmath>
#include <memory>

namespace {

using Counts = QList<int>;

/// Signals seen, in order: board, banked, clock start, records, moves, record flag, save stamp.
std::shared_ptr<Counts> spy(GameEngine& engine)
{
    auto counts = std::make_shared<Counts>(7, 0);
    int i = 0;
    for (const auto changed : { &GameEngine::boardChanged, &GameEngine::bankedSecondsChanged,
             &GameEngine::clockStartedAtChanged, &GameEngine::recordsChanged,
             &GameEngine::moveCountChanged, &GameEngine::justSetRecordChanged,
             &GameEngine::lastSavedAtChanged })
        QObject::connect(&engine, changed, &engine, [counts, i = i++] { ++(*counts)[i]; });
    return counts;
}

Records records(Record beginner, std::optional<Record> expert = std::nullopt)
{
    return expert ? Records { { Difficulty::beginner, beginner }, { Difficulty::expert, *expert } }
                  : Records { { Difficulty::beginner, beginner } };
}

/// Every stored file with its bytes, to prove that nothing was written.
QMap<QString, QByteArray> contents(const TwoFolders& folders)
{
    QMap<QString, QByteArray> result;
    for (const QString& folder : { folders.local, folders.cloud })
        for (const QString& name : storedKeys(folder))
            result.insert(folder + name, *readStored(folder, name.chopped(5)));
    return result;
}

} // namespace

class GameEngineTest : public QObject {
    Q_OBJECT

private slots:
    void movesTheClockAndTheEndOfAGame()
    {
        TestMachine m;
        GameEngine& engine = m.launch();
        m.clock.advance(50.25);
        const auto spies = spy(engine);
        // Just outside each edge, and a chord on a covered square: only the board redraws.
        engine.reveal(-1, 0), engine.reveal(9, 0), engine.toggleMark(0, 9), engine.chord(4, 4);
        QVERIFY(*spies == Counts({ 4, 0, 0, 0, 0, 0, 0 }) && contents(m.folders).isEmpty());
        // The first mark starts the clock and saves the same bytes on both sides.
        engine.toggleMark(2, 2);
        const auto saved = gameBytes({ engine.board(), 0, m.clock.now() });
        QCOMPARE(contents(m.folders).values(), QByteArrayList({ "[]", saved, "[]", saved }));
        m.clock.advance(2.7), engine.reveal(2, 2); // on the flag: no move, no save
        QVERIFY(engine.moveCount() == 1 && readStored(m.folders.local, savedGameKey) == saved);
        m.clock.advance(2.8), engine.reveal(4, 4); // 5.5 s from the first move: 5 whole seconds
        QVERIFY(engine.elapsedSeconds() == 5 && *spies == Counts({ 7, 0, 1, 0, 2, 0, 2 }));

        // After the end nothing happens; relaunched, a lost game keeps its time, uncounted again.
        playLosingGame(engine, m.clock, 12.5);
        const auto [lost, stored] = std::pair(engine.board(), contents(m.folders));
        for (const bool relaunch : { false, true }) {
            const auto other = relaunch ? makeEngine(m.folders.both(), m.clock) : nullptr;
            GameEngine& now = relaunch ? *other : engine;
            const auto after = spy(now);
            m.clock.advance(100), now.reveal(0, 0), now.chord(4, 4), now.toggleMark(8, 8);
            QVERIFY(*after == Counts(7, 0) && now.board() == lost);
            QVERIFY(now.elapsedSeconds() == 12 && now.records() == records({ 1, 0, std::nullopt }));
            QCOMPARE(contents(m.folders), stored);
        }
        // A new game keeps the statistics and the move count, and drops the rest.
        playWinningGame(engine, m.clock, 30);
        QVERIFY(!engine.losingMove() && engine.justSetRecord());
        startGame(engine, Difficulty::intermediate), m.clock.advance(9);
        const auto [kept, moves] = std::pair(engine.records(), engine.moveCount());
        engine.newGame(Difficulty::intermediate);
        QVERIFY(engine.records() == kept && engine.moveCount() == moves && !engine.justSetRecord());
        const SavedGame fresh { Board::fresh(Difficulty::intermediate), 0, m.clock.now() };
        QCOMPARE(readStored(m.folders.cloud, savedGameKey), gameBytes(fresh));
        const auto again = spy(engine); // the same again is saved, but nothing is sent
        engine.newGame(Difficulty::intermediate);
        QCOMPARE(*again, Counts(7, 0));
        m.clock.advance(1), engine.newGame(Difficulty::intermediate);
        QCOMPARE(*again, Counts({ 0, 0, 0, 0, 0, 0, 1 }));

        Board board = nearlyWonBoard(); // mines along the top row and at (0, 1)
        board.cells[std::size_t(board.index(2, 1))].isRevealed = false; // covered, like (8, 8)
        --board.revealedCount;
        writeStoredGame(m.folders.local, { board, 0, 1e9 });
        GameEngine& chording = m.launch();
        chording.chord(1, 1); // a chord counts only when it uncovers something: 4, no flag around
        QCOMPARE(chording.moveCount(), 0);
        chording.toggleMark(0, 1), chording.chord(0, 2); // its mine flagged, nothing left to open
        QCOMPARE(chording.moveCount(), 1);
        // Flag, question, none; four flags around (1, 1), one on the safe (2, 1): the chord opens
        // the unflagged mine at (0, 1), and is kept for the post-mortem.
        for (auto [x, y] : { std::pair { 0, 1 }, { 0, 1 }, { 0, 0 }, { 1, 0 }, { 2, 0 }, { 2, 1 } })
            chording.toggleMark(x, y);
        const Board before = chording.board();
        chording.chord(1, 1);
        QVERIFY(chording.board().exploded == (Point { 0, 1 }) && chording.losingMove());
        const auto& [kind, square, beforeKept] = *chording.losingMove();
        QVERIFY(kind == GameEngine::LosingMove::Kind::chord && square == (Point { 1, 1 }) &&
            beforeKept == before);
        QVERIFY(chording.moveCount() == 8 && chording.records() == records({ 3, 1, 30 }));
    }

    void bestTimesFollowTheWholeSecondsAndSaturate()
    {
        TestMachine m;
        GameEngine& engine = m.launch();
        using Win = std::tuple<double, std::int64_t, std::int64_t, bool>;
        for (const auto& [seconds, shown, best, record] : std::initializer_list<Win> {
                 { 5000, 5000, 5000, true }, // the first win sets the best however slow
                 { 41.9, 41, 41, true }, { 41.0, 41, 41, false }, // equal is not better
                 { 40.99, 40, 40, true }, { 0.6, 0, 1, true }, // under a second is stored as 1
                 { 0.2, 0, 1, true }, { 1.5, 1, 1, false } }) { // 0 beats 1; a full second ties
            m.clock.set(std::floor(m.clock.now()) + 10'000); // keeps the arithmetic exact
            playWinningGame(engine, m.clock, seconds);
            QVERIFY(engine.elapsedSeconds() == shown && engine.justSetRecord() == record);
            QCOMPARE(engine.records().at(Difficulty::beginner).bestSeconds, std::optional(best));
        }
        playLosingGame(engine, m.clock, 3, Difficulty::intermediate); // counts for its size only
        QVERIFY(!engine.justSetRecord() && engine.records().at(Difficulty::beginner).played == 7);
        QCOMPARE(engine.records().at(Difficulty::intermediate), (Record { 1, 0, {} }));

        // Restored with `banked` seconds and counters at their limit, won at `now`: centuries
        // saturate, a broken clock adds nothing, and the first signal already shows it all saved.
        constexpr std::int64_t limit = recordCountLimit;
        using Reading = std::tuple<std::int64_t, Instant, std::int64_t>;
        for (const auto& [banked, now, shown] :
            std::initializer_list<Reading> { { 0, startTime + 20.4, 20 }, { 0, 1e300, INT64_MAX },
                { 0, HUGE_VAL, INT64_MAX }, { 0, -1e300, 0 }, { 37, std::nan(""), 37 },
                { INT64_MAX - 5, startTime + 6, INT64_MAX } }) {
            TestMachine r;
            writeStoredGame(r.folders.local, { nearlyWonBoard(), banked, startTime });
            writeStored(r.folders.local, recordsKey, recordsBytes(records({ limit, limit, {} })));
            GameEngine& game = r.launch();
            r.clock.set(now);
            const Records after = records({ limit, limit, std::max<std::int64_t>(shown, 1) });
            bool complete = false;
            connect(&game, &GameEngine::boardChanged, this, [&] {
                complete = !game.clockStartedAt() && game.records() == after &&
                    readStored(r.folders.local, savedGameKey) ==
                        gameBytes({ game.board(), shown, now });
            });
            const auto spies = spy(game);
            game.reveal(8, 8);
            QVERIFY(complete && game.bankedSeconds() == shown && game.justSetRecord());
            QCOMPARE(*spies, Counts({ 1, banked != shown, 1, 1, 1, 1, 1 }));
        }
    }

    void loadingPrefersTheNewerGameMergesRecordsAndWritesNothing()
    {
        const Records merged = records({ 5, 3, 80 }, Record());
        using Case = std::tuple<std::optional<Instant>, std::optional<Instant>, bool>;
        for (const auto& [localAt, cloudAt, localWins] :
            std::initializer_list<Case> { { 100, 100, true }, { 100, 101, false },
                { 101, 100, true }, { {}, 5, false }, { -5e9, {}, true }, { 1e308, {}, true } }) {
            TestMachine m;
            if (localAt)
                writeStoredGame(m.folders.local, { flaggedBoard(1), 11, *localAt });
            if (cloudAt)
                writeStoredGame(m.folders.cloud, { flaggedBoard(2), 22, *cloudAt });
            writeStored(m.folders.local, recordsKey, recordsBytes(records({ 5, 2, 80 })));
            writeStored(m.folders.cloud, recordsKey, recordsBytes(records({ 4, 3, 95 }, Record())));
            const auto stored = contents(m.folders);
            GameEngine& engine = m.launch();
            QCOMPARE(engine.board(), flaggedBoard(localWins ? 1 : 2));
            QVERIFY(engine.records() == merged && contents(m.folders) == stored);
            // The restored stamp guards against older outside games until this machine saves.
            QCOMPARE(std::optional(engine.lastSavedAt()), localWins ? localAt : cloudAt);
            engine.toggleMark(8, 8);
            QVERIFY(engine.lastSavedAt() == m.clock.now());
            QCOMPARE(readStored(m.folders.cloud, recordsKey), recordsBytes(merged));
        }
    }

    void hostileValuesCountAsNone()
    {
        const Records cloud = records({ 2, 1, 300 });
        for (const QString& key : { recordsKey, savedGameKey })
            for (const QByteArray& stored : { QByteArray("{\"board\":"), QByteArray(),
                     QByteArray("\xff\xfe\x00\x01", 4), QByteArray(200'000, '[') }) {
                TestMachine m;
                writeStored(m.folders.local, key, stored);
                writeStored(m.folders.cloud, recordsKey, recordsBytes(cloud));
                GameEngine& engine = m.launch();
                // The good side still counts; play goes on, and the broken value is overwritten.
                QVERIFY(engine.records() == cloud && engine.lastSavedAt() == distantPast);
                QCOMPARE(engine.board(), Board::fresh(Difficulty::beginner));
                engine.reveal(4, 4);
                const auto saved = contents(m.folders).values(); // the same on both sides
                QVERIFY(saved.value(0) == recordsBytes(cloud) && saved.mid(0, 2) == saved.mid(2));
            }
    }

    void outsideValuesAreMergedAndOnlyStrictlyNewerGamesAdopted()
    {
        TestMachine m;
        const QString cloud = m.folders.cloud;
        // A game in a sync folder not in use is never looked at; the save goes to one folder.
        writeStoredGame(cloud, { flaggedBoard(5), 8, startTime + 1 });
        GameEngine& engine = m.launch(std::nullopt);
        QCOMPARE(engine.board(), Board::fresh(Difficulty::beginner));
        engine.toggleMark(4, 4);
        const auto stored = readStored(m.folders.local, savedGameKey);
        QCOMPARE(storedKeys(m.folders.local), QStringList({ "records.json", "savedGame.json" }));
        // Attached, the folder's newer game and statistics come in; nothing is written back.
        writeStored(cloud, recordsKey, recordsBytes(records({ 5, 2, 80 }, Record { 1, 1, 900 })));
        const auto spies = spy(engine);
        QCOMPARE(engine.attachSyncFolder(cloud), GameEngine::SyncFolderResult::attached);
        QTRY_COMPARE(engine.board(), flaggedBoard(5));
        QCOMPARE(engine.records(), records({ 5, 2, 80 }, Record { 1, 1, 900 }));
        // Smaller counts and a slower best bring nothing: no notification. Fields merge apart.
        QVERIFY(m.arrives(recordsKey, recordsBytes(records({ 4, 1, 95 }))) && (*spies)[3] == 1);
        QVERIFY(m.arrives(recordsKey, recordsBytes(records({ 6, 1, 70 }))));
        QCOMPARE(engine.records(), records({ 6, 2, 70 }, Record { 1, 1, 900 }));
        // A game saved at the same instant is ignored; a later one replaces it, clock and all.
        QVERIFY(m.arrives(savedGameKey, gameBytes({ flaggedBoard(1), 50, startTime + 1 })));
        QCOMPARE(engine.board(), flaggedBoard(5));
        m.clock.advance(10);
        QVERIFY(m.arrives(savedGameKey, gameBytes({ flaggedBoard(3), 37, startTime + 2 })));
        QVERIFY(engine.board() == flaggedBoard(3) && engine.lastSavedAt() == startTime + 2);
        m.clock.advance(2);
        QVERIFY(engine.elapsedSeconds() == 39 && engine.moveCount() == 1);
        QCOMPARE(readStored(m.folders.local, savedGameKey), stored); // any save rewrites it
        // A report found just before the folder is left is dropped with it.
        writeStoredGame(cloud, { flaggedBoard(6), 8, startTime + 3 });
        int reads = 0;
        connect(&engine, &GameEngine::syncFolderRead, this, [&reads] { ++reads; });
        engine.rescanSyncFolder(), engine.detachSyncFolder(), QTest::qWait(50);
        QVERIFY(engine.board() == flaggedBoard(3) && reads == 0);
    }

    void playAndStatisticsMoveBetweenMachines()
    {
        TestMachine home, office;
        GameEngine& atHome = home.launch(home.folders.cloud, 1);
        GameEngine& atOffice = office.launch(home.folders.cloud, 2);
        // Two data folders share home's sync folder: a game begun at home shows at the office.
        atHome.toggleMark(5, 5), home.clock.advance(6), atHome.reveal(4, 4);
        QVERIFY(catchUp(atOffice));
        QVERIFY(atOffice.board() == atHome.board() && atOffice.elapsedSeconds() == 6);
        // The won game and record reach the office, uncounted there; the office's losses come back.
        playWinningGame(atHome, home.clock, 20);
        QVERIFY(catchUp(atOffice) && atOffice.board() == atHome.board());
        playLosingGame(atOffice, office.clock, 4), playLosingGame(atOffice, office.clock, 1);
        QVERIFY(catchUp(atHome));
        QVERIFY(atHome.records() == records({ 3, 1, 20 }) && atHome.justSetRecord());
        atHome.newGame(Difficulty::beginner);
        QVERIFY(catchUp(atOffice) && atOffice.records() == atHome.records());
    }
};

QTEST_GUILESS_MAIN(GameEngineTest)
#include "GameEngineTest.moc"
