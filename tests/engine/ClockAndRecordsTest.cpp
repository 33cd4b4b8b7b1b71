// SPDX-License-Identifier: GPL-3.0-or-later
// The game clock read from the wall clock, the end-of-game statistics, and the arithmetic at the
// limits that stored data from elsewhere can push them to.
#include "TestBoards.h"
#include "TestEngine.h"

#include "engine/GameEngine.h"

#include <QTest>

#include <limits>

namespace {

constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();

std::optional<std::int64_t> best(const GameEngine& engine)
{
    return engine.records().at(Difficulty::beginner).bestSeconds;
}

std::optional<std::int64_t> seconds(std::int64_t value)
{
    return value;
}

} // namespace

class ClockAndRecordsTest : public QObject {
    Q_OBJECT

private slots:
    void clockTruncatesTowardZero()
    {
        TwoFolders folders;
        FakeClock clock;
        const auto engine = makeEngine(folders.both(), clock);

        // Nothing runs before the first action.
        clock.advance(50);
        QCOMPARE(engine->elapsedSeconds(), 0);
        engine->toggleMark(4, 4);
        clock.advance(2.7);
        QCOMPARE(engine->elapsedSeconds(), 2);
        clock.advance(0.3);
        QCOMPARE(engine->elapsedSeconds(), 3);
        // A wall clock set back before the start reads 0, never a time no reader accepts.
        clock.set(startTime + 50 - 2.5);
        QCOMPARE(engine->elapsedSeconds(), 0);
    }

    void bestTimesFollowTheWholeSeconds()
    {
        TwoFolders folders;
        FakeClock clock;
        const auto engine = makeEngine(folders.both(), clock);

        // The first win sets the best time however slow it was.
        playWinningGame(*engine, clock, 5000);
        QCOMPARE(engine->board().phase, Board::Phase::won);
        QCOMPARE(best(*engine), seconds(5000));
        QVERIFY(engine->justSetRecord());
        // Faster sets it again, truncated: 41.9 s is 41.
        playWinningGame(*engine, clock, 41.9);
        QCOMPARE(best(*engine), seconds(41));
        QVERIFY(engine->justSetRecord());
        // The clock stands at the final time however long the player waits.
        clock.advance(1000);
        QCOMPARE(engine->elapsedSeconds(), 41);

        // Equal is not better. (A round start keeps the double arithmetic exact.)
        clock.set(startTime + 10'000);
        playWinningGame(*engine, clock, 41.0);
        QCOMPARE(best(*engine), seconds(41));
        QVERIFY(!engine->justSetRecord());
        // One second less is.
        playWinningGame(*engine, clock, 40.99);
        QCOMPARE(best(*engine), seconds(40));
        QVERIFY(engine->justSetRecord());
        // A loss counts as played only, and only for its own size.
        playLosingGame(*engine, clock, 3);
        playLosingGame(*engine, clock, 3, Difficulty::intermediate);
        QCOMPARE(engine->records().at(Difficulty::beginner), (Record { 5, 4, seconds(40) }));
        QCOMPARE(engine->records().at(Difficulty::intermediate), (Record { 1, 0, std::nullopt }));
        QVERIFY(!engine->justSetRecord());
    }

    void winsUnderOneSecondStoreOneAndStillCountAsNewBests()
    {
        TwoFolders folders;
        FakeClock clock;
        const auto engine = makeEngine(folders.both(), clock);

        playWinningGame(*engine, clock, 0.6);
        QCOMPARE(engine->elapsedSeconds(), 0);
        QCOMPARE(best(*engine), seconds(1));
        QVERIFY(engine->justSetRecord());
        // 0 beats the stored 1, so it is a new best again, stored as 1.
        playWinningGame(*engine, clock, 0.2);
        QCOMPARE(best(*engine), seconds(1));
        QVERIFY(engine->justSetRecord());
        // A full second ties the stored 1 and is not.
        playWinningGame(*engine, clock, 1.5);
        QVERIFY(!engine->justSetRecord());

        const auto stored = readStored(folders.local, recordsKey);
        QVERIFY(stored);
        QCOMPARE(decodeRecords(stored->toStdString()),
            std::optional(Records { { Difficulty::beginner, Record { 3, 3, seconds(1) } } }));
    }

    void countersAtTheirLimitsSaturate()
    {
        TwoFolders folders;
        FakeClock clock;
        // A game in play stored with the largest possible time, and counters at their limit.
        writeStoredGame(folders.local, SavedGame { nearlyWonBoard(), int64Max, startTime });
        writeStored(folders.local, recordsKey,
            QByteArray::fromStdString(encodeRecords({ { Difficulty::beginner,
                Record { recordCountLimit, recordCountLimit, std::nullopt } } })));
        const auto engine = makeEngine(folders.both(), clock);
        QCOMPARE(engine->elapsedSeconds(), int64Max);

        // The running part adds to a full clock without wrapping.
        clock.advance(10);
        QCOMPARE(engine->elapsedSeconds(), int64Max);
        engine->reveal(8, 8);
        QCOMPARE(engine->board().phase, Board::Phase::won);
        QCOMPARE(engine->bankedSeconds(), int64Max);
        QCOMPARE(engine->records().at(Difficulty::beginner),
            (Record { recordCountLimit, recordCountLimit, seconds(int64Max) }));
        QVERIFY(engine->justSetRecord());
    }

    void runningClockSurvivesExtremeWallClocks()
    {
        // A restored game in play whose clock started at startTime with `elapsed` banked.
        const auto readingAt = [](std::int64_t elapsed, Instant now) {
            TwoFolders folders;
            FakeClock clock;
            writeStoredGame(folders.local, SavedGame { nearlyWonBoard(), elapsed, startTime });
            const auto engine = makeEngine(folders.both(), clock);
            clock.set(now);
            return engine->elapsedSeconds();
        };
        // Centuries either way convert at the edge of the range instead of overflowing.
        QCOMPARE(readingAt(0, 1e300), int64Max);
        QCOMPARE(readingAt(0, -1e300), 0);
        QCOMPARE(readingAt(0, std::numeric_limits<double>::infinity()), int64Max);
        // The sum saturates too, in both directions.
        QCOMPARE(readingAt(int64Max - 5, startTime + 6), int64Max);

        // A broken clock adds nothing.
        QCOMPARE(readingAt(37, std::numeric_limits<double>::quiet_NaN()), 37);
    }
};

QTEST_GUILESS_MAIN(ClockAndRecordsTest)
#include "ClockAndRecordsTest.moc"
