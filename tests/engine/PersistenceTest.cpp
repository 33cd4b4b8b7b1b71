// SPDX-License-Identifier: GPL-3.0-or-later
// Loading at launch from both sides of the store, what a save leaves in the two folders, and
// stored values that are broken or hostile.
#include "TestBoards.h"
#include "TestEngine.h"

#include "engine/GameEngine.h"
#include "model/SequenceRandom.h"

#include <QTest>

#include <vector>

namespace {

/// What each folder holds, file by file, to prove that nothing was written.
QMap<QString, QByteArray> contents(const QString& folder)
{
    QMap<QString, QByteArray> result;
    for (const QString& name : storedKeys(folder))
        result.insert(name, *readStored(folder, name.chopped(5)));
    return result;
}

} // namespace

class PersistenceTest : public QObject {
    Q_OBJECT

private slots:
    void loadingPrefersTheNewerGameAndTheLocalOneOnATie()
    {
        const Board local = flaggedBoard(1);
        const Board cloud = flaggedBoard(2);
        struct Case {
            std::optional<Instant> localAt, cloudAt;
            bool localWins;
        };
        const std::vector<Case> cases {
            { 100, 100, true }, // equal stamps: local
            { 100, 101, false }, { 101, 100, true },
            { std::nullopt, 5, false }, // only one side has a game
            { 5, std::nullopt, true },
            { -5e9, std::nullopt, true }, // long before the reference date
            { 1e308, std::nullopt, true }, // at the top of the double range
        };
        for (const Case& c : cases) {
            TestMachine machine;
            if (c.localAt)
                writeStoredGame(machine.folders.local, SavedGame { local, 11, *c.localAt });
            if (c.cloudAt)
                writeStoredGame(machine.folders.cloud, SavedGame { cloud, 22, *c.cloudAt });
            GameEngine& engine = machine.launch();
            QCOMPARE(engine.board(), c.localWins ? local : cloud);
            // A game in play shows its saved time and runs on from launch.
            QCOMPARE(engine.clockStartedAt(), std::optional(machine.clock.now()));
            machine.clock.advance(3.5);
            QCOMPARE(engine.elapsedSeconds(), c.localWins ? 14 : 25);
            // The restored stamp guards against older outside games.
            QCOMPARE(engine.lastSavedAt(), c.localWins ? *c.localAt : *c.cloudAt);
            // This machine's next save stamps its own time, however far off the restored one.
            engine.toggleMark(8, 8);
            QCOMPARE(engine.lastSavedAt(), machine.clock.now());
        }
        // Without a sync folder, a game in one that is not in use is never looked at.
        TestMachine machine;
        writeStoredGame(machine.folders.cloud, SavedGame { cloud, 22, 100 });
        GameEngine& engine = machine.launch(std::nullopt);
        QCOMPARE(engine.board(), Board::fresh(Difficulty::beginner));
        QCOMPARE(engine.lastSavedAt(), distantPast);
    }

