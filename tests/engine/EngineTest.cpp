// SPDX-License-Identifier: GPL-3.0-or-later
// The engine on real folders with a hand-driven clock: moves, time, saves, signals, statistics,
// loading at launch, and what other machines leave in the sync folder while it runs.
#include "TestBoards.h"
#include "TestEngine.h"

#include "engine/GameEngine.h"
#include "model/SequenceRandom.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();
using Counts = QList<int>;
using Kind = GameEngine::LosingMove::Kind;

/// How often each change signal fired: board, bankedSeconds, clockStartedAt, records, moveCount,
/// justSetRecord, lastSavedAt.
struct Spies {
    explicit Spies(GameEngine& engine)
    {
        int i = 0;
        for (const auto changed : { &GameEngine::boardChanged, &GameEngine::bankedSecondsChanged,
                 &GameEngine::clockStartedAtChanged, &GameEngine::recordsChanged,
                 &GameEngine::moveCountChanged, &GameEngine::justSetRecordChanged,
                 &GameEngine::lastSavedAtChanged })
            QObject::connect(&engine, changed, &context, [this, i = i++] { ++counts[i]; });
    }
    QObject context;
    Counts counts = Counts(7, 0);
};

Records beginner(Record record)
{
    return { { Difficulty::beginner, record } };
}

/// The nearly won board after one reveal: (8, 8) wins it, (0, 0) loses it.
Board endedBy(std::int64_t x, std::int64_t y)
{
    Board board = nearlyWonBoard();
    SequenceRandom noDraws({});
    return board.reveal(x, y, noDraws) ? board : Board {};
}

/// Every file in the folder with its bytes, to prove that nothing was written.
QMap<QString, QByteArray> contents(const QString& folder)
{
    QMap<QString, QByteArray> result;
    for (const QString& name : storedKeys(folder))
        result.insert(name, *readStored(folder, name.chopped(5)));
    return result;
}

} // namespace

class EngineTest : public QObject {
    Q_OBJECT

private slots:
    void refusedActionsWriteNothingAndTheClockRunsFromTheFirstMove()
    {
        TestMachine machine;
        GameEngine& engine = machine.launch();
        machine.clock.advance(50);
        Spies spies(engine);
        // Just outside each edge, and a chord on a covered square: only the board redraws.
        engine.reveal(-1, 0);
        engine.reveal(9, 0);
        engine.toggleMark(0, 9);
        engine.chord(4, 4);
        QCOMPARE(spies.counts, Counts({ 4, 0, 0, 0, 0, 0, 0 }));
        QCOMPARE(engine.elapsedSeconds(), 0);
        QVERIFY(storedKeys(machine.folders.local).isEmpty());
        QVERIFY(storedKeys(machine.folders.cloud).isEmpty());
        engine.toggleMark(2, 2);
        const Instant started = machine.clock.now();
        QCOMPARE(engine.clockStartedAt(), std::optional(started));
        const auto saved = readStored(machine.folders.local, savedGameKey);
        QVERIFY(saved);
        machine.clock.advance(2.7);
        QCOMPARE(engine.elapsedSeconds(), 2);
        // A reveal on the flag is refused: no move, no save.
        engine.reveal(2, 2);
        QCOMPARE(engine.moveCount(), 1);
        QCOMPARE(readStored(machine.folders.local, savedGameKey), saved);
        machine.clock.advance(2.8);
        engine.reveal(4, 4);
        QCOMPARE(engine.elapsedSeconds(), 5);
        QCOMPARE(spies.counts, Counts({ 7, 0, 1, 0, 2, 0, 2 }));
        // A wall clock set back before the start reads 0, never a time no reader accepts.
        machine.clock.set(started - 2.5);
        QCOMPARE(engine.elapsedSeconds(), 0);
    }

