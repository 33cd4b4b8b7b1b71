// SPDX-License-Identifier: GPL-3.0-or-later
// Loading at launch from both sides of the store, what a save leaves in the two folders, and
// stored values that are broken or hostile.
#include "TestBoards.h"
#include "TestEngine.h"

#include "engine/GameEngine.h"
#include "model/SequenceRandom.h"

#include <QTest>

#include <nlohmann/json.hpp>

#include <functional>
#include <limits>
#include <vector>

namespace {

/// What each folder holds, key by key, to prove that nothing was written.
QMap<QString, QByteArray> contents(const QString& folder)
{
    QMap<QString, QByteArray> result;
    for (const QString& name : storedKeys(folder)) {
        QFile file(QDir(folder).filePath(name));
        if (file.open(QIODevice::ReadOnly))
            result.insert(name, file.readAll());
    }
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
            std::optional<Instant> localAt;
            std::optional<Instant> cloudAt;
            std::optional<Board> expected;
        };
        const std::vector<Case> cases {
            { 100, 100, local }, // equal stamps: local
            { 100, 101, cloud }, // cloud strictly later
            { 101, 100, local }, // local later
            { std::nullopt, 5, cloud }, // only one side has a game
            { 5, std::nullopt, local },
            { -5e9, std::nullopt, local }, // long before the reference date
        };
        for (const Case& c : cases) {
            TwoFolders folders;
            FakeClock clock;
            if (c.localAt)
                writeStoredGame(folders.local, SavedGame { local, 11, *c.localAt });
            if (c.cloudAt)
                writeStoredGame(folders.cloud, SavedGame { cloud, 22, *c.cloudAt });
            const auto engine = makeEngine(folders.both(), clock);
            QCOMPARE(engine->board(), *c.expected);
            QCOMPARE(engine->elapsedSeconds(), c.expected == local ? 11 : 22);
            // The restored stamp guards against older outside games.
            QCOMPARE(engine->lastSavedAt(), c.expected == local ? *c.localAt : *c.cloudAt);
        }

