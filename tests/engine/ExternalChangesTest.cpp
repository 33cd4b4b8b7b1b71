// SPDX-License-Identifier: GPL-3.0-or-later
// Values another machine leaves in the sync folder while the engine runs: statistics are merged,
// a newer game is adopted, and nothing of it is written back.
#include "TestBoards.h"
#include "TestEngine.h"

#include "engine/GameEngine.h"
#include "model/SequenceRandom.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace {

/// An engine on fresh folders with the hand-driven clock.
struct Machine {
    /// prepare may put values in the folders before the engine is launched.
    explicit Machine(const std::function<void(const TwoFolders&)>& prepare = {})
    {
        if (prepare)
            prepare(folders);
        engine = makeEngine(folders.both(), clock);
    }

    TwoFolders folders;
    FakeClock clock;
    std::unique_ptr<GameEngine> engine;

    /// Another machine writes key in the sync folder; returns once the engine has handled it.
    bool arrives(const QString& key, const QByteArray& bytes)
    {
        return writeStored(folders.cloud, key, bytes) && catchUp(*engine);
    }
};

} // namespace

class ExternalChangesTest : public QObject {
    Q_OBJECT

private slots:
    void outsideRecordsAreMergedAndOnlyRealGainsNotify()
    {
        Machine machine;
        GameEngine& engine = *machine.engine;
        QSignalSpy recordsSpy(&engine, &GameEngine::recordsChanged);
        QVERIFY(machine.arrives(recordsKey,
            recordsBytes({ { Difficulty::beginner, Record { 5, 2, 80 } },
                { Difficulty::expert, Record { 1, 1, 900 } } })));
        QCOMPARE(engine.records().size(), std::size_t { 2 });
        QCOMPARE(recordsSpy.count(), 1);

        // Smaller counts and a slower best bring nothing new: no notification.
        QVERIFY(machine.arrives(
            recordsKey, recordsBytes({ { Difficulty::beginner, Record { 4, 1, 95 } } })));
        QCOMPARE(recordsSpy.count(), 1);
        // Broken statistics count as none.
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
        Machine machine;
        GameEngine& engine = *machine.engine;
        engine.toggleMark(4, 4);
        const Instant savedAt = engine.lastSavedAt();
        const auto stored = readStored(machine.folders.local, savedGameKey);
        QSignalSpy boardSpy(&engine, &GameEngine::boardChanged);

        // Saved at the same instant as this machine's game: ignored.
        QVERIFY(machine.arrives(savedGameKey, gameBytes({ flaggedBoard(1), 50, savedAt })));
        QCOMPARE(boardSpy.count(), 0);
        // Broken, or sent under a key the engine does not keep: ignored.
        QVERIFY(machine.arrives(savedGameKey, "{\"board\":{}}"));
        QVERIFY(writeStored(machine.folders.cloud, QStringLiteral("other"),
            gameBytes({ flaggedBoard(2), 1, 1e9 })));
        engine.rescanSyncFolder();
        QCoreApplication::processEvents();
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

    void adoptedFinishedGamesAreNotCounted()
    {
        Machine machine;
        GameEngine& engine = *machine.engine;
        Board won = nearlyWonBoard();
        SequenceRandom noDraws({});
        QVERIFY(won.reveal(8, 8, noDraws));
        QVERIFY(machine.arrives(savedGameKey, gameBytes({ won, 12, 5 })));
        QCOMPARE(engine.board(), won);
        QVERIFY(!engine.clockStartedAt());
        QCOMPARE(engine.elapsedSeconds(), 12);
        QVERIFY(engine.records().empty());
        QVERIFY(!engine.justSetRecord());
        // A finished board takes no actions until a new game.
        engine.reveal(0, 0);
        QCOMPARE(engine.moveCount(), 0);
    }

    void theRestoredGameGuardsAgainstOlderOnes()
    {
        // Launched with a game saved at 500: one saved at 400 elsewhere is older, and stays out.
        {
            Machine machine([](const TwoFolders& folders) {
                writeStoredGame(folders.local, { flaggedBoard(1), 3, 500 });
            });
            QVERIFY(machine.arrives(savedGameKey, gameBytes({ flaggedBoard(2), 9, 400 })));
            QCOMPARE(machine.engine->board(), flaggedBoard(1));
            QCOMPARE(machine.engine->lastSavedAt(), 500.0);
            QVERIFY(machine.arrives(savedGameKey, gameBytes({ flaggedBoard(2), 9, 501 })));
            QCOMPARE(machine.engine->board(), flaggedBoard(2));
        }
        // Launched with nothing stored, the first outside game is taken whatever its stamp.
        {
            Machine machine;
            QVERIFY(machine.arrives(savedGameKey, gameBytes({ flaggedBoard(2), 9, -1e9 })));
            QCOMPARE(machine.engine->board(), flaggedBoard(2));
        }
    }

    void attachingASyncFolderBringsItsValuesIn()
    {
        TwoFolders folders;
        FakeClock clock;
        const auto engine = makeEngine(folders.localOnly(), clock);
        QSignalSpy reads(engine.get(), &GameEngine::syncFolderRead);
        engine->toggleMark(0, 0);

        QTemporaryDir shared;
        writeStoredGame(shared.path(), { flaggedBoard(5), 8, clock.now() + 1 });
        writeStored(shared.path(), recordsKey,
            recordsBytes({ { Difficulty::expert, Record { 2, 1, 400 } } }));
        QCOMPARE(engine->attachSyncFolder(shared.path()), GameEngine::SyncFolderResult::attached);
        QCOMPARE(engine->syncFolder(), shared.path());
        QTRY_COMPARE(reads.size(), 1);
        QCOMPARE(engine->board(), flaggedBoard(5));
        QCOMPARE(engine->records().at(Difficulty::expert), (Record { 2, 1, 400 }));

        // A report found just before the folder is left is dropped with it.
        writeStoredGame(shared.path(), { flaggedBoard(6), 8, clock.now() + 2 });
        engine->rescanSyncFolder();
        engine->detachSyncFolder();
        QVERIFY(!engine->syncFolder());
        QTest::qWait(50);
        QCOMPARE(engine->board(), flaggedBoard(5));
        QCOMPARE(reads.size(), 1);
    }
};

QTEST_GUILESS_MAIN(ExternalChangesTest)
#include "ExternalChangesTest.moc"
