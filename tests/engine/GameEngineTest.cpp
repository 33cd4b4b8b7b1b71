// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's player actions: what counts as a move, what is saved, and which change signals
// go out, when, and with what state behind them.
#include "engine/GameEngine.h"

#include "TestBoards.h"
#include "TestEngine.h"

#include "model/SequenceRandom.h"

#include <QSignalSpy>
#include <QTest>

namespace {

/// One spy per observable field, for tests that care about exactly which ones fired.
struct Spies {
    explicit Spies(GameEngine& engine)
        : board(&engine, &GameEngine::boardChanged)
        , bankedSeconds(&engine, &GameEngine::bankedSecondsChanged)
        , clockStartedAt(&engine, &GameEngine::clockStartedAtChanged)
        , records(&engine, &GameEngine::recordsChanged)
        , moveCount(&engine, &GameEngine::moveCountChanged)
        , justSetRecord(&engine, &GameEngine::justSetRecordChanged)
        , lastSavedAt(&engine, &GameEngine::lastSavedAtChanged)
    {
    }

    [[nodiscard]] qsizetype total() const
    {
        return board.count() + bankedSeconds.count() + clockStartedAt.count() + records.count() +
            moveCount.count() + justSetRecord.count() + lastSavedAt.count();
    }

    QSignalSpy board;
    QSignalSpy bankedSeconds;
    QSignalSpy clockStartedAt;
    QSignalSpy records;
    QSignalSpy moveCount;
    QSignalSpy justSetRecord;
    QSignalSpy lastSavedAt;
};

} // namespace

class GameEngineTest : public QObject {
    Q_OBJECT

private slots:
    void firstLaunchAndRefusedActionsWriteNothing()
    {
        TwoFolders folders;
        FakeClock clock;
        const auto engine = makeEngine(folders.both(), clock);
        // A first launch shows a fresh beginner board.
        QCOMPARE(engine->board(), Board::fresh(Difficulty::beginner));
        QCOMPARE(engine->lastSavedAt(), distantPast);
        Spies spies(*engine);

        // Just outside each edge.
        engine->reveal(-1, 0);
        engine->reveal(9, 0);
        engine->toggleMark(0, 9);
        // A chord on a covered square of a fresh board.
        engine->chord(4, 4);

        QCOMPARE(spies.board.count(), 4);
        QCOMPARE(spies.total(), 4);
        QCOMPARE(engine->moveCount(), 0);
        QVERIFY(!engine->clockStartedAt());
        QVERIFY(storedKeys(folders.local).isEmpty());
        QVERIFY(storedKeys(folders.cloud).isEmpty());

        // A reveal on a flag is refused after the flag itself counted and was saved.
        engine->toggleMark(2, 2);
        QCOMPARE(engine->moveCount(), 1);
        const auto savedAfterFlag = readStored(folders.local, savedGameKey);
        QVERIFY(savedAfterFlag);
        clock.advance(3);
        spies.board.clear();
        engine->reveal(2, 2);
        QCOMPARE(spies.board.count(), 1);
        QCOMPARE(engine->moveCount(), 1);
        QCOMPARE(readStored(folders.local, savedGameKey), savedAfterFlag);
    }

    void firstMarkStartsTheClockAndLaterRevealKeepsIt()
    {
        TwoFolders folders;
        FakeClock clock;
        const auto engine = makeEngine(folders.both(), clock);
        Spies spies(*engine);

        engine->toggleMark(0, 0);
        QCOMPARE(engine->board().phase, Board::Phase::playing);
        QCOMPARE(engine->clockStartedAt(), std::optional(clock.now()));
        QCOMPARE(engine->moveCount(), 1);
        QVERIFY(readStored(folders.cloud, recordsKey));

        clock.advance(5.5);
        engine->reveal(4, 4);
        QCOMPARE(engine->clockStartedAt(), std::optional(startTime));
        QCOMPARE(engine->elapsedSeconds(), 5);
        QCOMPARE(engine->moveCount(), 2);
        QCOMPARE(spies.clockStartedAt.count(), 1);
        QCOMPARE(spies.moveCount.count(), 2);
    }

