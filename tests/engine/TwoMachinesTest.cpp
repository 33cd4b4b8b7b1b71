// SPDX-License-Identifier: GPL-3.0-or-later
// Two engines, each with its own data folder, sharing one sync folder: the same player on two
// machines. Moves travel between them, statistics merge both ways, and a stale game never wins.
#include "TestBoards.h"
#include "TestEngine.h"

#include "engine/GameEngine.h"

#include <QTest>

namespace {

struct Machine {
    Machine(const QString& syncFolder, std::vector<std::uint64_t> sequence)
        : engine(makeEngine({ local.path(), syncFolder }, clock, std::move(sequence)))
    {
    }

    /// Looks at the sync folder now and waits until the engine has handled what it found.
    bool catchUp() { return ::catchUp(*engine); }

    QTemporaryDir local;
    FakeClock clock;
    std::unique_ptr<GameEngine> engine;
};

} // namespace

class TwoMachinesTest : public QObject {
    Q_OBJECT

private slots:
    void playMovesBetweenMachines()
    {
        QTemporaryDir sync;
        Machine home(sync.path(), mixedSequence(1));
        Machine office(sync.path(), mixedSequence(2));
        const auto advance = [&](double seconds) {
            home.clock.advance(seconds);
            office.clock.advance(seconds);
        };

        // A game begun at home shows up at the office, clock and all.
        home.engine->newGame(Difficulty::intermediate);
        home.engine->toggleMark(5, 5);
        advance(6);
        home.engine->reveal(10, 10);
        QVERIFY(office.catchUp());
        QCOMPARE(office.engine->board(), home.engine->board());
        QCOMPARE(office.engine->elapsedSeconds(), 6);
        QCOMPARE(office.engine->lastSavedAt(), home.engine->lastSavedAt());
        QCOMPARE(office.engine->moveCount(), 0);
        // The clock runs on from the adopted time.
        advance(2.5);
        QCOMPARE(office.engine->elapsedSeconds(), 8);

        // Played on at the office, it comes back home.
        office.engine->toggleMark(0, 0);
        QVERIFY(home.catchUp());
        QCOMPARE(home.engine->board(), office.engine->board());
        QCOMPARE(home.engine->elapsedSeconds(), 8);
        // Home wrote nothing on adopting, so the office has nothing to catch up on.
        QVERIFY(!::catchUp(*office.engine, 100));
    }

    void statisticsMergeBothWays()
    {
        QTemporaryDir sync;
        Machine home(sync.path(), mixedSequence(3));
        Machine office(sync.path(), mixedSequence(4));

        playWinningGame(*home.engine, home.clock, 50);
        QVERIFY(office.catchUp());
        QCOMPARE(office.engine->records(), home.engine->records());

        // The office wins faster and loses once: home takes the better best and the counts.
        playWinningGame(*office.engine, office.clock, 30);
        playLosingGame(*office.engine, office.clock, 4);
        QVERIFY(home.catchUp());
        const Record merged { 3, 2, 30 };
        QCOMPARE(home.engine->records().at(Difficulty::beginner), merged);
        QCOMPARE(office.engine->records().at(Difficulty::beginner), merged);
        // Adopting the office's game leaves home's flag from its own first win as it was.
        QVERIFY(home.engine->justSetRecord());

        // A record set at home and a loss at the office before either catches up: the office
        // writes last, yet home keeps its record and hands it on with its next save.
        playWinningGame(*home.engine, home.clock, 20);
        playLosingGame(*office.engine, office.clock, 1);
        QVERIFY(home.catchUp());
        QCOMPARE(home.engine->records().at(Difficulty::beginner), (Record { 4, 3, 20 }));
        home.engine->newGame(Difficulty::beginner);
        QVERIFY(office.catchUp());
        QCOMPARE(office.engine->records(), home.engine->records());
    }

    void anOlderGameNeverReplacesANewerOne()
    {
        QTemporaryDir sync;
        Machine home(sync.path(), mixedSequence(5));
        Machine office(sync.path(), mixedSequence(6));
        // The office's clock is an hour behind.
        office.clock.advance(-3600);

        home.engine->newGame(Difficulty::expert);
        home.engine->toggleMark(1, 1);
        QVERIFY(office.catchUp());
        QCOMPARE(office.engine->board(), home.engine->board());

        // The office's own move is stamped an hour earlier than the game it just adopted.
        office.engine->toggleMark(2, 2);
        QVERIFY(home.catchUp());
        QCOMPARE(home.engine->board().cellAt(2, 2).mark, Mark::none);
        QCOMPARE(home.engine->board().cellAt(1, 1).mark, Mark::flag);
    }
};

QTEST_GUILESS_MAIN(TwoMachinesTest)
#include "TwoMachinesTest.moc"