    void chordCountsOnlyWhenItUncoversSomething()
    {
        TestMachine machine;
        // Mines along the top row and at (0, 1); (2, 1) is covered as well as (8, 8).
        Board board = nearlyWonBoard();
        board.cells[std::size_t(board.index(2, 1))].isRevealed = false;
        --board.revealedCount;
        writeStoredGame(machine.folders.local, { board, 0, startTime });
        GameEngine& engine = machine.launch();
        const auto stored = readStored(machine.folders.local, savedGameKey);
        engine.chord(1, 1); // shows 4 with no flag around it
        QCOMPARE(engine.moveCount(), 0);
        QCOMPARE(readStored(machine.folders.local, savedGameKey), stored);
        // (0, 2) shows 1 and its mine is flagged, but it has nothing covered left to open.
        engine.toggleMark(0, 1);
        engine.chord(0, 2);
        QCOMPARE(engine.moveCount(), 1);
        // Flag, question, none; then four flags around (1, 1), one of them on the safe (2, 1):
        // the chord opens the unflagged mine at (0, 1).
        for (const Point p : { Point { 0, 1 }, Point { 0, 1 }, Point { 0, 0 }, Point { 1, 0 },
                 Point { 2, 0 }, Point { 2, 1 } })
            engine.toggleMark(p.x, p.y);
        machine.clock.advance(7.2);
        const Board before = engine.board();
        engine.chord(1, 1);
        QCOMPARE(engine.board().exploded, std::optional(Point { 0, 1 }));
        // The chord and the board it was made on are kept for the post-mortem.
        QVERIFY(engine.losingMove());
        QCOMPARE(engine.losingMove()->kind, Kind::chord);
        QCOMPARE(engine.losingMove()->square, (Point { 1, 1 }));
        QCOMPARE(engine.losingMove()->before, before);
        QCOMPARE(engine.moveCount(), 8);
        QVERIFY(!engine.clockStartedAt());
        QCOMPARE(engine.bankedSeconds(), 7);
        QCOMPARE(engine.records(), beginner({ 1, 0, std::nullopt }));
    }

    void actionsAfterTheEndDoNothingAndANewGameKeepsTheStatistics()
    {
        TestMachine machine;
        GameEngine& engine = machine.launch();
        playLosingGame(engine, machine.clock, 12.5);
        // The losing reveal replayed on the board kept from before it ends the same way.
        QVERIFY(engine.losingMove() && engine.losingMove()->kind == Kind::reveal);
        Board replay = engine.losingMove()->before;
        SequenceRandom noDraws({});
        QCOMPARE(replay.phase, Board::Phase::playing);
        QVERIFY(
            replay.reveal(engine.losingMove()->square.x, engine.losingMove()->square.y, noDraws));
        QCOMPARE(replay, engine.board());
        const auto local = contents(machine.folders.local);
        const auto cloud = contents(machine.folders.cloud);
        // Relaunched on what it saved, the lost game keeps its time and is not counted again.
        for (const bool relaunch : { false, true }) {
            const auto other =
                relaunch ? makeEngine(machine.folders.both(), machine.clock) : nullptr;
            GameEngine& now = relaunch ? *other : engine;
            machine.clock.advance(100);
            Spies spies(now);
            now.reveal(0, 0);
            now.chord(4, 4);
            now.toggleMark(8, 8);
            QCOMPARE(spies.counts, Counts(7, 0));
            QCOMPARE(now.board(), replay);
            QCOMPARE(now.elapsedSeconds(), 12);
            QCOMPARE(now.records(), beginner({ 1, 0, std::nullopt }));
            QCOMPARE(contents(machine.folders.local), local);
            QCOMPARE(contents(machine.folders.cloud), cloud);
        }
        // A new game keeps the statistics and the move count, and drops the rest.
        playWinningGame(engine, machine.clock, 30);
        QVERIFY(!engine.losingMove() && engine.justSetRecord());
        const Records records = engine.records();
        const std::int64_t moves = engine.moveCount();
        machine.clock.advance(9);
        engine.newGame(Difficulty::intermediate);
        QCOMPARE(engine.records(), records);
        QCOMPARE(engine.moveCount(), moves);
        QVERIFY(!engine.justSetRecord() && !engine.clockStartedAt());
        QCOMPARE(engine.elapsedSeconds(), 0);
        const SavedGame fresh { Board::fresh(Difficulty::intermediate), 0, machine.clock.now() };
        QCOMPARE(readStored(machine.folders.cloud, savedGameKey), gameBytes(fresh));
        // The same board, clock and stamp again: saved, but nothing changed, so nothing is sent.
        Spies spies(engine);
        engine.newGame(Difficulty::intermediate);
        QCOMPARE(spies.counts, Counts(7, 0));
        machine.clock.advance(1);
        engine.newGame(Difficulty::intermediate);
        QCOMPARE(spies.counts, Counts({ 0, 0, 0, 0, 0, 0, 1 }));
    }

