// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's player actions and clock: what counts as a move, what is saved, which change
// signals go out and with what state behind them, and the statistics a finished game leaves.
#include "engine/GameEngine.h"

#include "TestBoards.h"
#include "TestEngine.h"

#include "model/SequenceRandom.h"

#include <QSignalSpy>
#include <QTest>

#include <array>
#include <cmath>
#include <limits>

namespace {

constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();

/// How often each change signal fired, in this order: board, bankedSeconds, clockStartedAt,
/// records, moveCount, justSetRecord, lastSavedAt.
struct Spies {
    explicit Spies(GameEngine& engine)
    {
        const std::array changed { &GameEngine::boardChanged, &GameEngine::bankedSecondsChanged,
            &GameEngine::clockStartedAtChanged, &GameEngine::recordsChanged,
            &GameEngine::moveCountChanged, &GameEngine::justSetRecordChanged,
            &GameEngine::lastSavedAtChanged };
        for (qsizetype i = 0; i < qsizetype(changed.size()); ++i)
            QObject::connect(
                &engine, changed[std::size_t(i)], &context, [this, i] { ++counts[i]; });
    }
    QObject context;
    QList<int> counts = QList<int>(7, 0);
};

std::optional<std::int64_t> best(const GameEngine& engine)
{
    return engine.records().at(Difficulty::beginner).bestSeconds;
}

} // namespace

class GameEngineTest : public QObject {
    Q_OBJECT

private slots:
    void refusedActionsWriteNothingAndTheClockRunsFromTheFirstMove()
    {
        TestMachine machine;
        GameEngine& engine = machine.launch();
        QCOMPARE(engine.board(), Board::fresh(Difficulty::beginner));
        QCOMPARE(engine.lastSavedAt(), distantPast);
        machine.clock.advance(50);
        Spies spies(engine);
        // Just outside each edge, and a chord on a covered square: only the board redraws.
        engine.reveal(-1, 0);
        engine.reveal(9, 0);
        engine.toggleMark(0, 9);
        engine.chord(4, 4);
        QCOMPARE(spies.counts, QList<int>({ 4, 0, 0, 0, 0, 0, 0 }));
        QCOMPARE(engine.moveCount(), 0);
        QVERIFY(!engine.clockStartedAt());
        QCOMPARE(engine.elapsedSeconds(), 0);
        QVERIFY(storedKeys(machine.folders.local).isEmpty());
        QVERIFY(storedKeys(machine.folders.cloud).isEmpty());

        // The first mark starts the game and the clock, and saves both sides.
        engine.toggleMark(2, 2);
        const Instant started = machine.clock.now();
        QCOMPARE(engine.board().phase, Board::Phase::playing);
        QCOMPARE(engine.clockStartedAt(), std::optional(started));
        QVERIFY(readStored(machine.folders.cloud, recordsKey));
        const auto savedAfterFlag = readStored(machine.folders.local, savedGameKey);
        QVERIFY(savedAfterFlag);
        // Whole seconds, truncated toward zero.
        machine.clock.advance(2.7);
        QCOMPARE(engine.elapsedSeconds(), 2);
        machine.clock.advance(0.3);
        QCOMPARE(engine.elapsedSeconds(), 3);
        // A reveal on the flag is refused: no move, no save.
        engine.reveal(2, 2);
        QCOMPARE(spies.counts[0], 6);
        QCOMPARE(engine.moveCount(), 1);
        QCOMPARE(readStored(machine.folders.local, savedGameKey), savedAfterFlag);
        // A later move keeps the start.
        machine.clock.advance(2.5);
        engine.reveal(4, 4);
        QCOMPARE(engine.clockStartedAt(), std::optional(started));
        QCOMPARE(engine.elapsedSeconds(), 5);
        QCOMPARE(engine.moveCount(), 2);
        QCOMPARE(spies.counts[2], 1);
        QCOMPARE(spies.counts[4], 2);
        // A wall clock set back before the start reads 0, never a time no reader accepts.
        machine.clock.set(started - 2.5);
        QCOMPARE(engine.elapsedSeconds(), 0);
    }

