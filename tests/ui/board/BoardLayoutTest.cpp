// SPDX-License-Identifier: GPL-3.0-or-later
// The size rule, both as arithmetic and as the arrangement of the view's widgets.
#include "ui/board/BoardLayout.h"

#include "BoardTestGame.h"

#include "ui/board/BoardSurface.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

namespace {

class BoardLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void squareSizeFollowsTheOfferedArea();
    void viewPlacesTheSurface();
};

} // namespace

void BoardLayoutTest::squareSizeFollowsTheOfferedArea()
{
    // Beginner in 500 × 400: floor(400 / 9) = 44, a 396-point board that fits.
    BoardLayout layout = BoardLayout::forArea(QSizeF(500, 400), Difficulty::beginner);
    QCOMPARE(layout.squareSize, 44.0);
    QCOMPARE(layout.boardSize, QSizeF(396, 396));
    QVERIFY(!layout.scrolls);

    // Expert at 600 wide: 20 points a square is below the minimum, so 22 and scrolling.
    layout = BoardLayout::forArea(QSizeF(600, 400), Difficulty::expert);
    QCOMPARE(layout.squareSize, 22.0);
    QCOMPARE(layout.boardSize, QSizeF(660, 352));
    QVERIFY(layout.scrolls);

    // Half a point of slack either way: 659.6 still fits a 660-point board, 659.4 does not.
    QVERIFY(!BoardLayout::forArea(QSizeF(659.6, 352), Difficulty::expert).scrolls);
    QVERIFY(BoardLayout::forArea(QSizeF(659.4, 352), Difficulty::expert).scrolls);
    QVERIFY(!BoardLayout::forArea(QSizeF(700, 351.5), Difficulty::expert).scrolls);
    QVERIFY(BoardLayout::forArea(QSizeF(700, 351.4), Difficulty::expert).scrolls);

    // Squares are whole points: 23.9 points a square rounds down.
    QCOMPARE(BoardLayout::forArea(QSizeF(30 * 23.9, 1000), Difficulty::expert).squareSize, 23.0);

    // No room at all (a collapsed layout) still gives the minimum, never zero or less.
    QCOMPARE(BoardLayout::forArea(QSizeF(0, 0), Difficulty::intermediate).squareSize, 22.0);
    QCOMPARE(BoardLayout::forArea(QSizeF(-5, 300), Difficulty::intermediate).squareSize, 22.0);
}

void BoardLayoutTest::viewPlacesTheSurface()
{
    BoardTestGame game(Board::fresh(Difficulty::beginner));
    BoardView& view = game.view(QSize(500, 400));
    view.show();

    // Fitting: at the top, centred horizontally, exactly the board's size, no scroll area.
    QCOMPARE(view.squareSize(), 44.0);
    QVERIFY(!view.isScrolling());
    QCOMPARE(view.surface().size(), QSize(396, 396));
    QCOMPARE(view.surface().mapTo(&view, QPoint(0, 0)), QPoint(52, 0));
    auto* scrollArea = view.findChild<QScrollArea*>();
    QVERIFY(scrollArea != nullptr);
    QVERIFY(!scrollArea->isVisible());

    // Another difficulty re-applies the rule: expert does not fit 500 points.
    game.engine().newGame(Difficulty::expert);
    QVERIFY(view.isScrolling());
    QVERIFY(scrollArea->isVisible());
    QCOMPARE(scrollArea->geometry(), view.rect());
    QCOMPARE(view.surface().size(), QSize(660, 352));
    QVERIFY(view.surface().isVisible());
    // It scrolls only the way it does not fit, exactly as far as it is larger: 400 points
    // hold its 352.
    QVERIFY(scrollArea->horizontalScrollBar()->isVisible());
    QCOMPARE(scrollArea->horizontalScrollBar()->maximum(), 160);
    QCOMPARE(scrollArea->verticalScrollBar()->maximum(), 0);
    // The keyboard's current square is scrolled into view as it moves.
    for (const Qt::Key key : { Qt::Key_End, Qt::Key_Home }) {
        QTest::keyClick(&view.surface(), key);
        const QRect square = view.surface().squareRect(view.surface().cursor()).toRect();
        QVERIFY(scrollArea->viewport()->rect().contains(
            QRect(view.surface().mapTo(scrollArea->viewport(), square.topLeft()), square.size())));
    }

    // Widening the view brings the board back out of the scroll area, centred.
    view.resize(700, 400);
    QVERIFY(!view.isScrolling());
    QVERIFY(!scrollArea->isVisible());
    QVERIFY(view.surface().isVisible());
    QCOMPARE(view.squareSize(), 23.0);
    QCOMPARE(view.surface().size(), QSize(690, 368));
    QCOMPARE(view.surface().mapTo(&view, QPoint(0, 0)), QPoint(5, 0));
    // Back out of the scroll area, the surface is transparent again (the scroll area had turned
    // its background on), so the window shows beside its rounded corners.
    QVERIFY(!view.surface().autoFillBackground());
}

int runBoardLayoutTests(int argc, char** argv)
{
    BoardLayoutTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "BoardLayoutTest.moc"