    void loadingMergesRecordsAndWritesNothing()
    {
        TestMachine machine;
        const TwoFolders& folders = machine.folders;
        writeStored(folders.local, recordsKey,
            recordsBytes({ { Difficulty::beginner, Record { 5, 2, 80 } } }));
        writeStored(folders.cloud, recordsKey,
            recordsBytes({ { Difficulty::beginner, Record { 4, 3, 95 } },
                { Difficulty::expert, Record { 1, 0, std::nullopt } } }));
        writeStoredGame(folders.cloud, SavedGame { flaggedBoard(0), 3, 7 });
        const auto localBefore = contents(folders.local);
        const auto cloudBefore = contents(folders.cloud);
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

    void aRestoredLostGameKeepsItsTimeAndIsNotCountedAgain()
    {
        TestMachine machine;
        Board lost = nearlyWonBoard();
        SequenceRandom noDraws({});
        QVERIFY(lost.reveal(0, 0, noDraws));
        writeStoredGame(machine.folders.local, SavedGame { lost, 12, 12 });
        writeStored(machine.folders.local, recordsKey,
            recordsBytes({ { Difficulty::beginner, Record { 1, 0, std::nullopt } } }));
        GameEngine& engine = machine.launch();
        machine.clock.advance(60);
        engine.reveal(8, 8);
        QCOMPARE(engine.board(), lost);
        QCOMPARE(engine.elapsedSeconds(), 12);
        QCOMPARE(engine.records().at(Difficulty::beginner).played, 1);
        QVERIFY(storedKeys(machine.folders.cloud).isEmpty());
    }

    void aSaveLeavesIdenticalCompactValuesOnBothSides()
    {
        TestMachine machine;
        machine.clock.set(startTime + 0.25);
        GameEngine& engine = machine.launch();
        engine.toggleMark(3, 4);
        machine.clock.advance(2.5);
        engine.toggleMark(3, 4);
        for (const QString& key : { savedGameKey, recordsKey }) {
            const auto local = readStored(machine.folders.local, key);
            QVERIFY(local);
            QCOMPARE(readStored(machine.folders.cloud, key), local);
            QVERIFY(!local->contains(' ') && !local->contains('\n'));
        }
        // The fraction of the stamp survives the round trip exactly.
        QCOMPARE(readStored(machine.folders.local, savedGameKey),
            gameBytes({ engine.board(), 2, startTime + 2.75 }));
        QCOMPARE(engine.lastSavedAt(), startTime + 2.75);
        QCOMPARE(*readStored(machine.folders.local, recordsKey), QByteArray("[]"));

        // Local-only: the same save, one folder.
        TestMachine alone;
        alone.launch(std::nullopt).newGame(Difficulty::intermediate);
        QCOMPARE(storedKeys(alone.folders.local),
            QStringList({ QStringLiteral("records.json"), QStringLiteral("savedGame.json") }));
        QVERIFY(storedKeys(alone.folders.cloud).isEmpty());
    }

    void hostileValuesCountAsNone_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("stored");
        for (const QString& key : { recordsKey, savedGameKey }) {
            const auto row = [&key](const char* name) -> QTestData& {
                return QTest::newRow(qPrintable(key + ": " + name)) << key;
            };
            row("not JSON") << QByteArray("{\"board\":");
            row("empty file") << QByteArray();
            row("deep nesting") << QByteArray(200'000, '[') + QByteArray(200'000, ']');
            row("deep objects") << "{\"board\":" + QByteArray(300'000, '{');
            row("binary") << QByteArray("\xff\xfe\x00\x01", 4);
        }
        // Well-formed JSON the decoders refuse; every other refusal is theirs to pin.
        QTest::newRow("records: beyond int64")
            << recordsKey << QByteArray(R"(["beginner",{"played":9223372036854775808,"won":1}])");
        QTest::newRow("game: elapsed beyond int64")
            << savedGameKey
            << gameBytes({ nearlyWonBoard(), 0, 12345.5 })
                   .replace("\"elapsed\":0", "\"elapsed\":9223372036854775808");
    }

    void hostileValuesCountAsNone()
    {
        QFETCH(QString, key);
        QFETCH(QByteArray, stored);
        TestMachine machine;
        writeStored(machine.folders.local, key, stored);
        // The good side still counts.
        const Records cloud { { Difficulty::expert, Record { 2, 1, 300 } } };
        writeStored(machine.folders.cloud, recordsKey, recordsBytes(cloud));
        GameEngine& engine = machine.launch();
        QCOMPARE(engine.records(), cloud);
        QCOMPARE(engine.board(), Board::fresh(Difficulty::beginner));
        QCOMPARE(engine.lastSavedAt(), distantPast);
        // Play goes on normally, and the broken value is overwritten, not repaired or kept.
        engine.reveal(4, 4);
        QCOMPARE(engine.moveCount(), 1);
        QCOMPARE(readStored(machine.folders.local, recordsKey), recordsBytes(cloud));
        QCOMPARE(readStored(machine.folders.cloud, savedGameKey),
            readStored(machine.folders.local, savedGameKey));
    }
};

QTEST_GUILESS_MAIN(PersistenceTest)
#include "PersistenceTest.moc"