    void chordCountsOnlyWhenItUncoversSomething()
    {
        TwoFolders folders;
        FakeClock clock;
        // Mines along the top row and at (0, 1); (2, 1) is covered as well as (8, 8).
        Board board = nearlyWonBoard();
        board.cells[static_cast<std::size_t>(board.index(2, 1))].isRevealed = false;
        --board.revealedCount;
        writeStoredGame(folders.local, SavedGame { board, 0, startTime });
        const auto engine = makeEngine(folders.both(), clock);
        const auto stored = readStored(folders.local, savedGameKey);
        Spies spies(*engine);

        // (1, 1) shows 4 with no flag around it.
        engine->chord(1, 1);
        QCOMPARE(engine->moveCount(), 0);
        QCOMPARE(spies.board.count(), 1);
        QCOMPARE(readStored(folders.local, savedGameKey), stored);
        // (0, 2) shows 1 and its mine is flagged, but it has nothing covered left to open.
        engine->toggleMark(0, 1);
        engine->chord(0, 2);
        QCOMPARE(engine->moveCount(), 1);
        QCOMPARE(spies.board.count(), 3);

        // Flag → question → none, then four flags around (1, 1), one of them on the safe (2, 1):
        // the chord opens the unflagged mine at (0, 1).
        engine->toggleMark(0, 1);
        engine->toggleMark(0, 1);
        for (const Point p : { Point { 0, 0 }, Point { 1, 0 }, Point { 2, 0 }, Point { 2, 1 } })
            engine->toggleMark(p.x, p.y);
        clock.advance(7.2);
        const Board beforeChord = engine->board();
        QVERIFY(!engine->losingMove());
        engine->chord(1, 1);
        QCOMPARE(engine->board().phase, Board::Phase::lost);
        QCOMPARE(engine->board().exploded, std::optional(Point { 0, 1 }));
        // The chord and the board it was made on are kept for the post-mortem.
        QVERIFY(engine->losingMove());
        QCOMPARE(engine->losingMove()->kind, GameEngine::LosingMove::Kind::chord);
        QCOMPARE(engine->losingMove()->square, (Point { 1, 1 }));
        QCOMPARE(engine->losingMove()->before, beforeChord);
        QCOMPARE(engine->moveCount(), 8);
        QVERIFY(!engine->clockStartedAt());
        QCOMPARE(engine->bankedSeconds(), 7);
        QCOMPARE(engine->records().at(Difficulty::beginner), (Record { 1, 0, std::nullopt }));
    }

    void actionsAfterTheEndDoNothing()
    {
        TwoFolders folders;
        FakeClock clock;
        const auto engine = makeEngine(folders.both(), clock);
        playLosingGame(*engine, clock, 12.5);
        QCOMPARE(engine->board().phase, Board::Phase::lost);
        // The losing reveal replayed on the board kept from before it ends the same way.
        QVERIFY(engine->losingMove());
        const GameEngine::LosingMove lost = *engine->losingMove();
        QCOMPARE(lost.kind, GameEngine::LosingMove::Kind::reveal);
        QCOMPARE(std::optional(lost.square), engine->board().exploded);
        Board replay = lost.before;
        SequenceRandom unused({});
        QCOMPARE(replay.phase, Board::Phase::playing);
        QVERIFY(replay.reveal(lost.square.x, lost.square.y, unused));
        QCOMPARE(replay, engine->board());
        const auto stored = readStored(folders.local, savedGameKey);
        const Board finalBoard = engine->board();
        const std::int64_t moves = engine->moveCount();

        clock.advance(100);
        Spies spies(*engine);
        engine->reveal(0, 0);
        engine->chord(4, 4);
        engine->toggleMark(8, 8);

        QCOMPARE(spies.total(), 0);
        QCOMPARE(engine->moveCount(), moves);
        QCOMPARE(engine->board(), finalBoard);
        QCOMPARE(engine->elapsedSeconds(), 12);
        QCOMPARE(readStored(folders.local, savedGameKey), stored);
        QCOMPARE(engine->records().at(Difficulty::beginner).played, 1);
        // The next game drops it.
        QVERIFY(engine->losingMove());
        engine->newGame(Difficulty::beginner);
        QVERIFY(!engine->losingMove());
    }