    void signalsGoOutOnceTheWholeStepIsDone()
    {
        TestMachine machine;
        writeStoredGame(machine.folders.local, { nearlyWonBoard(), 0, startTime });
        GameEngine& engine = machine.launch();
        machine.clock.advance(20.4);
        // A view redrawing on the first signal must already see the final time, record and save.
        bool checked = false;
        connect(&engine, &GameEngine::boardChanged, this, [&] {
            checked = true;
            QCOMPARE(engine.board(), endedBy(8, 8));
            QVERIFY(!engine.clockStartedAt() && engine.justSetRecord());
            QCOMPARE(engine.records(), beginner({ 1, 1, 20 }));
            const auto stored = readStored(machine.folders.local, savedGameKey);
            QCOMPARE(stored, gameBytes({ engine.board(), 20, machine.clock.now() }));
        });
        Spies spies(engine);
        engine.reveal(8, 8);
        QVERIFY(checked);
        QCOMPARE(spies.counts, Counts({ 1, 1, 1, 1, 1, 1, 1 }));
    }

    void bestTimesFollowTheWholeSeconds()
    {
        TestMachine machine;
        GameEngine& engine = machine.launch();
        struct {
            double seconds;
            std::int64_t shown, best;
            bool record;
        } const wins[] {
            { 5000, 5000, 5000, true }, // the first win sets the best however slow
            { 41.9, 41, 41, true }, { 41.0, 41, 41, false }, // equal is not better
            { 40.99, 40, 40, true }, { 0.6, 0, 1, true }, // under a second is stored as 1
            { 0.2, 0, 1, true }, // 0 still beats a stored 1
            { 1.5, 1, 1, false }, // a full second ties it
        };
        for (const auto& win : wins) {
            // A round start keeps the double arithmetic exact.
            machine.clock.set(std::floor(machine.clock.now()) + 10'000);
            playWinningGame(engine, machine.clock, win.seconds);
            QCOMPARE(engine.elapsedSeconds(), win.shown);
            QCOMPARE(
                engine.records().at(Difficulty::beginner).bestSeconds, std::optional(win.best));
            QCOMPARE(engine.justSetRecord(), win.record);
        }
        machine.clock.advance(1000);
        QCOMPARE(engine.elapsedSeconds(), 1); // stands at the final time
        // A loss counts as played only, and only for its own size.
        playLosingGame(engine, machine.clock, 3);
        playLosingGame(engine, machine.clock, 3, Difficulty::intermediate);
        QVERIFY(!engine.justSetRecord());
        QCOMPARE(readStored(machine.folders.local, recordsKey),
            recordsBytes({ { Difficulty::beginner, Record { 8, 7, 1 } },
                { Difficulty::intermediate, Record { 1, 0, std::nullopt } } }));
    }

    void countersAndClockSaturateAtTheirLimits()
    {
        // A restored game in play whose clock started at startTime with `elapsed` banked.
        const auto restored = [](std::int64_t elapsed, Instant now) {
            auto machine = std::make_unique<TestMachine>();
            writeStoredGame(machine->folders.local, { nearlyWonBoard(), elapsed, startTime });
            writeStored(machine->folders.local, recordsKey,
                recordsBytes(beginner({ recordCountLimit, recordCountLimit, std::nullopt })));
            machine->launch();
            machine->clock.set(now);
            return machine;
        };
        const auto machine = restored(int64Max, startTime + 10);
        QCOMPARE(machine->engine->elapsedSeconds(), int64Max);
        machine->engine->reveal(8, 8);
        QCOMPARE(machine->engine->bankedSeconds(), int64Max);
        QCOMPARE(
            machine->engine->records(), beginner({ recordCountLimit, recordCountLimit, int64Max }));
        QVERIFY(machine->engine->justSetRecord());
        // Centuries either way convert at the edge of the range instead of overflowing.
        QCOMPARE(restored(0, 1e300)->engine->elapsedSeconds(), int64Max);
        QCOMPARE(restored(0, -1e300)->engine->elapsedSeconds(), 0);
        QCOMPARE(restored(0, std::numeric_limits<double>::infinity())->engine->elapsedSeconds(),
            int64Max);
        QCOMPARE(restored(int64Max - 5, startTime + 6)->engine->elapsedSeconds(), int64Max);
        // A broken clock adds nothing.
        QCOMPARE(
            restored(37, std::numeric_limits<double>::quiet_NaN())->engine->elapsedSeconds(), 37);
    }

    void loadingPrefersTheNewerGameAndTheLocalOneOnATie()
    {
        const Board local = flaggedBoard(1), cloud = flaggedBoard(2);
        const std::optional<Instant> none;
        struct {
            std::optional<Instant> localAt, cloudAt;
            bool localWins;
        } const cases[] { { 100, 100, true }, { 100, 101, false }, { 101, 100, true },
            { none, 5, false }, { -5e9, none, true }, { 1e308, none, true } };
        for (const auto& c : cases) {
            TestMachine machine;
            if (c.localAt)
                writeStoredGame(machine.folders.local, { local, 11, *c.localAt });
            if (c.cloudAt)
                writeStoredGame(machine.folders.cloud, { cloud, 22, *c.cloudAt });
            GameEngine& engine = machine.launch();
            QCOMPARE(engine.board(), c.localWins ? local : cloud);
            // A game in play shows its saved time and runs on from launch.
            machine.clock.advance(3.5);
            QCOMPARE(engine.elapsedSeconds(), c.localWins ? 14 : 25);
            // The restored stamp guards against older outside games, until this machine saves.
            QCOMPARE(engine.lastSavedAt(), c.localWins ? *c.localAt : *c.cloudAt);
            engine.toggleMark(8, 8);
            QCOMPARE(engine.lastSavedAt(), machine.clock.now());
        }
        // Without a sync folder, a game in one that is not in use is never looked at.
        TestMachine machine;
        writeStoredGame(machine.folders.cloud, { cloud, 22, 100 });
        QCOMPARE(machine.launch(std::nullopt).board(), Board::fresh(Difficulty::beginner));
    }

    void loadingMergesRecordsAndWritesNothing()
    {
        TestMachine machine;
        const TwoFolders& folders = machine.folders;
        writeStored(folders.local, recordsKey, recordsBytes(beginner({ 5, 2, 80 })));
        writeStored(folders.cloud, recordsKey,
            recordsBytes({ { Difficulty::beginner, Record { 4, 3, 95 } },
                { Difficulty::expert, Record { 1, 0, std::nullopt } } }));
        writeStoredGame(folders.cloud, { flaggedBoard(0), 3, 7 });
        const auto localBefore = contents(folders.local), cloudBefore = contents(folders.cloud);
        GameEngine& engine = machine.launch();
        const Records expected { { Difficulty::beginner, Record { 5, 3, 80 } },
            { Difficulty::expert, Record { 1, 0, std::nullopt } } };
        QCOMPARE(engine.records(), expected);
        QCOMPARE(contents(folders.local), localBefore);
        QCOMPARE(contents(folders.cloud), cloudBefore);
        // The merged statistics reach both sides with the next save.
        engine.newGame(Difficulty::beginner);
        QCOMPARE(readStored(folders.local, recordsKey), recordsBytes(expected));
    }

    void aSaveLeavesIdenticalCompactValuesOnBothSides()
    {
        TestMachine machine;
        machine.clock.set(startTime + 0.25);
        GameEngine& engine = machine.launch();
        engine.toggleMark(3, 4);
        machine.clock.advance(2.5);
        engine.toggleMark(3, 4);
        // The fraction of the stamp survives exactly; no spaces or line breaks.
        const auto game = gameBytes({ engine.board(), 2, startTime + 2.75 });
        QVERIFY(!game.contains(' ') && !game.contains('\n'));
        QCOMPARE(engine.lastSavedAt(), startTime + 2.75);
        for (const QString& folder : { machine.folders.local, machine.folders.cloud }) {
            QCOMPARE(readStored(folder, savedGameKey), game);
            QCOMPARE(readStored(folder, recordsKey), QByteArray("[]"));
        }
        // Local-only: the same save, one folder.
        TestMachine alone;
        alone.launch(std::nullopt).newGame(Difficulty::intermediate);
        QCOMPARE(
            storedKeys(alone.folders.local), QStringList({ "records.json", "savedGame.json" }));
        QVERIFY(storedKeys(alone.folders.cloud).isEmpty());
    }

    void hostileValuesCountAsNone()
    {
        const Records cloud { { Difficulty::expert, Record { 2, 1, 300 } } };
        for (const QString& key : { recordsKey, savedGameKey })
            for (const QByteArray& stored : { QByteArray("{\"board\":"), QByteArray(),
                     QByteArray("\xff\xfe\x00\x01", 4), QByteArray(200'000, '[') }) {
                TestMachine machine;
                writeStored(machine.folders.local, key, stored);
                writeStored(machine.folders.cloud, recordsKey, recordsBytes(cloud));
                GameEngine& engine = machine.launch();
                QCOMPARE(engine.records(), cloud); // the good side still counts
                QCOMPARE(engine.board(), Board::fresh(Difficulty::beginner));
                QCOMPARE(engine.lastSavedAt(), distantPast);
                // Play goes on, and the broken value is overwritten, not repaired or kept.
                engine.reveal(4, 4);
                QCOMPARE(readStored(machine.folders.local, recordsKey), recordsBytes(cloud));
                QCOMPARE(readStored(machine.folders.cloud, savedGameKey),
                    readStored(machine.folders.local, savedGameKey));
            }
    }

    void outsideValuesMergeAndOnlyStrictlyNewerGamesAreAdopted()
    {
        TestMachine machine;
        GameEngine& engine = machine.launch();
        Spies spies(engine);
        QVERIFY(machine.arrives(recordsKey,
            recordsBytes({ { Difficulty::beginner, Record { 5, 2, 80 } },
                { Difficulty::expert, Record { 1, 1, 900 } } })));
        // Smaller counts, a slower best and broken statistics bring nothing: no notification.
        QVERIFY(machine.arrives(recordsKey, recordsBytes(beginner({ 4, 1, 95 }))));
        QVERIFY(machine.arrives(recordsKey, "{\"beginner\":3}"));
        QCOMPARE(spies.counts[3], 1);
        // Each field merges on its own; none of it is written back.
        QVERIFY(machine.arrives(recordsKey, recordsBytes(beginner({ 6, 1, 70 }))));
        QCOMPARE(engine.records().at(Difficulty::beginner), (Record { 6, 2, 70 }));
        QCOMPARE(engine.records().size(), std::size_t { 2 });
        QCOMPARE(spies.counts, Counts({ 0, 0, 0, 2, 0, 0, 0 }));
        QVERIFY(storedKeys(machine.folders.local).isEmpty());

        engine.toggleMark(4, 4);
        const Instant savedAt = engine.lastSavedAt();
        const auto stored = contents(machine.folders.local);
        // Saved at the same instant, broken, or under a key the engine does not keep: ignored.
        QVERIFY(machine.arrives(savedGameKey, gameBytes({ flaggedBoard(1), 50, savedAt })));
        QVERIFY(machine.arrives(savedGameKey, "{\"board\":{}}"));
        writeStored(machine.folders.cloud, "other", gameBytes({ flaggedBoard(2), 1, 1e9 }));
        (void)catchUp(engine, 100);
        QCOMPARE(spies.counts[0], 1);
        // Later: replaces the game in play and restarts the clock from its time.
        machine.clock.advance(10);
        QVERIFY(machine.arrives(savedGameKey, gameBytes({ flaggedBoard(3), 37, savedAt + 1 })));
        QCOMPARE(engine.board(), flaggedBoard(3));
        QCOMPARE(engine.lastSavedAt(), savedAt + 1);
        machine.clock.advance(2);
        QCOMPARE(engine.elapsedSeconds(), 39);
        // Adoption counts no move and saves nothing.
        QCOMPARE(engine.moveCount(), 1);
        QCOMPARE(contents(machine.folders.local), stored);
    }

    void aRestoredGameGuardsAgainstOlderOnes()
    {
        TestMachine machine;
        writeStoredGame(machine.folders.local, { flaggedBoard(1), 3, 500 });
        GameEngine& engine = machine.launch();
        QVERIFY(machine.arrives(savedGameKey, gameBytes({ flaggedBoard(2), 9, 400 })));
        QCOMPARE(engine.board(), flaggedBoard(1));
        QVERIFY(machine.arrives(savedGameKey, gameBytes({ flaggedBoard(2), 9, 501 })));
        QCOMPARE(engine.board(), flaggedBoard(2));
        // With nothing stored, the first outside game is taken whatever its stamp; a finished
        // one is not counted again and takes no actions until a new game.
        TestMachine fresh;
        GameEngine& freshEngine = fresh.launch();
        QVERIFY(fresh.arrives(savedGameKey, gameBytes({ endedBy(8, 8), 12, -1e9 })));
        QCOMPARE(freshEngine.board(), endedBy(8, 8));
        QCOMPARE(freshEngine.elapsedSeconds(), 12);
        QVERIFY(freshEngine.records().empty() && !freshEngine.justSetRecord());
        freshEngine.reveal(0, 0);
        QCOMPARE(freshEngine.moveCount(), 0);
    }

    void attachingASyncFolderBringsItsValuesIn()
    {
        TestMachine machine;
        GameEngine& engine = machine.launch(std::nullopt);
        QSignalSpy reads(&engine, &GameEngine::syncFolderRead);
        engine.toggleMark(0, 0);
        const QString shared = machine.folders.cloud;
        writeStoredGame(shared, { flaggedBoard(5), 8, machine.clock.now() + 1 });
        writeStored(shared, recordsKey, recordsBytes({ { Difficulty::expert, { 2, 1, 400 } } }));
        QCOMPARE(engine.attachSyncFolder(shared), GameEngine::SyncFolderResult::attached);
        QTRY_COMPARE(reads.size(), 1);
        QCOMPARE(engine.board(), flaggedBoard(5));
        QCOMPARE(engine.records().at(Difficulty::expert), (Record { 2, 1, 400 }));
        // A report found just before the folder is left is dropped with it.
        writeStoredGame(shared, { flaggedBoard(6), 8, machine.clock.now() + 2 });
        engine.rescanSyncFolder();
        engine.detachSyncFolder();
        QTest::qWait(50);
        QCOMPARE(engine.board(), flaggedBoard(5));
        QCOMPARE(reads.size(), 1);
    }

    // Two machines, each with its own data folder, sharing home's sync folder.
    void playAndStatisticsMoveBetweenMachines()
    {
        TestMachine home, office;
        GameEngine& atHome = home.launch(home.folders.cloud, 1);
        GameEngine& atOffice = office.launch(home.folders.cloud, 2);
        // A game begun at home shows up at the office, clock and all, counting no move there.
        atHome.toggleMark(5, 5);
        home.clock.advance(6);
        office.clock.advance(6);
        atHome.reveal(4, 4);
        QVERIFY(catchUp(atOffice));
        QCOMPARE(atOffice.board(), atHome.board());
        QCOMPARE(atOffice.elapsedSeconds(), 6);
        QCOMPARE(atOffice.moveCount(), 0);
        // Played on at the office, it comes back home; home writes nothing on adopting.
        office.clock.advance(2.5);
        atOffice.toggleMark(0, 0);
        QVERIFY(catchUp(atHome));
        QCOMPARE(atHome.board(), atOffice.board());
        QVERIFY(!catchUp(atOffice, 100));
        // The office's clock falls an hour behind: its next move is stamped before the game home
        // holds, so home keeps its own.
        office.clock.advance(-3600);
        atOffice.toggleMark(2, 2);
        QVERIFY(catchUp(atHome));
        QCOMPARE(atHome.board().cellAt(2, 2).mark, Mark::none);
        office.clock.advance(3600);

        // Statistics: home wins, the office wins faster and loses once; both end with the same.
        playWinningGame(atHome, home.clock, 50);
        QVERIFY(catchUp(atOffice));
        playWinningGame(atOffice, office.clock, 30);
        playLosingGame(atOffice, office.clock, 4);
        QVERIFY(catchUp(atHome));
        QCOMPARE(atHome.records(), beginner({ 3, 2, 30 }));
        QCOMPARE(atOffice.records(), atHome.records());
        // Adopting the office's game leaves home's flag from its own first win as it was.
        QVERIFY(atHome.justSetRecord());
        // A record at home and a loss at the office before either catches up: the office writes
        // last, yet home keeps its record and hands it on with its next save.
        playWinningGame(atHome, home.clock, 20);
        playLosingGame(atOffice, office.clock, 1);
        QVERIFY(catchUp(atHome));
        QCOMPARE(atHome.records(), beginner({ 4, 3, 20 }));
        atHome.newGame(Difficulty::beginner);
        QVERIFY(catchUp(atOffice));
        QCOMPARE(atOffice.records(), atHome.records());
    }
};

QTEST_GUILESS_MAIN(EngineTest)
#include "EngineTest.moc"
