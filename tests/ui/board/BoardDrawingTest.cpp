// SPDX-License-Identifier: GPL-3.0-or-later
// Qt Test suite for what the board surface paints: colours at known spots of known squares.
#include "BoardTestGame.h"

#include "ui/board/BoardPalette.h"
#include "ui/board/BoardShadowPainter.h"
#include "ui/board/BoardSurface.h"

#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <cstdlib>

namespace {

constexpr int side = 44; // beginner in 500 × 400

/// Ten mines: a ring round (5,5), which shows 8, and one each at (0,8) and (8,0).
Board drawingBoard()
{
    Board board = boardWithMines(Difficulty::beginner,
        { { 4, 4 }, { 5, 4 }, { 6, 4 }, { 4, 5 }, { 6, 5 }, { 4, 6 }, { 5, 6 }, { 6, 6 }, { 0, 8 },
            { 8, 0 } });
    // (3,3) shows 1, (3,4) 2, (3,5) 3, (0,0) nothing.
    uncover(board, { { 5, 5 }, { 3, 3 }, { 3, 4 }, { 3, 5 }, { 0, 0 } });
    flag(board, { { 8, 0 }, { 2, 2 } });
    board.cells[static_cast<std::size_t>(board.index(1, 4))].mark = Mark::question;
    return board;
}

/// Pixels of the square within tolerance of colour.
int countInSquare(const QImage& image, int x, int y, QColor colour, int tolerance = 3)
{
    int count = 0;
    for (int py = y * side; py < (y + 1) * side; ++py)
        for (int px = x * side; px < (x + 1) * side; ++px)
            count += colourNear(image.pixelColor(px, py), colour, tolerance) ? 1 : 0;
    return count;
}

QImage grabAtRest(BoardTestGame& game)
{
    BoardSurface& surface = game.surface();
    // Long after any opening animation the showing or the last move started.
    game.now += 10;
    return surface.grab().toImage();
}

#define VERIFY_COLOUR(actual, expected, tolerance)                                                 \
    QVERIFY2(colourNear(actual, expected, tolerance),                                              \
        qPrintable(QStringLiteral("%1 is not %2").arg(actual.name(), expected.name())))

class BoardDrawingTest : public QObject {
    Q_OBJECT

private slots:
    void squaresInPlay();
    void lostBoard();
    void wonBoard();
    void gapsStayCrispAtEveryPixelRatio();
    void shadowFallsBelowTheBoard();
};

} // namespace

void BoardDrawingTest::squaresInPlay()
{
    if (QFontDatabase::families().isEmpty())
        QSKIP("no fonts installed, so counts cannot be drawn");
    BoardTestGame game(drawingBoard());
    const QImage image = grabAtRest(game);
    QCOMPARE(image.size(), QSize(9 * side, 9 * side));

    // A covered tile: halfway down its gradient at the centre.
    const QColor mid = QColor::fromRgbF(0.905f, 0.925f, 0.95f);
    VERIFY_COLOUR(image.pixelColor(2 * side + 22, 1 * side + 22), mid, 3);
    // Between two covered tiles the board's background shows.
    VERIFY_COLOUR(image.pixelColor(2 * side, 1 * side + 22), BoardPalette::boardBackground(), 1);
    // An uncovered 0: plain fill, nothing drawn on it.
    VERIFY_COLOUR(image.pixelColor(22, 22), BoardPalette::openFill(), 1);
    QCOMPARE(countInSquare(image, 0, 0, BoardPalette::openFill(), 1) > side * side * 8 / 10, true);

    // Counts in their colours, 8 in grey; a count's colour is not spilled into its neighbours.
    QVERIFY(countInSquare(image, 3, 3, BoardPalette::numberColor(1)) > 10);
    QVERIFY(countInSquare(image, 3, 4, BoardPalette::numberColor(2)) > 10);
    QVERIFY(countInSquare(image, 3, 5, BoardPalette::numberColor(3)) > 10);
    QVERIFY(countInSquare(image, 5, 5, QColor::fromRgbF(0.4f, 0.4f, 0.4f)) > 10);
    QCOMPARE(countInSquare(image, 3, 3, BoardPalette::numberColor(2)), 0);

    // A flag in play is red, never the cross; a question mark in its ink.
    QVERIFY(countInSquare(image, 8, 0, BoardPalette::flagRed()) > 10);
    QCOMPARE(countInSquare(image, 2, 2, BoardPalette::wrongFlagCross(), 2), 0);
    QVERIFY(countInSquare(image, 1, 4, BoardPalette::questionInk()) > 10);
}