    void chordCountsOnlyWhenItUncoversSomething()
    {
        TestMachine machine;
        // Mines along the top row and at (0, 1); (2, 1) is covered as well as (8, 8).
        Board board = nearlyWonBoard();
        board.cells[static_cast<std::size_t>(board.index(2, 1))].isRevealed = false;
        --board.revealedCount;
        writeStoredGame(machine.folders.local, SavedGame { board, 0, startTime });
        GameEngine& engine = machine.launch();
        const auto stored = readStored(machine.folders.local, savedGameKey);
        Spies spies(engine);
        // (1, 1) shows 4 with no flag around it.
        engine.chord(1, 1);
        QCOMPARE(engine.moveCount(), 0);
        QCOMPARE(spies.counts[0], 1);
        QCOMPARE(readStored(machine.folders.local, savedGameKey), stored);
        // (0, 2) shows 1 and its mine is flagged, but it has nothing covered left to open.
        engine.toggleMark(0, 1);
        engine.chord(0, 2);
        QCOMPARE(engine.moveCount(), 1);
        QCOMPARE(spies.counts[0], 3);

        // Flag → question → none, then four flags around (1, 1), one of them on the safe (2, 1):
        // the chord opens the unflagged mine at (0, 1).
        engine.toggleMark(0, 1);
        engine.toggleMark(0, 1);
        for (const Point p : { Point { 0, 0 }, Point { 1, 0 }, Point { 2, 0 }, Point { 2, 1 } })
            engine.toggleMark(p.x, p.y);
        machine.clock.advance(7.2);
        const Board beforeChord = engine.board();
        QVERIFY(!engine.losingMove());
        engine.chord(1, 1);
        QCOMPARE(engine.board().exploded, std::optional(Point { 0, 1 }));
        // The chord and the board it was made on are kept for the post-mortem.
        QVERIFY(engine.losingMove());
        QCOMPARE(engine.losingMove()->kind, GameEngine::LosingMove::Kind::chord);
        QCOMPARE(engine.losingMove()->square, (Point { 1, 1 }));
        QCOMPARE(engine.losingMove()->before, beforeChord);
        QCOMPARE(engine.moveCount(), 8);
        QVERIFY(!engine.clockStartedAt());
        QCOMPARE(engine.bankedSeconds(), 7);
        QCOMPARE(engine.records().at(Difficulty::beginner), (Record { 1, 0, std::nullopt }));
    }

    void actionsAfterTheEndDoNothing()
    {
        TestMachine machine;
        GameEngine& engine = machine.launch();
        playLosingGame(engine, machine.clock, 12.5);
        // The losing reveal replayed on the board kept from before it ends the same way.
        QVERIFY(engine.losingMove());
        const GameEngine::LosingMove lost = *engine.losingMove();
        QCOMPARE(lost.kind, GameEngine::LosingMove::Kind::reveal);
        QCOMPARE(std::optional(lost.square), engine.board().exploded);
        Board replay = lost.before;
        SequenceRandom unused({});
        QCOMPARE(replay.phase, Board::Phase::playing);
        QVERIFY(replay.reveal(lost.square.x, lost.square.y, unused));
        QCOMPARE(replay, engine.board());
        const auto stored = readStored(machine.folders.local, savedGameKey);
        const std::int64_t moves = engine.moveCount();

        machine.clock.advance(100);
        Spies spies(engine);
        engine.reveal(0, 0);
        engine.chord(4, 4);
        engine.toggleMark(8, 8);
        QCOMPARE(spies.counts, QList<int>(7, 0));
        QCOMPARE(engine.moveCount(), moves);
        QCOMPARE(engine.board(), replay);
        QCOMPARE(engine.elapsedSeconds(), 12);
        QCOMPARE(readStored(machine.folders.local, savedGameKey), stored);
        QCOMPARE(engine.records().at(Difficulty::beginner).played, 1);
        // The next game drops the losing move.
        engine.newGame(Difficulty::beginner);
        QVERIFY(!engine.losingMove());
    }

    void newGameResetsTheGameButNotTheStatistics()
    {
        TestMachine machine;
        GameEngine& engine = machine.launch();
        playWinningGame(engine, machine.clock, 30);
        QVERIFY(engine.justSetRecord());
        startGame(engine, Difficulty::intermediate);
        machine.clock.advance(9);
        const Records records = engine.records();
        const std::int64_t moves = engine.moveCount();
        machine.clock.advance(1);
        engine.newGame(Difficulty::intermediate);
        QCOMPARE(engine.board(), Board::fresh(Difficulty::intermediate));
        QCOMPARE(engine.records(), records);
        QCOMPARE(engine.moveCount(), moves);
        QVERIFY(!engine.justSetRecord());
        QVERIFY(!engine.clockStartedAt());
        QCOMPARE(engine.elapsedSeconds(), 0);
        QCOMPARE(engine.lastSavedAt(), machine.clock.now());
        // The abandoned game is gone from both sides; the stored one is the fresh board.
        QCOMPARE(readStored(machine.folders.cloud, savedGameKey),
            gameBytes({ Board::fresh(Difficulty::intermediate), 0, machine.clock.now() }));

        // The same board, clock and stamp again: saved, but nothing changed, so nothing is sent.
        Spies spies(engine);
        engine.newGame(Difficulty::intermediate);
        QCOMPARE(spies.counts, QList<int>(7, 0));
        // Only the stamp moved.
        machine.clock.advance(1);
        engine.newGame(Difficulty::intermediate);
        QCOMPARE(spies.counts, QList<int>({ 0, 0, 0, 0, 0, 0, 1 }));
    }

