// SPDX-License-Identifier: GPL-3.0-or-later
// Values another machine leaves in the sync folder while the engine runs: statistics are merged,
// a newer game is adopted, nothing of it is written back, and a stale game never wins.
#include "TestBoards.h"
#include "TestEngine.h"

#include "engine/GameEngine.h"
#include "model/SequenceRandom.h"

#include <QSignalSpy>
#include <QTest>

class ExternalChangesTest : public QObject {
    Q_OBJECT

private slots:
    void outsideRecordsAreMergedAndOnlyRealGainsNotify()
    {
        TestMachine machine;
        GameEngine& engine = machine.launch();
        QSignalSpy recordsSpy(&engine, &GameEngine::recordsChanged);
        QVERIFY(machine.arrives(recordsKey,
            recordsBytes({ { Difficulty::beginner, Record { 5, 2, 80 } },
                { Difficulty::expert, Record { 1, 1, 900 } } })));
        QCOMPARE(engine.records().size(), std::size_t { 2 });
        QCOMPARE(recordsSpy.count(), 1);
        // Smaller counts and a slower best bring nothing new, and broken statistics count as
        // none: no notification.
        QVERIFY(machine.arrives(
            recordsKey, recordsBytes({ { Difficulty::beginner, Record { 4, 1, 95 } } })));
        QVERIFY(machine.arrives(recordsKey, "{\"beginner\":3}"));
        QCOMPARE(recordsSpy.count(), 1);
        // Each field merges on its own.
        QVERIFY(machine.arrives(
            recordsKey, recordsBytes({ { Difficulty::beginner, Record { 6, 1, 70 } } })));
        QCOMPARE(engine.records().at(Difficulty::beginner), (Record { 6, 2, 70 }));
        QCOMPARE(recordsSpy.count(), 2);
        // None of it was saved: the local side never got a value.
        QVERIFY(!readStored(machine.folders.local, recordsKey));
        QCOMPARE(engine.moveCount(), 0);
    }

    void onlyStrictlyNewerGamesAreAdopted()
    {
        TestMachine machine;
        GameEngine& engine = machine.launch();
        engine.toggleMark(4, 4);
        const Instant savedAt = engine.lastSavedAt();
        const auto stored = readStored(machine.folders.local, savedGameKey);
        QSignalSpy boardSpy(&engine, &GameEngine::boardChanged);
        // Saved at the same instant as this machine's game: ignored.
        QVERIFY(machine.arrives(savedGameKey, gameBytes({ flaggedBoard(1), 50, savedAt })));
        // Broken, or sent under a key the engine does not keep: ignored.
        QVERIFY(machine.arrives(savedGameKey, "{\"board\":{}}"));
        QVERIFY(writeStored(machine.folders.cloud, QStringLiteral("other"),
            gameBytes({ flaggedBoard(2), 1, 1e9 })));
        (void)catchUp(engine, 100);
        QCOMPARE(boardSpy.count(), 0);

        // Later: replaces the game in the middle of play and restarts the clock from its time.
        machine.clock.advance(10);
        QVERIFY(machine.arrives(savedGameKey, gameBytes({ flaggedBoard(3), 37, savedAt + 1 })));
        QCOMPARE(engine.board(), flaggedBoard(3));
        QCOMPARE(engine.lastSavedAt(), savedAt + 1);
        QCOMPARE(engine.clockStartedAt(), std::optional(machine.clock.now()));
        QCOMPARE(engine.elapsedSeconds(), 37);
        machine.clock.advance(2);
        QCOMPARE(engine.elapsedSeconds(), 39);
        QCOMPARE(boardSpy.count(), 1);
        // Adoption counts no move and saves nothing.
        QCOMPARE(engine.moveCount(), 1);
        QCOMPARE(readStored(machine.folders.local, savedGameKey), stored);
    }

