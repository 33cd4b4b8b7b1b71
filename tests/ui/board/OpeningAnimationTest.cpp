// SPDX-License-Identifier: GPL-3.0-or-later
// Qt Test suite for the opening animation: its entries, its timer and its drawing.
#include "ui/board/OpeningAnimation.h"

#include "BoardTestGame.h"

#include "ui/board/BoardPalette.h"
#include "ui/board/BoardSurface.h"

#include <QImage>
#include <QTest>

#include <algorithm>

namespace {

/// A wall of mines down column 4: uncovering either side floods just that side, 36 squares
/// on the left, 35 on the right around the tenth mine, which makes up the size's count.
Board floodBoard()
{
    std::vector<Point> mines { { 8, 4 } };
    for (std::int64_t y = 0; y < 9; ++y)
        mines.push_back(Point { 4, y });
    return boardWithMines(Difficulty::beginner, mines);
}

class OpeningAnimationTest : public QObject {
    Q_OBJECT

private slots:
    void floodsStartTogetherAndExpireOnTheirOwn();
    void marksAndFirstShowing();
    void difficultyChangeResets();
    void overlayShrinksAndFades();
};

} // namespace

void OpeningAnimationTest::floodsStartTogetherAndExpireOnTheirOwn()
{
    BoardTestGame game(floodBoard());
    BoardView& view = game.view();
    view.show();
    OpeningAnimation& opening = view.opening();
    QVERIFY(opening.opened().empty());
    QVERIFY(!opening.isRunning());
    std::vector<Point> redrawn;
    QObject::connect(&opening, &OpeningAnimation::frameAdvanced,
        [&redrawn](const std::vector<Point>& squares) { redrawn = squares; });

    // Every square a flood uncovers has an entry, all with the one instant of the move.
    game.engine().reveal(0, 8);
    QCOMPARE(game.board().revealedCount, std::int64_t { 36 });
    QCOMPARE(opening.opened().size(), std::size_t { 36 });
    QVERIFY(std::all_of(opening.opened().begin(), opening.opened().end(),
        [](const auto& entry) { return entry.second == 1000.0; }));
    QVERIFY(opening.isRunning());

    // 0.1 s in nothing has expired, and each frame redraws the animating squares. A second
    // action then adds only its new squares, with the later instant.
    game.now = 1000.1;
    const std::int64_t tick = opening.tick();
    opening.advance();
    QCOMPARE(opening.tick(), tick + 1);
    QCOMPARE(redrawn.size(), std::size_t { 36 });
    game.engine().reveal(8, 8);
    QCOMPARE(opening.opened().size(), std::size_t { 71 });
    QCOMPARE(opening.opened().at(Point { 8, 0 }), 1000.1);
    QCOMPARE(opening.opened().at(Point { 0, 0 }), 1000.0);

    // At exactly 0.22 s the first ones go together, that frame still redraws them, and the
    // loop runs on for the later ones until they end too.
    game.now = 1000.22;
    opening.advance();
    QCOMPARE(opening.opened().size(), std::size_t { 35 });
    QVERIFY(!opening.opened().contains(Point { 0, 0 }));
    QCOMPARE(redrawn.size(), std::size_t { 71 });
    QVERIFY(opening.isRunning());
    game.now = 1000.32;
    opening.advance();
    QVERIFY(opening.opened().empty());
    QVERIFY(!opening.isRunning());
}

