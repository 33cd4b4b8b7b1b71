// SPDX-License-Identifier: GPL-3.0-or-later
// The LED counter's text rule and the status bar's counters, face and clock ticks.
#include "ui/window/StatusBar.h"

#include "WindowTestSupport.h"

#include "ui/window/FaceButton.h"
#include "ui/window/LEDCounter.h"

#include <QAccessible>
#include <QFontDatabase>
#include <QSignalSpy>
#include <QTest>

#include <limits>
#include <utility>

namespace {

class StatusBarTest : public QObject {
    Q_OBJECT

private slots:
    void ledTextStaysThreeCharactersAtItsLimits()
    {
        constexpr auto most = std::numeric_limits<std::int64_t>::max();
        constexpr auto least = std::numeric_limits<std::int64_t>::min();
        // Zero-padded to three digits, 999 at the top; negatives a minus and two digits to -99.
        const std::pair<std::int64_t, const char*> cases[] = { { 42, "042" }, { 999, "999" },
            { 1000, "999" }, { most, "999" }, { -1, "-01" }, { -99, "-99" }, { -100, "-99" },
            { least, "-99" } };
        for (const auto& [value, text] : cases)
            QCOMPARE(LEDCounter::text(value), QString::fromLatin1(text));
        // What is read aloud keeps the real value.
        LEDCounter counter;
        counter.setValue(123456);
        QCOMPARE(QAccessible::queryAccessibleInterface(&counter)->text(QAccessible::Value),
            QStringLiteral("123456"));
    }

    void minesCounterFollowsFlagsPastZero()
    {
        windowtest::TestGame game;
        StatusBar bar(*game.engine);
        // A new beginner board: ten mines, no flags.
        QCOMPARE(LEDCounter::text(bar.minesCounter().value()), QStringLiteral("010"));
        // Twelve flags on a ten-mine board go below zero.
        for (std::int64_t i = 0; i < 12; ++i)
            game.engine->toggleMark(i % 9, i / 9);
        QCOMPARE(LEDCounter::text(bar.minesCounter().value()), QStringLiteral("-02"));
        // A new game resets it.
        game.engine->newGame(Difficulty::expert);
        QCOMPARE(bar.minesCounter().value(), 99);
    }

    void faceFollowsThePhaseAndOnlyReports()
    {
        const QString smile = QStringLiteral("\U0001F642");
        // Ready and playing smile; a loss and a win have their own faces.
        windowtest::TestGame game(windowtest::nearlyWonGame());
        StatusBar bar(*game.engine);
        QSignalSpy pressed(&bar, &StatusBar::smileyClicked);
        QCOMPARE(bar.faceButton().text(), smile);
        game.engine->reveal(0, 0);
        QCOMPARE(bar.faceButton().text(), QStringLiteral("\U0001F635"));
        // A press after the end is reported once; the bar itself never starts a game.
        QTest::mouseClick(&bar.faceButton(), Qt::LeftButton);
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(game.engine->board().phase, Board::Phase::lost);
        game.engine->newGame(Difficulty::beginner);
        QCOMPARE(bar.faceButton().text(), smile);

        windowtest::TestGame winner(windowtest::nearlyWonGame());
        StatusBar winnerBar(*winner.engine);
        winner.engine->reveal(8, 8);
        QCOMPARE(winnerBar.faceButton().text(), QStringLiteral("\U0001F60E"));
    }

    void faceIsDrawnInColour()
    {
        if (!QFontDatabase::families().contains(QStringLiteral("Noto Color Emoji")))
            QSKIP("The Noto Color Emoji font is not installed");
        FaceButton face;
        const QImage image = face.grab().toImage();
        // The smile's yellow, which a monochrome fallback font would not produce.
        int yellow = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor colour = image.pixelColor(x, y);
                if (colour.red() > 200 && colour.green() > 150 && colour.blue() < 90)
                    ++yellow;
            }
        }
        QVERIFY2(yellow > 100, qPrintable(QStringLiteral("%1 yellow pixels").arg(yellow)));
    }

    void clockTicksOnlyWhileItRuns()
    {
        windowtest::TestGame game;
        StatusBar bar(*game.engine);
        // Ready: the clock stands at 000 and no timer runs.
        QCOMPARE(bar.clockCounter().value(), 0);
        QVERIFY(!bar.isTicking());
        // Playing: each tick reads the clock anew.
        startGame(*game.engine, Difficulty::beginner);
        QVERIFY(bar.isTicking());
        game.clock.advance(3.4);
        bar.refreshClock();
        QCOMPARE(bar.clockCounter().value(), 3);
        // Past 999 seconds the display stops at 999.
        game.clock.advance(2000);
        bar.refreshClock();
        QCOMPARE(LEDCounter::text(bar.clockCounter().value()), QStringLiteral("999"));
        // Over: the timer stops and the time stands still.
        game.engine->newGame(Difficulty::beginner);
        playLosingGame(*game.engine, game.clock, 5);
        QVERIFY(!bar.isTicking());
        const std::int64_t final = bar.clockCounter().value();
        QCOMPARE(final, 5);
        game.clock.advance(60);
        bar.refreshClock();
        QCOMPARE(bar.clockCounter().value(), final);
    }
};

} // namespace

int windowtest::runLedAndStatusTests(int argc, char** argv)
{
    StatusBarTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "StatusBarTest.moc"