    void newGameResetsTheGameButNotTheStatistics()
    {
        TwoFolders folders;
        FakeClock clock;
        const auto engine = makeEngine(folders.both(), clock);
        playWinningGame(*engine, clock, 30);
        QVERIFY(engine->justSetRecord());
        startGame(*engine, Difficulty::intermediate);
        clock.advance(9);
        const Records records = engine->records();
        const std::int64_t moves = engine->moveCount();

        clock.advance(1);
        engine->newGame(Difficulty::intermediate);

        QCOMPARE(engine->board(), Board::fresh(Difficulty::intermediate));
        QCOMPARE(engine->records(), records);
        QCOMPARE(engine->moveCount(), moves);
        QVERIFY(!engine->justSetRecord());
        QVERIFY(!engine->clockStartedAt());
        QCOMPARE(engine->elapsedSeconds(), 0);
        QCOMPARE(engine->lastSavedAt(), clock.now());
        // The abandoned game is gone from both sides; the stored one is the fresh board.
        const auto stored = readStored(folders.cloud, savedGameKey);
        QVERIFY(stored);
        const auto decoded = decodeSavedGame(stored->toStdString());
        QVERIFY(decoded);
        QCOMPARE(*decoded, (SavedGame { Board::fresh(Difficulty::intermediate), 0, clock.now() }));
    }

    void equalWritesNotifyNobody()
    {
        TwoFolders folders;
        FakeClock clock;
        const auto engine = makeEngine(folders.both(), clock);
        engine->newGame(Difficulty::expert);

        // Same board, same clock, same stamp: the save happens but nothing changed.
        Spies spies(*engine);
        engine->newGame(Difficulty::expert);
        QCOMPARE(spies.total(), 0);
        QVERIFY(readStored(folders.local, savedGameKey));

        // Only the stamp moved.
        clock.advance(1);
        engine->newGame(Difficulty::expert);
        QCOMPARE(spies.lastSavedAt.count(), 1);
        QCOMPARE(spies.total(), 1);
    }

    void signalsGoOutOnceTheWholeStepIsDone()
    {
        TwoFolders folders;
        FakeClock clock;
        writeStoredGame(folders.local, SavedGame { nearlyWonBoard(), 0, startTime });
        const auto engine = makeEngine(folders.both(), clock);
        clock.advance(20.4);

        // A view redrawing on the first signal must already see the end of the game in full:
        // the final time, the record and the save.
        bool checked = false;
        connect(engine.get(), &GameEngine::boardChanged, this, [&] {
            checked = true;
            QCOMPARE(engine->board().phase, Board::Phase::won);
            QVERIFY(!engine->clockStartedAt());
            QCOMPARE(engine->elapsedSeconds(), 20);
            QCOMPARE(engine->records().at(Difficulty::beginner).bestSeconds,
                std::optional<std::int64_t>(20));
            QVERIFY(engine->justSetRecord());
            const auto stored = readStored(folders.local, savedGameKey);
            QVERIFY(stored && decodeSavedGame(stored->toStdString())->board == engine->board());
        });
        Spies spies(*engine);
        engine->reveal(8, 8);

        QVERIFY(checked);
        QCOMPARE(spies.board.count(), 1);
        QCOMPARE(spies.bankedSeconds.count(), 1);
        QCOMPARE(spies.clockStartedAt.count(), 1);
        QCOMPARE(spies.records.count(), 1);
        QCOMPARE(spies.moveCount.count(), 1);
        QCOMPARE(spies.justSetRecord.count(), 1);
    }
};

QTEST_GUILESS_MAIN(GameEngineTest)
#include "GameEngineTest.moc"