        // Without a sync folder, a game in one that is not in use is never looked at.
        TwoFolders folders;
        FakeClock clock;
        writeStoredGame(folders.cloud, SavedGame { cloud, 22, 100 });
        const auto engine = makeEngine(folders.localOnly(), clock);
        QCOMPARE(engine->board(), Board::fresh(Difficulty::beginner));
        QCOMPARE(engine->lastSavedAt(), distantPast);
    }

    void loadingMergesRecordsAndWritesNothing()
    {
        TwoFolders folders;
        FakeClock clock;
        writeStored(folders.local, recordsKey,
            recordsBytes({ { Difficulty::beginner, Record { 5, 2, 80 } } }));
        writeStored(folders.cloud, recordsKey,
            recordsBytes({ { Difficulty::beginner, Record { 4, 3, 95 } },
                { Difficulty::expert, Record { 1, 0, std::nullopt } } }));
        writeStoredGame(folders.cloud, SavedGame { flaggedBoard(0), 3, 7 });
        const auto localBefore = contents(folders.local);
        const auto cloudBefore = contents(folders.cloud);

        const auto engine = makeEngine(folders.both(), clock);

        const Records expected { { Difficulty::beginner, Record { 5, 3, 80 } },
            { Difficulty::expert, Record { 1, 0, std::nullopt } } };
        QCOMPARE(engine->records(), expected);
        QCOMPARE(contents(folders.local), localBefore);
        QCOMPARE(contents(folders.cloud), cloudBefore);
        // The merged statistics reach both sides with the next save.
        engine->newGame(Difficulty::beginner);
        QCOMPARE(decodeRecords(readStored(folders.local, recordsKey)->toStdString()),
            std::optional(expected));
    }

    void restoredGamesKeepTheirTimeAndPhase()
    {
        // A game in play shows its saved time and runs on from launch.
        {
            TwoFolders folders;
            FakeClock clock;
            writeStoredGame(folders.local, SavedGame { nearlyWonBoard(), 37, 12 });
            const auto engine = makeEngine(folders.both(), clock);
            QCOMPARE(engine->elapsedSeconds(), 37);
            QCOMPARE(engine->clockStartedAt(), std::optional(clock.now()));
            clock.advance(3.5);
            QCOMPARE(engine->elapsedSeconds(), 40);
        }
        // A lost game comes back lost with its final time, is not counted again, and refuses
        // actions.
        {
            TwoFolders folders;
            FakeClock clock;
            Board lost = nearlyWonBoard();
            SequenceRandom noDraws({});
            QVERIFY(lost.reveal(0, 0, noDraws));
            writeStoredGame(folders.local, SavedGame { lost, 12, 12 });
            writeStored(folders.local, recordsKey,
                recordsBytes({ { Difficulty::beginner, Record { 1, 0, std::nullopt } } }));
            const auto engine = makeEngine(folders.both(), clock);
            clock.advance(60);
            engine->reveal(8, 8);
            QCOMPARE(engine->board(), lost);
            QCOMPARE(engine->elapsedSeconds(), 12);
            QCOMPARE(engine->records().at(Difficulty::beginner).played, 1);
            QVERIFY(storedKeys(folders.cloud).isEmpty());
        }
    }

    void aSaveLeavesIdenticalCompactValuesOnBothSides()
    {
        TwoFolders folders;
        FakeClock clock;
        clock.set(startTime + 0.25);
        const auto engine = makeEngine(folders.both(), clock);
        engine->toggleMark(3, 4);
        clock.advance(2.5);
        engine->toggleMark(3, 4);

        for (const QString& key : { savedGameKey, recordsKey }) {
            const auto local = readStored(folders.local, key);
            QVERIFY(local);
            QCOMPARE(readStored(folders.cloud, key), local);
            QVERIFY(!local->contains(' ') && !local->contains('\n'));
        }
        const auto game = decodeSavedGame(readStored(folders.local, savedGameKey)->toStdString());
        QVERIFY(game);
        // The fraction of the stamp survives the round trip exactly.
        QCOMPARE(*game, (SavedGame { engine->board(), 2, startTime + 2.75 }));
        QCOMPARE(engine->lastSavedAt(), startTime + 2.75);
        QCOMPARE(*readStored(folders.local, recordsKey), QByteArray("[]"));

        // Local-only: the same save, one folder.
        TwoFolders alone;
        const auto localOnly = makeEngine(alone.localOnly(), clock);
        localOnly->newGame(Difficulty::intermediate);
        QCOMPARE(storedKeys(alone.local),
            QStringList({ QStringLiteral("records.json"), QStringLiteral("savedGame.json") }));
        QVERIFY(storedKeys(alone.cloud).isEmpty());
    }

    void hostileRecordsCountAsNone_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("not JSON") << QByteArray("beginner: 3");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("object") << QByteArray(R"({"beginner":{"played":1,"won":1}})");
        QTest::newRow("odd length") << QByteArray(R"(["beginner",{"played":1,"won":1},"expert"])");
        QTest::newRow("beyond int64")
            << QByteArray(R"(["beginner",{"played":9223372036854775808,"won":1}])");
        QTest::newRow("deep nesting") << QByteArray(200'000, '[') + QByteArray(200'000, ']');
        QTest::newRow("binary") << QByteArray("\xff\xfe\x00\x01", 4);
    }

    void hostileRecordsCountAsNone()
    {
        QFETCH(QByteArray, stored);
        TwoFolders folders;
        FakeClock clock;
        writeStored(folders.local, recordsKey, stored);
        // The good side still counts.
        const Records cloud { { Difficulty::expert, Record { 2, 1, 300 } } };
        writeStored(folders.cloud, recordsKey, recordsBytes(cloud));

        const auto engine = makeEngine(folders.both(), clock);
        QCOMPARE(engine->records(), cloud);
        // The broken value is overwritten by the next save, not repaired or kept.
        engine->newGame(Difficulty::beginner);
        QCOMPARE(readStored(folders.local, recordsKey), recordsBytes(cloud));
    }

    void hostileSavedGamesCountAsNone_data()
    {
        QTest::addColumn<QByteArray>("stored");
        // A valid game in play, bent one way per row.
        const auto bent = [](const std::function<void(nlohmann::json&)>& bend) {
            auto game =
                nlohmann::json::parse(encodeSavedGame(SavedGame { nearlyWonBoard(), 0, 12345.5 }));
            bend(game);
            return QByteArray::fromStdString(game.dump());
        };
        QTest::newRow("not JSON") << QByteArray("{\"board\":");
        QTest::newRow("missing savedAt") << bent([](auto& game) { game.erase("savedAt"); });
        QTest::newRow("elapsed beyond int64")
            << bent([](auto& game) { game["elapsed"] = 9223372036854775808ULL; });
        QTest::newRow("savedAt overflowing a double")
            << bent([](auto&) {}).replace("12345.5", "1e400");
        QTest::newRow("a cell short") << bent([](auto& game) { game["board"]["cells"].erase(0); });
        QTest::newRow("expert's cells on a beginner board") << bent([](auto& game) {
            auto& cells = game["board"]["cells"];
            while (cells.size() < 480)
                cells.push_back(cells[0]);
        });
        QTest::newRow("deep nesting") << "{\"board\":" + QByteArray(300'000, '{');
    }

    void hostileSavedGamesCountAsNone()
    {
        QFETCH(QByteArray, stored);
        TwoFolders folders;
        FakeClock clock;
        writeStored(folders.local, savedGameKey, stored);
        const auto engine = makeEngine(folders.both(), clock);
        QCOMPARE(engine->board(), Board::fresh(Difficulty::beginner));
        QCOMPARE(engine->lastSavedAt(), distantPast);
        // Play goes on normally.
        engine->reveal(4, 4);
        QCOMPARE(engine->moveCount(), 1);
        QCOMPARE(readStored(folders.cloud, savedGameKey), readStored(folders.local, savedGameKey));
    }

    void extremeButValidStampsAreTakenAsTheyAre()
    {
        // A stamp at the top of the double range is restored; this machine's next save
        // replaces it with the real time.
        TwoFolders folders;
        FakeClock clock;
        writeStoredGame(folders.local,
            SavedGame { nearlyWonBoard(), std::numeric_limits<std::int64_t>::max(), 1e308 });
        const auto engine = makeEngine(folders.both(), clock);
        QCOMPARE(engine->lastSavedAt(), 1e308);
        engine->toggleMark(8, 8);
        QCOMPARE(engine->lastSavedAt(), clock.now());
    }
};

QTEST_GUILESS_MAIN(PersistenceTest)
#include "PersistenceTest.moc"