    void theRestoredGameGuardsAgainstOlderOnes()
    {
        // Launched with a game saved at 500: one saved at 400 elsewhere is older, and stays out.
        TestMachine machine;
        writeStoredGame(machine.folders.local, { flaggedBoard(1), 3, 500 });
        GameEngine& engine = machine.launch();
        QVERIFY(machine.arrives(savedGameKey, gameBytes({ flaggedBoard(2), 9, 400 })));
        QCOMPARE(engine.board(), flaggedBoard(1));
        QCOMPARE(engine.lastSavedAt(), 500.0);
        QVERIFY(machine.arrives(savedGameKey, gameBytes({ flaggedBoard(2), 9, 501 })));
        QCOMPARE(engine.board(), flaggedBoard(2));
        // Launched with nothing stored, the first outside game is taken whatever its stamp; a
        // finished one is not counted here again and takes no actions until a new game.
        TestMachine fresh;
        GameEngine& freshEngine = fresh.launch();
        Board won = nearlyWonBoard();
        SequenceRandom noDraws({});
        QVERIFY(won.reveal(8, 8, noDraws));
        QVERIFY(fresh.arrives(savedGameKey, gameBytes({ won, 12, -1e9 })));
        QCOMPARE(freshEngine.board(), won);
        QVERIFY(!freshEngine.clockStartedAt());
        QCOMPARE(freshEngine.elapsedSeconds(), 12);
        QVERIFY(freshEngine.records().empty());
        QVERIFY(!freshEngine.justSetRecord());
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
        writeStored(
            shared, recordsKey, recordsBytes({ { Difficulty::expert, Record { 2, 1, 400 } } }));
        QCOMPARE(engine.attachSyncFolder(shared), GameEngine::SyncFolderResult::attached);
        QCOMPARE(engine.syncFolder(), shared);
        QTRY_COMPARE(reads.size(), 1);
        QCOMPARE(engine.board(), flaggedBoard(5));
        QCOMPARE(engine.records().at(Difficulty::expert), (Record { 2, 1, 400 }));
        // A report found just before the folder is left is dropped with it.
        writeStoredGame(shared, { flaggedBoard(6), 8, machine.clock.now() + 2 });
        engine.rescanSyncFolder();
        engine.detachSyncFolder();
        QVERIFY(!engine.syncFolder());
        QTest::qWait(50);
        QCOMPARE(engine.board(), flaggedBoard(5));
        QCOMPARE(reads.size(), 1);
    }

    // Two machines, each with its own data folder, sharing home's sync folder.

    void playMovesBetweenMachines()
    {
        TestMachine home, office;
        GameEngine& atHome = home.launch(home.folders.cloud, 1);
        GameEngine& atOffice = office.launch(home.folders.cloud, 2);
        const auto advance = [&](double seconds) {
            home.clock.advance(seconds);
            office.clock.advance(seconds);
        };
        // A game begun at home shows up at the office, clock and all.
        atHome.newGame(Difficulty::intermediate);
        atHome.toggleMark(5, 5);
        advance(6);
        atHome.reveal(10, 10);
        QVERIFY(catchUp(atOffice));
        QCOMPARE(atOffice.board(), atHome.board());
        QCOMPARE(atOffice.elapsedSeconds(), 6);
        QCOMPARE(atOffice.lastSavedAt(), atHome.lastSavedAt());
        QCOMPARE(atOffice.moveCount(), 0);
        advance(2.5);
        QCOMPARE(atOffice.elapsedSeconds(), 8);
        // Played on at the office, it comes back home.
        atOffice.toggleMark(0, 0);
        QVERIFY(catchUp(atHome));
        QCOMPARE(atHome.board(), atOffice.board());
        QCOMPARE(atHome.elapsedSeconds(), 8);
        // Home wrote nothing on adopting, so the office has nothing to catch up on.
        QVERIFY(!catchUp(atOffice, 100));
        // The office's clock falls an hour behind: its next move is stamped before the game home
        // holds, so home keeps its own.
        office.clock.advance(-3600);
        atOffice.toggleMark(2, 2);
        QVERIFY(catchUp(atHome));
        QCOMPARE(atHome.board().cellAt(2, 2).mark, Mark::none);
        QCOMPARE(atHome.board().cellAt(0, 0).mark, Mark::flag);
    }

    void statisticsMergeBothWays()
    {
        TestMachine home, office;
        GameEngine& atHome = home.launch(home.folders.cloud, 3);
        GameEngine& atOffice = office.launch(home.folders.cloud, 4);
        playWinningGame(atHome, home.clock, 50);
        QVERIFY(catchUp(atOffice));
        QCOMPARE(atOffice.records(), atHome.records());
        // The office wins faster and loses once: home takes the better best and the counts.
        playWinningGame(atOffice, office.clock, 30);
        playLosingGame(atOffice, office.clock, 4);
        QVERIFY(catchUp(atHome));
        QCOMPARE(atHome.records().at(Difficulty::beginner), (Record { 3, 2, 30 }));
        QCOMPARE(atOffice.records().at(Difficulty::beginner), (Record { 3, 2, 30 }));
        // Adopting the office's game leaves home's flag from its own first win as it was.
        QVERIFY(atHome.justSetRecord());
        // A record set at home and a loss at the office before either catches up: the office
        // writes last, yet home keeps its record and hands it on with its next save.
        playWinningGame(atHome, home.clock, 20);
        playLosingGame(atOffice, office.clock, 1);
        QVERIFY(catchUp(atHome));
        QCOMPARE(atHome.records().at(Difficulty::beginner), (Record { 4, 3, 20 }));
        atHome.newGame(Difficulty::beginner);
        QVERIFY(catchUp(atOffice));
        QCOMPARE(atOffice.records(), atHome.records());
    }
};

QTEST_GUILESS_MAIN(ExternalChangesTest)
#include "ExternalChangesTest.moc"