void BoardDrawingTest::lostBoard()
{
    BoardTestGame game(drawingBoard());
    game.engine().reveal(0, 8);
    QCOMPARE(game.board().phase, Board::Phase::lost);
    const QImage image = grabAtRest(game);

    // The mine that ended it, on red; its centre is the mine's black body.
    VERIFY_COLOUR(image.pixelColor(6, 8 * side + 6), BoardPalette::explodedFill(), 1);
    VERIFY_COLOUR(image.pixelColor(22, 8 * side + 22), QColor(Qt::black), 1);
    // The other mines are uncovered on the plain fill, flagged or not.
    VERIFY_COLOUR(image.pixelColor(8 * side + 6, 6), BoardPalette::openFill(), 1);
    VERIFY_COLOUR(image.pixelColor(8 * side + 22, 22), QColor(Qt::black), 1);
    VERIFY_COLOUR(image.pixelColor(4 * side + 6, 4 * side + 6), BoardPalette::openFill(), 1);
    // The flag on a safe square is crossed out instead.
    QVERIFY(countInSquare(image, 2, 2, BoardPalette::wrongFlagCross(), 2) > 10);
    QCOMPARE(countInSquare(image, 2, 2, BoardPalette::flagRed(), 2), 0);
    // The question mark stays.
    QVERIFY(countInSquare(image, 1, 4, BoardPalette::questionInk()) > 10);
}

void BoardDrawingTest::wonBoard()
{
    Board board = drawingBoard();
    board.cells[static_cast<std::size_t>(board.index(2, 2))].mark = Mark::none;
    board.cells[static_cast<std::size_t>(board.index(1, 4))].mark = Mark::none;
    board.flagCount = 1;
    BoardTestGame game(board);
    // Uncovering every other safe square wins, and the rules flag every mine.
    for (std::int64_t y = 0; y < 9; ++y)
        for (std::int64_t x = 0; x < 9; ++x)
            if (!game.board().cellAt(x, y).isMine)
                game.engine().reveal(x, y);
    QCOMPARE(game.board().phase, Board::Phase::won);
    const QImage image = grabAtRest(game);

    for (const Point mine : { Point { 4, 4 }, Point { 0, 8 }, Point { 8, 0 } }) {
        QVERIFY(countInSquare(image, static_cast<int>(mine.x), static_cast<int>(mine.y),
                    BoardPalette::flagRed()) > 10);
        QCOMPARE(countInSquare(image, static_cast<int>(mine.x), static_cast<int>(mine.y),
                     BoardPalette::wrongFlagCross(), 2),
            0);
    }
    // No mine is uncovered on a won board: the ring's inside is a tile's gradient, not black.
    QCOMPARE(countInSquare(image, 4, 4, QColor(Qt::black), 2), 0);
}

void BoardDrawingTest::gapsStayCrispAtEveryPixelRatio()
{
    BoardTestGame game(Board::fresh(Difficulty::beginner));
    BoardSurface& surface = game.surface();
    for (const double ratio : { 1.0, 1.25, 1.5, 2.0 }) {
        QImage image(surface.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        surface.render(&image);
        // Every gap between two tiles keeps at least one pixel column of pure background:
        // tiles drawn off the pixel grid or resampled would smear it.
        const int row = static_cast<int>(4.5 * side * ratio);
        for (int column = 1; column < 9; ++column) {
            const int edge = static_cast<int>(column * side * ratio);
            bool pure = false;
            for (int px = edge - 2; px <= edge + 2; ++px)
                pure = pure ||
                    colourNear(image.pixelColor(px, row), BoardPalette::boardBackground(), 1);
            QVERIFY2(pure, qPrintable(QStringLiteral("ratio %1, gap %2").arg(ratio).arg(column)));
        }
        // The board's corners are rounded off: nothing is drawn in the very corner pixels,
        // while the edge halfway down is drawn solid.
        const int right = image.width() - 1;
        const int bottom = image.height() - 1;
        for (const QPoint corner :
            { QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom) })
            QCOMPARE(image.pixelColor(corner).alpha(), 0);
        QCOMPARE(image.pixelColor(0, bottom / 2).alpha(), 255);
    }
}

void BoardDrawingTest::shadowFallsBelowTheBoard()
{
    // A beginner board of 55-point squares, its shadow drawn on white the way the window draws
    // it under the board view.
    const QRectF board(40, 40, 9 * 55, 9 * 55);
    QImage image(600, 640, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        BoardShadowPainter().paint(painter, board, QRegion(image.rect()));
    }
    const int bottom = static_cast<int>(board.bottom());

    // Just under the board the shadow darkens the backdrop and fades out downwards; well clear
    // of it the backdrop is untouched.
    const QColor under = image.pixelColor(250, bottom + 6);
    QVERIFY2(under.red() < 220, qPrintable(under.name()));
    QVERIFY(image.pixelColor(250, bottom + 20).red() > under.red());
    QCOMPARE(image.pixelColor(250, bottom + 60), QColor(Qt::white));
    // It reaches past the sides too, and leaves alone what the board itself covers.
    QVERIFY(image.pixelColor(static_cast<int>(board.left()) - 4, 250).red() < 250);
    QCOMPARE(image.pixelColor(250, 250), QColor(Qt::white));
}

int runBoardDrawingTests(int argc, char** argv)
{
    BoardDrawingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "BoardDrawingTest.moc"
