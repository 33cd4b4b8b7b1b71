// SPDX-License-Identifier: GPL-3.0-or-later
// The post-mortem: what it finds for a losing reveal or chord, and the line and ring it leaves
// in the window until the next game.
#include "ui/window/PostMortem.h"

#include "WindowTestSupport.h"

#include "ui/board/BoardSurface.h"
#include "ui/board/BoardView.h"
#include "ui/window/ContentView.h"
#include "ui/window/ResultBanner.h"

#include <QTest>
#include <QThreadPool>

namespace {

using Finding = PostMortem::Finding;
using Kind = PostMortem::Finding::Kind;
using Move = GameEngine::LosingMove;

class PostMortemTest : public QObject {
    Q_OBJECT

private slots:
    void findingsAndTheirLines()
    {
        // Every covered square but (8, 8) holds a mine, and the numbers around it say so.
        const Board nearlyWon = nearlyWonBoard();
        QCOMPARE(PostMortem::examine(Move { Move::Kind::reveal, { 0, 0 }, nearlyWon }),
            (Finding { Kind::safeSquareKnown, { 8, 8 }, 0 }));
        // Nothing uncovered: every square holds a mine 10 times in 81.
        Board untouched = Board::fresh(Difficulty::beginner);
        untouched.phase = Board::Phase::playing;
        untouched.minesLaid = true;
        QCOMPARE(PostMortem::examine(Move { Move::Kind::reveal, { 4, 4 }, untouched }),
            (Finding { Kind::forcedGuess, { 4, 4 }, 12 }));
        // A chord on (1, 1) trusting a right flag on (0, 0) and a wrong one on (2, 1).
        Board flagged = nearlyWon;
        for (const Point p : { Point { 0, 0 }, Point { 2, 1 } }) {
            Cell& cell = flagged.cells[static_cast<std::size_t>(flagged.index(p.x, p.y))];
            cell.isRevealed = false;
            cell.mark = Mark::flag;
        }
        QCOMPARE(PostMortem::examine(Move { Move::Kind::chord, { 1, 1 }, flagged }),
            (Finding { Kind::wrongFlag, { 2, 1 }, 0 }));
        // Numbers that no layout satisfies, and a malformed board, give no finding.
        Board contradictory = nearlyWon;
        contradictory.cells[static_cast<std::size_t>(nearlyWon.index(7, 7))].adjacent = 3;
        QCOMPARE(PostMortem::examine(Move { Move::Kind::reveal, { 0, 0 }, contradictory }),
            std::nullopt);
        Board malformed = nearlyWon;
        malformed.cells.pop_back();
        QCOMPARE(
            PostMortem::examine(Move { Move::Kind::reveal, { 0, 0 }, malformed }), std::nullopt);

        QCOMPARE(PostMortem::text({ Kind::safeSquareKnown, {}, 0 }),
            QStringLiteral("A safe square could be known: it is outlined."));
        QCOMPARE(PostMortem::text({ Kind::forcedGuess, {}, 12 }),
            QStringLiteral(
                "A forced guess: no safe square could be known (12% chance of a mine here)."));
        QCOMPARE(PostMortem::text({ Kind::wrongFlag, {}, 0 }),
            QStringLiteral("A flag was wrong: the chord trusted it."));
        // A forced guess rings nothing: the clicked square shows its mine anyway.
        QCOMPARE(PostMortem::outlined(Finding { Kind::forcedGuess, { 4, 4 }, 12 }), std::nullopt);
    }

    void lineAndRingLastUntilTheNextGame()
    {
        windowtest::TestGame game(windowtest::nearlyWonGame());
        ContentView view(*game.engine);
        view.resize(620, 700);
        view.show();
        const BoardSurface& surface = view.boardView().surface();
        const QString statsBefore = view.resultBanner().statsText();

        game.engine->reveal(0, 0);
        QTRY_COMPARE(view.resultBanner().postMortemText(),
            QStringLiteral("A safe square could be known: it is outlined."));
        QCOMPARE(surface.outlinedSquare(), std::optional(Point { 8, 8 }));
        QVERIFY(view.resultBanner().statsText() != statsBefore);
        // The ring lies inside the square's left edge, in the accent colour.
        const double side = surface.squareSize();
        const QColor ring = const_cast<BoardSurface&>(surface).grab().toImage().pixelColor(
            int(8 * side + 1), int(8 * side + side / 2));
        QVERIFY2(ring.red() > 200 && ring.green() > 140 && ring.green() < 210 && ring.blue() < 100,
            qPrintable(ring.name()));

        // The next game takes the ring away at once.
        game.engine->newGame(Difficulty::beginner);
        QCOMPARE(surface.outlinedSquare(), std::nullopt);
        // A loss given up for a new game before its analysis is back: the late result is
        // dropped, and the banner of that loss shows no line from the one before.
        playLosingGame(*game.engine, game.clock, 3);
        QCOMPARE(game.engine->board().phase, Board::Phase::lost);
        QCOMPARE(view.resultBanner().postMortemText(), QString());
        game.engine->newGame(Difficulty::beginner);
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QCOMPARE(view.postMortem().finding(), std::nullopt);
        QCOMPARE(surface.outlinedSquare(), std::nullopt);
    }
};

} // namespace

int windowtest::runPostMortemTests(int argc, char** argv)
{
    PostMortemTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "PostMortemTest.moc"