    void signalsGoOutOnceTheWholeStepIsDone()
    {
        TestMachine machine;
        writeStoredGame(machine.folders.local, SavedGame { nearlyWonBoard(), 0, startTime });
        GameEngine& engine = machine.launch();
        machine.clock.advance(20.4);
        // A view redrawing on the first signal must already see the end of the game in full:
        // the final time, the record and the save.
        bool checked = false;
        connect(&engine, &GameEngine::boardChanged, this, [&] {
            checked = true;
            QCOMPARE(engine.board().phase, Board::Phase::won);
            QVERIFY(!engine.clockStartedAt());
            QCOMPARE(engine.elapsedSeconds(), 20);
            QCOMPARE(best(engine), std::optional<std::int64_t>(20));
            QVERIFY(engine.justSetRecord());
            const auto stored = readStored(machine.folders.local, savedGameKey);
            QVERIFY(stored && decodeSavedGame(stored->toStdString())->board == engine.board());
        });
        Spies spies(engine);
        engine.reveal(8, 8);
        QVERIFY(checked);
        QCOMPARE(spies.counts, QList<int>({ 1, 1, 1, 1, 1, 1, 1 }));
    }

    void bestTimesFollowTheWholeSeconds()
    {
        TestMachine machine;
        GameEngine& engine = machine.launch();
        FakeClock& clock = machine.clock;
        struct Win {
            double seconds;
            std::int64_t shown;
            std::int64_t best;
            bool record;
        };
        const std::vector<Win> wins {
            { 5000, 5000, 5000, true }, // the first win sets the best however slow
            { 41.9, 41, 41, true }, // faster, truncated
            { 41.0, 41, 41, false }, // equal is not better
            { 40.99, 40, 40, true }, { 0.6, 0, 1, true }, // under a second is stored as 1
            { 0.2, 0, 1, true }, // 0 still beats a stored 1
            { 1.5, 1, 1, false }, // a full second ties it
        };
        for (const Win& win : wins) {
            // A round start keeps the double arithmetic exact.
            clock.set(std::floor(clock.now()) + 10'000);
            playWinningGame(engine, clock, win.seconds);
            QCOMPARE(engine.elapsedSeconds(), win.shown);
            QCOMPARE(best(engine), std::optional(win.best));
            QCOMPARE(engine.justSetRecord(), win.record);
        }
        // The clock stands at the final time however long the player waits.
        clock.advance(1000);
        QCOMPARE(engine.elapsedSeconds(), 1);
        // A loss counts as played only, and only for its own size.
        playLosingGame(engine, clock, 3);
        playLosingGame(engine, clock, 3, Difficulty::intermediate);
        QVERIFY(!engine.justSetRecord());
        const auto stored = readStored(machine.folders.local, recordsKey);
        QVERIFY(stored);
        QCOMPARE(decodeRecords(stored->toStdString()),
            std::optional(Records { { Difficulty::beginner, Record { 8, 7, 1 } },
                { Difficulty::intermediate, Record { 1, 0, std::nullopt } } }));
    }

    void countersAndClockSaturateAtTheirLimits()
    {
        // A game in play stored with the largest possible time, and counters at their limit.
        TestMachine machine;
        writeStoredGame(machine.folders.local, SavedGame { nearlyWonBoard(), int64Max, startTime });
        writeStored(machine.folders.local, recordsKey,
            recordsBytes({ { Difficulty::beginner,
                Record { recordCountLimit, recordCountLimit, std::nullopt } } }));
        GameEngine& engine = machine.launch();
        machine.clock.advance(10);
        QCOMPARE(engine.elapsedSeconds(), int64Max);
        engine.reveal(8, 8);
        QCOMPARE(engine.bankedSeconds(), int64Max);
        QCOMPARE(engine.records().at(Difficulty::beginner),
            (Record { recordCountLimit, recordCountLimit, int64Max }));
        QVERIFY(engine.justSetRecord());

        // A restored game in play whose clock started at startTime with `elapsed` banked.
        const auto readingAt = [](std::int64_t elapsed, Instant now) {
            TestMachine restored;
            writeStoredGame(
                restored.folders.local, SavedGame { nearlyWonBoard(), elapsed, startTime });
            GameEngine& engine = restored.launch();
            restored.clock.set(now);
            return engine.elapsedSeconds();
        };
        // Centuries either way convert at the edge of the range instead of overflowing.
        QCOMPARE(readingAt(0, 1e300), int64Max);
        QCOMPARE(readingAt(0, -1e300), 0);
        QCOMPARE(readingAt(0, std::numeric_limits<double>::infinity()), int64Max);
        QCOMPARE(readingAt(int64Max - 5, startTime + 6), int64Max);
        // A broken clock adds nothing.
        QCOMPARE(readingAt(37, std::numeric_limits<double>::quiet_NaN()), 37);
    }
};

QTEST_GUILESS_MAIN(GameEngineTest)
#include "GameEngineTest.moc"
