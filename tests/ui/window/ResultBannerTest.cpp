// SPDX-License-Identifier: GPL-3.0-or-later
// The result banner's titles, its statistics line byte for byte, and its border colour.
#include "ui/window/ResultBanner.h"

#include "WindowTestSupport.h"

#include "ui/window/Palette.h"

#include <QTest>

namespace {

Board boardIn(Difficulty difficulty, Board::Phase phase)
{
    Board board = Board::fresh(difficulty);
    board.phase = phase;
    return board;
}

class ResultBannerTest : public QObject {
    Q_OBJECT

private slots:
    void titleByOutcome()
    {
        QCOMPARE(ResultBanner::title(Board::Phase::lost, false), QStringLiteral("Boom."));
        // A record flag left over from elsewhere never turns a loss into a record.
        QCOMPARE(ResultBanner::title(Board::Phase::lost, true), QStringLiteral("Boom."));
        QCOMPARE(ResultBanner::title(Board::Phase::won, true), QStringLiteral("New best time!"));
        QCOMPARE(ResultBanner::title(Board::Phase::won, false), QStringLiteral("Cleared!"));
    }

    void statsLineForWinsAndLosses()
    {
        Records records;
        records[Difficulty::beginner] = Record { 7, 3, 38 };
        // A win: the time, the best, wins of games played.
        QCOMPARE(
            ResultBanner::statsLine(boardIn(Difficulty::beginner, Board::Phase::won), records, 42),
            QString::fromUtf8("Beginner in 42s \u00B7 best 38s \u00B7 3 of 7 won"));
        // A loss has no time part.
        QCOMPARE(
            ResultBanner::statsLine(boardIn(Difficulty::beginner, Board::Phase::lost), records, 42),
            QString::fromUtf8("Beginner \u00B7 best 38s \u00B7 3 of 7 won"));
        // Games played but never won: the best is an em dash.
        records[Difficulty::expert] = Record { 5, 0, std::nullopt };
        QCOMPARE(
            ResultBanner::statsLine(boardIn(Difficulty::expert, Board::Phase::lost), records, 9),
            QString::fromUtf8("Expert \u00B7 best \u2014 \u00B7 0 of 5 won"));
        // No record at all for the size counts as nothing played.
        QCOMPARE(
            ResultBanner::statsLine(boardIn(Difficulty::intermediate, Board::Phase::lost), {}, 0),
            QString::fromUtf8("Intermediate \u00B7 best \u2014 \u00B7 0 of 0 won"));
        // Large numbers stay plain decimal, without grouping.
        records[Difficulty::intermediate] = Record { 12345, 1234, 1000 };
        QCOMPARE(ResultBanner::statsLine(
                     boardIn(Difficulty::intermediate, Board::Phase::won), records, 1234),
            QString::fromUtf8("Intermediate in 1234s \u00B7 best 1000s \u00B7 1234 of 12345 won"));
    }

    void firstWinReadsAsANewBest()
    {
        windowtest::TestGame game(windowtest::nearlyWonGame(90));
        ResultBanner banner(*game.engine);
        banner.resize(500, banner.sizeHint().height());
        game.clock.advance(5.5);
        game.engine->reveal(8, 8);
        QCOMPARE(game.engine->board().phase, Board::Phase::won);
        QCOMPARE(banner.titleText(), QStringLiteral("New best time!"));
        QCOMPARE(banner.statsText(),
            QString::fromUtf8("Beginner in 95s \u00B7 best 95s \u00B7 1 of 1 won"));
        // Won: the border is the accent at 0.6 over the panel.
        const QColor border = banner.grab().toImage().pixelColor(banner.width() / 2, 0);
        QVERIFY2(border.red() > border.blue() + 40, qPrintable(border.name()));
    }

    void lossKeepsItsTextWhileANewGameBegins()
    {
        windowtest::TestGame game(windowtest::nearlyWonGame());
        ResultBanner banner(*game.engine);
        banner.resize(500, banner.sizeHint().height());
        game.engine->reveal(0, 0);
        QCOMPARE(banner.titleText(), QStringLiteral("Boom."));
        const QString line = banner.statsText();
        QCOMPARE(line, QString::fromUtf8("Beginner \u00B7 best \u2014 \u00B7 0 of 1 won"));
        // Lost: the border is the neutral panel border, not the accent.
        const QColor border = banner.grab().toImage().pixelColor(banner.width() / 2, 0);
        QVERIFY2(qAbs(border.red() - border.blue()) < 20, qPrintable(border.name()));
        // While it slides away after a new game it still shows the game that ended.
        game.engine->newGame(Difficulty::expert);
        QCOMPARE(banner.titleText(), QStringLiteral("Boom."));
        QCOMPARE(banner.statsText(), line);
    }
};

} // namespace

int windowtest::runResultBannerTests(int argc, char** argv)
{
    ResultBannerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ResultBannerTest.moc"