void OpeningAnimationTest::marksAndFirstShowing()
{
    Board board = floodBoard();
    uncover(board, { { 1, 3 }, { 2, 3 }, { 3, 3 } });
    BoardTestGame game(board);
    BoardView& view = game.view();
    OpeningAnimation& opening = view.opening();

    // A game restored with three uncovered squares: they open once, when first shown.
    QVERIFY(opening.opened().empty());
    view.show();
    QCOMPARE(opening.opened().size(), std::size_t { 3 });
    game.now = 1001;
    opening.advance();
    QVERIFY(!opening.isRunning());

    // Showing again, or marking a square, finds nothing fresh and starts nothing.
    view.hide();
    view.show();
    game.engine().toggleMark(7, 7);
    QCOMPARE(game.engine().moveCount(), 1);
    QVERIFY(opening.opened().empty());
    QVERIFY(!opening.isRunning());

    // Switching between fitting and scrolling shows the surface anew; nothing fresh either.
    view.resize(150, 150);
    QVERIFY(view.isScrolling());
    QVERIFY(opening.opened().empty());
}

void OpeningAnimationTest::difficultyChangeResets()
{
    BoardTestGame game(floodBoard());
    BoardView& view = game.view();
    view.show();
    OpeningAnimation& opening = view.opening();
    game.engine().reveal(0, 8);
    QVERIFY(!opening.opened().empty());

    // A new game of the same size keeps what was uncovered before as known.
    game.engine().newGame(Difficulty::beginner);
    QVERIFY(!opening.opened().empty());
    QCOMPARE(opening.wasRevealed().size(), std::size_t { 36 });

    // Another size forgets both; the running timer stops after one more frame.
    game.engine().newGame(Difficulty::intermediate);
    QVERIFY(opening.opened().empty());
    QVERIFY(opening.wasRevealed().empty());
    QVERIFY(opening.isRunning());
    const std::int64_t tick = opening.tick();
    opening.advance();
    QCOMPARE(opening.tick(), tick + 1);
    QVERIFY(!opening.isRunning());
}

void OpeningAnimationTest::overlayShrinksAndFades()
{
    BoardTestGame game(floodBoard());
    BoardView& view = game.view();
    view.show();
    OpeningAnimation& opening = view.opening();
    game.engine().reveal(0, 8);
    const Point square { 1, 6 };

    // Linear progress: 0.11 s is halfway; negative ages are clamped to the start.
    QCOMPARE(*opening.progress(square, 1000.11), 0.5);
    QCOMPARE(*opening.progress(square, 999.0), 0.0);
    QVERIFY(!opening.progress(square, 1000.22));
    // A square without an entry gets no overlay.
    QVERIFY(!opening.progress(Point { 8, 8 }, 1000.1));

    const int side = 44;
    const QPoint centre(1 * side + 22, 6 * side + 22);
    const QPoint nearEdge(1 * side + 6, 6 * side + 22);
    // At the start the whole tile covers the uncovered square.
    QImage image = view.surface().grab().toImage();
    QVERIFY(!colourNear(image.pixelColor(centre), BoardPalette::openFill(), 4));
    QVERIFY(!colourNear(image.pixelColor(nearEdge), BoardPalette::openFill(), 4));
    // Halfway, the tile is 70 % of its size at half opacity: the centre is a blend, and
    // 12 points in from the square's edge (outside the shrunken tile) the open fill shows.
    game.now = 1000.11;
    image = view.surface().grab().toImage();
    const QColor blended = image.pixelColor(centre);
    const QColor tileMid = QColor::fromRgbF(0.905f, 0.925f, 0.95f);
    const QColor halfway =
        QColor::fromRgbF((0.905f + 0.69f) / 2, (0.925f + 0.73f) / 2, (0.95f + 0.79f) / 2);
    QVERIFY2(colourNear(blended, halfway, 6), qPrintable(blended.name()));
    QVERIFY(!colourNear(blended, tileMid, 6));
    QVERIFY(colourNear(image.pixelColor(nearEdge), BoardPalette::openFill(), 1));
    // After it, the plain fill.
    game.now = 1000.22;
    image = view.surface().grab().toImage();
    QVERIFY(colourNear(image.pixelColor(centre), BoardPalette::openFill(), 1));
}

int runOpeningAnimationTests(int argc, char** argv)
{
    OpeningAnimationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "OpeningAnimationTest.moc"
