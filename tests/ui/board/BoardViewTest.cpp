// SPDX-License-Identifier: GPL-3.0-or-later
// The board view against a real engine on a throw-away folder, started from boards laid out by
// hand: the size rule, what each button, modifier, hold and key does, what is painted, the opening
// animation and the accessible table.
#include "ui/board/BoardView.h"

#include "TestBoards.h"
#include "TestEngine.h"

#include "engine/GameEngine.h"
#include "ui/board/BoardAccessible.h"
#include "ui/board/BoardLayout.h"
#include "ui/board/BoardPalette.h"
#include "ui/board/BoardShadowPainter.h"
#include "ui/board/BoardSurface.h"
#include "ui/board/OpeningAnimation.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

constexpr double side = 44.0; // beginner in 500 × 400
// A covered tile halfway down its gradient.
const QColor tileMid = QColor::fromRgbF(0.905f, 0.925f, 0.95f);

/// The board saved on a throw-away folder and restored by the engine, and a view (made on first
/// use; not shown yet, so nothing animates) on the same hand-moved clock.
struct BoardTestGame {
    TwoFolders folders;
    FakeClock clock;
    std::unique_ptr<GameEngine> engine;
    std::unique_ptr<BoardView> boardView;

    explicit BoardTestGame(const Board& saved)
    {
        clock.set(1000.0);
        writeStoredGame(folders.local, SavedGame { saved, 0, 500.0 });
        engine = makeEngine(folders.localOnly(), clock);
    }
    const Board& board() const { return engine->board(); }
    BoardView& view(QSize area = QSize(500, 400))
    {
        if (!boardView) {
            boardView = std::make_unique<BoardView>(*engine, clock.function());
            boardView->resize(area);
        }
        return *boardView;
    }
    /// Shown, since a hidden widget defers its resize and the size rule would not have run.
    BoardSurface& surface()
    {
        view().show();
        return boardView->surface();
    }
};

bool colourNear(const QColor& actual, const QColor& expected, int tolerance)
{
    return std::abs(actual.red() - expected.red()) <= tolerance &&
        std::abs(actual.green() - expected.green()) <= tolerance &&
        std::abs(actual.blue() - expected.blue()) <= tolerance;
}

#define VERIFY_COLOUR(actual, expected, tolerance)                                                 \
    QVERIFY2(colourNear(actual, expected, tolerance),                                              \
        qPrintable(QStringLiteral("%1 is not %2").arg((actual).name(), (expected).name())))

Board beginnerWith(std::vector<Point> mines)
{
    return boardWithMines(Difficulty::beginner, mines);
}

/// Mines at (0,0), (2,0) and (8,8), both top mines flagged; (1,0) shows its 2 and (5,0) a 0. The
/// bottom-left block only makes up the size's ten mines.
Board inputBoard()
{
    Board board = beginnerWith({ { 0, 0 }, { 2, 0 }, { 8, 8 }, { 0, 8 }, { 1, 8 }, { 0, 7 },
        { 1, 7 }, { 0, 6 }, { 1, 6 }, { 0, 5 } });
    uncover(board, { { 1, 0 }, { 5, 0 } });
    flag(board, { { 0, 0 }, { 2, 0 } });
    return board;
}

/// Ten mines: a ring round (5,5), which shows 8, and one each at (0,8) and (8,0); (3,3) shows 1,
/// (3,4) 2, (3,5) 3, (0,0) nothing; flags on (8,0) and the safe (2,2), a question mark on (1,4).
Board drawingBoard()
{
    Board board = beginnerWith({ { 4, 4 }, { 5, 4 }, { 6, 4 }, { 4, 5 }, { 6, 5 }, { 4, 6 },
        { 5, 6 }, { 6, 6 }, { 0, 8 }, { 8, 0 } });
    uncover(board, { { 5, 5 }, { 3, 3 }, { 3, 4 }, { 3, 5 }, { 0, 0 } });
    flag(board, { { 8, 0 }, { 2, 2 } });
    board.cells[static_cast<std::size_t>(board.index(1, 4))].mark = Mark::question;
    return board;
}

/// A wall of mines down column 4 and one at (8,4): uncovering either side floods just that side,
/// 36 squares on the left, 35 on the right.
Board floodBoard()
{
    std::vector<Point> mines { { 8, 4 } };
    for (std::int64_t y = 0; y < 9; ++y)
        mines.push_back(Point { 4, y });
    return beginnerWith(mines);
}

QPointF centreOf(std::int64_t x, std::int64_t y)
{
    return QPointF((static_cast<double>(x) + 0.5) * side, (static_cast<double>(y) + 0.5) * side);
}

bool send(QWidget& widget, QEvent::Type type, Qt::MouseButton button, QPointF at, quint64 timestamp,
    Qt::KeyboardModifiers modifiers = {})
{
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, at, widget.mapToGlobal(at),
        type == QEvent::MouseMove ? Qt::NoButton : button, held, modifiers);
    event.setTimestamp(timestamp);
    event.setAccepted(false);
    QApplication::sendEvent(&widget, &event);
    return event.isAccepted();
}

bool press(QWidget& widget, QPointF at, quint64 timestamp, Qt::MouseButton button = Qt::LeftButton,
    Qt::KeyboardModifiers modifiers = {})
{
    return send(widget, QEvent::MouseButtonPress, button, at, timestamp, modifiers);
}

void move(QWidget& widget, QPointF at, quint64 timestamp)
{
    send(widget, QEvent::MouseMove, Qt::LeftButton, at, timestamp);
}

void release(QWidget& widget, QPointF at, quint64 timestamp)
{
    send(widget, QEvent::MouseButtonRelease, Qt::LeftButton, at, timestamp);
}

void click(QWidget& widget, QPointF at, quint64 timestamp = 0, Qt::KeyboardModifiers modifiers = {})
{
    press(widget, at, timestamp, Qt::LeftButton, modifiers);
    send(widget, QEvent::MouseButtonRelease, Qt::LeftButton, at, timestamp + 80, modifiers);
}

/// Pixels of the square within tolerance of colour.
int countInSquare(const QImage& image, Point square, QColor colour, int tolerance = 3)
{
    const int s = static_cast<int>(side);
    int count = 0;
    for (int py = static_cast<int>(square.y) * s; py < static_cast<int>(square.y + 1) * s; ++py)
        for (int px = static_cast<int>(square.x) * s; px < static_cast<int>(square.x + 1) * s; ++px)
            count += colourNear(image.pixelColor(px, py), colour, tolerance) ? 1 : 0;
    return count;
}

QImage grabAtRest(BoardTestGame& game)
{
    BoardSurface& surface = game.surface();
    game.clock.advance(10); // long after any opening animation
    return surface.grab().toImage();
}

class BoardTest : public QObject {
    Q_OBJECT

private slots:
    void squareSizeFollowsTheOfferedArea()
    {
        struct Case {
            QSizeF area;
            Difficulty difficulty;
            double square;
            bool scrolls;
        };
        const Case cases[] = {
            // floor(400 / 9) = 44, a 396-point board that fits.
            { { 500, 400 }, Difficulty::beginner, 44, false },
            // 20 points a square is below the minimum, so 22 and scrolling.
            { { 600, 400 }, Difficulty::expert, 22, true },
            // Half a point of slack either way.
            { { 659.6, 352 }, Difficulty::expert, 22, false },
            { { 659.4, 352 }, Difficulty::expert, 22, true },
            { { 700, 351.5 }, Difficulty::expert, 22, false },
            { { 700, 351.4 }, Difficulty::expert, 22, true },
            // Whole points: 23.9 rounds down.
            { { 30 * 23.9, 1000 }, Difficulty::expert, 23, false },
            // No room at all (a collapsed layout) still gives the minimum.
            { { 0, 0 }, Difficulty::intermediate, 22, true },
            { { -5, 300 }, Difficulty::intermediate, 22, true },
        };
        for (const Case& c : cases) {
            const BoardLayout layout = BoardLayout::forArea(c.area, c.difficulty);
            QCOMPARE(layout.scrolls, c.scrolls);
            QCOMPARE(layout.squareSize, c.square);
        }
        QCOMPARE(BoardLayout::forArea(QSizeF(500, 400), Difficulty::beginner).boardSize,
            QSizeF(396, 396));
        QCOMPARE(
            BoardLayout::forArea(QSizeF(600, 400), Difficulty::expert).boardSize, QSizeF(660, 352));
    }

    void viewPlacesTheSurface()
    {
        BoardTestGame game(Board::fresh(Difficulty::beginner));
        BoardView& view = game.view(QSize(500, 400));
        view.show();
        BoardSurface& surface = view.surface();
        auto* scrollArea = view.findChild<QScrollArea*>();
        QVERIFY(scrollArea);
        // Fitting: at the top, centred horizontally, exactly the board's size, no scroll area.
        QCOMPARE(view.squareSize(), 44.0);
        QVERIFY(!view.isScrolling() && !scrollArea->isVisible());
        QCOMPARE(surface.size(), QSize(396, 396));
        QCOMPARE(surface.mapTo(&view, QPoint(0, 0)), QPoint(52, 0));

        // Expert does not fit 500 points; it scrolls only the way it does not fit, exactly as
        // far as it is larger.
        game.engine->newGame(Difficulty::expert);
        QVERIFY(view.isScrolling() && scrollArea->isVisible() && surface.isVisible());
        QCOMPARE(scrollArea->geometry(), view.rect());
        QCOMPARE(surface.size(), QSize(660, 352));
        QVERIFY(scrollArea->horizontalScrollBar()->isVisible());
        QCOMPARE(scrollArea->horizontalScrollBar()->maximum(), 160);
        QCOMPARE(scrollArea->verticalScrollBar()->maximum(), 0);
        // The keyboard's current square is scrolled into view as it moves.
        for (const Qt::Key key : { Qt::Key_End, Qt::Key_Home }) {
            QTest::keyClick(&surface, key);
            const QRect square = surface.squareRect(surface.cursor()).toRect();
            QVERIFY(scrollArea->viewport()->rect().contains(
                QRect(surface.mapTo(scrollArea->viewport(), square.topLeft()), square.size())));
        }

        // Widening brings the board back out of the scroll area, centred and transparent again
        // (the scroll area had turned its background on), so the window shows beside its corners.
        view.resize(700, 400);
        QVERIFY(!view.isScrolling() && !scrollArea->isVisible() && surface.isVisible());
        QCOMPARE(view.squareSize(), 23.0);
        QCOMPARE(surface.size(), QSize(690, 368));
        QCOMPARE(surface.mapTo(&view, QPoint(0, 0)), QPoint(5, 0));
        QVERIFY(!surface.autoFillBackground());

        // Expert as wide as its smallest squares but too low for them scrolls down only.
        view.resize(660, 300);
        QVERIFY(view.isScrolling());
        QCOMPARE(scrollArea->widget()->size(), QSize(660, 352));
        QCOMPARE(scrollArea->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(scrollArea->verticalScrollBar()->maximum(), 52);
    }

    void leftClicksAndControlClicks()
    {
        BoardTestGame game(inputBoard());
        QCOMPARE(game.board(), inputBoard());
        BoardSurface& surface = game.surface();
        QSignalSpy boardChanges(game.engine.get(), &GameEngine::boardChanged);
        // A number whose flags are complete chords.
        click(surface, centreOf(1, 0));
        QVERIFY(game.board().cellAt(1, 1).isRevealed);
        QCOMPARE(game.engine->moveCount(), 1);
        // A 0 chords too, which the rules refuse: the engine hears it, nothing moves.
        boardChanges.clear();
        click(surface, centreOf(5, 0));
        QCOMPARE(boardChanges.count(), 1);
        QCOMPARE(game.engine->moveCount(), 1);
        // The far edge (x = W) maps to column 9, outside: the engine is not even asked; nor is
        // it for a click let go off the surface.
        boardChanges.clear();
        click(surface, QPointF(9 * side, 10));
        click(surface, QPointF(10, 9 * side));
        press(surface, centreOf(4, 4), 100);
        release(surface, QPointF(-30, 30), 150);
        QCOMPARE(boardChanges.count(), 0);
        // A covered square is uncovered, and its flood spreads.
        click(surface, centreOf(4, 4));
        QVERIFY(game.board().cellAt(4, 4).isRevealed && game.board().cellAt(8, 0).isRevealed);
        QCOMPARE(game.engine->moveCount(), 2);

        // Control cycles the mark instead of uncovering; on an uncovered square it is refused.
        BoardTestGame marking(inputBoard());
        BoardSurface& marked = marking.surface();
        click(marked, centreOf(4, 4), 0, Qt::ControlModifier);
        QCOMPARE(marking.board().cellAt(4, 4).mark, Mark::flag);
        QVERIFY(!marking.board().cellAt(4, 4).isRevealed);
        click(marked, centreOf(4, 4), 200, Qt::ControlModifier);
        QCOMPARE(marking.board().cellAt(4, 4).mark, Mark::question);
        click(marked, centreOf(1, 0), 400, Qt::ControlModifier);
        QCOMPARE(marking.engine->moveCount(), 2);
        // Shift, Alt and Meta are ignored: a plain click uncovers.
        click(marked, centreOf(8, 7), 600, Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier);
        QVERIFY(marking.board().cellAt(8, 7).isRevealed);
        QCOMPARE(marking.engine->moveCount(), 3);

        // In flag mode covered squares are marked; an uncovered number still chords.
        BoardTestGame flagging(inputBoard());
        flagging.view().setFlagMode(true);
        click(flagging.surface(), centreOf(4, 4));
        QCOMPARE(flagging.board().cellAt(4, 4).mark, Mark::flag);
        QVERIFY(!flagging.board().cellAt(4, 4).isRevealed);
        click(flagging.surface(), centreOf(1, 0), 200);
        QVERIFY(flagging.board().cellAt(1, 1).isRevealed);
    }

    void pressAndHoldMarksWhereReleased()
    {
        BoardTestGame game(inputBoard());
        BoardSurface& surface = game.surface();
        struct Case {
            QPointF from, to;
            quint64 moveAfter, releaseAfter;
            std::int64_t moves;
        };
        const Case cases[] = {
            // 350 ms still: a mark, and the release is not also a click.
            { centreOf(4, 4), centreOf(4, 4), 0, 350, 1 },
            // Once held the pointer may travel: the mark lands where the button comes up.
            { centreOf(6, 2), centreOf(7, 2), 400, 500, 2 },
            // Up to 10 points of wobble before the hold still counts.
            { centreOf(3, 6), centreOf(3, 6) + QPointF(6, 8), 100, 400, 3 },
            // Released off the board it marks off the board, which the rules refuse.
            { centreOf(5, 5), QPointF(9 * side + 50, 10), 0, 400, 3 },
        };
        quint64 start = 1000;
        for (const Case& c : cases) {
            press(surface, c.from, start);
            if (c.moveAfter)
                move(surface, c.to, start + c.moveAfter);
            release(surface, c.to, start + c.releaseAfter);
            QCOMPARE(game.engine->moveCount(), c.moves);
            start += 1000;
        }
        QCOMPARE(game.board().cellAt(4, 4).mark, Mark::flag);
        QVERIFY(!game.board().cellAt(4, 4).isRevealed);
        QCOMPARE(game.board().cellAt(7, 2).mark, Mark::flag);
        QCOMPARE(game.board().cellAt(6, 2).mark, Mark::none);
        QCOMPARE(game.board().cellAt(3, 6).mark, Mark::flag);
        // 349 ms is still a click.
        press(surface, centreOf(6, 6), 5000);
        release(surface, centreOf(6, 6), 5349);
        QVERIFY(game.board().cellAt(6, 6).isRevealed);
        QCOMPARE(game.engine->moveCount(), 4);
    }

    void rightAndMiddleActOnThePress()
    {
        BoardTestGame game(inputBoard());
        BoardSurface& surface = game.surface();
        QSignalSpy boardChanges(game.engine.get(), &GameEngine::boardChanged);
        // The right button cycles flag, question, none, each on its press alone.
        QVERIFY(press(surface, centreOf(4, 4), 0, Qt::RightButton));
        QCOMPARE(game.board().cellAt(4, 4).mark, Mark::flag);
        press(surface, centreOf(4, 4), 500, Qt::RightButton);
        QCOMPARE(game.board().cellAt(4, 4).mark, Mark::question);
        send(surface, QEvent::MouseButtonRelease, Qt::RightButton, centreOf(4, 4), 600);
        press(surface, centreOf(4, 4), 1000, Qt::RightButton);
        QCOMPARE(game.board().cellAt(4, 4).mark, Mark::none);
        // Half a point left of the board truncates to column 0, and marks there.
        press(surface, QPointF(-0.5, 2 * side + 5), 1500, Qt::RightButton);
        QCOMPARE(game.board().cellAt(0, 2).mark, Mark::flag);
        QCOMPARE(game.engine->moveCount(), 4);
        // On an uncovered square the rules refuse it.
        press(surface, centreOf(1, 0), 2000, Qt::RightButton);
        QCOMPARE(game.engine->moveCount(), 4);
        // The middle button chords on its press: on a covered square nothing, on the 2 its
        // neighbours open.
        press(surface, centreOf(6, 6), 2500, Qt::MiddleButton);
        QVERIFY(!game.board().cellAt(6, 6).isRevealed);
        QVERIFY(press(surface, centreOf(1, 0), 3000, Qt::MiddleButton));
        QVERIFY(game.board().cellAt(1, 1).isRevealed);
        QCOMPARE(game.engine->moveCount(), 5);
        // Further buttons do nothing and go no further.
        boardChanges.clear();
        QVERIFY(press(surface, centreOf(4, 4), 3500, Qt::BackButton));
        QVERIFY(press(surface, centreOf(4, 4), 3600, Qt::ForwardButton));
        QCOMPARE(boardChanges.count(), 0);
        // No context menu follows a right press.
        const QPoint at = centreOf(4, 4).toPoint();
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at, surface.mapToGlobal(at));
        menu.setAccepted(false);
        QApplication::sendEvent(&surface, &menu);
        QVERIFY(menu.isAccepted());
    }

    void keysMoveTheCursorAndPlay()
    {
        BoardTestGame game(inputBoard());
        BoardSurface& surface = game.surface();
        const auto keys = [&surface](std::initializer_list<Qt::Key> ks) {
            for (const Qt::Key k : ks)
                QTest::keyClick(&surface, k);
        };
        // The middle square, hidden until the first key.
        QCOMPARE(surface.cursor(), (Point { 4, 4 }));
        QVERIFY(!surface.isCursorShown());
        // One square per arrow, rows and columns to their ends, never past an edge.
        const std::pair<Qt::Key, Point> moves[] = { { Qt::Key_Right, { 5, 4 } },
            { Qt::Key_Home, { 0, 4 } }, { Qt::Key_Left, { 0, 4 } }, { Qt::Key_PageUp, { 0, 0 } },
            { Qt::Key_Up, { 0, 0 } }, { Qt::Key_End, { 8, 0 } }, { Qt::Key_Right, { 8, 0 } },
            { Qt::Key_PageDown, { 8, 8 } }, { Qt::Key_Down, { 8, 8 } }, { Qt::Key_Up, { 8, 7 } },
            { Qt::Key_Left, { 7, 7 } } };
        for (const auto& [k, to] : moves) {
            keys({ k });
            QCOMPARE(surface.cursor(), to);
        }
        QVERIFY(surface.isCursorShown());
        QCOMPARE(game.engine->moveCount(), 0);
        // F cycles the mark like the right button; Space uncovers the covered square.
        keys({ Qt::Key_F });
        QCOMPARE(game.board().cellAt(7, 7).mark, Mark::flag);
        keys({ Qt::Key_F, Qt::Key_F });
        QCOMPARE(game.board().cellAt(7, 7).mark, Mark::none);
        keys({ Qt::Key_Space });
        QVERIFY(game.board().cellAt(7, 7).isRevealed);
        QCOMPARE(game.engine->moveCount(), 4);
        // Keys with Control, and Return, are not the board's: they go on to the window.
        QKeyEvent controlled(QEvent::KeyPress, Qt::Key_Right, Qt::ControlModifier);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        for (QKeyEvent* event : { &controlled, &enter }) {
            QApplication::sendEvent(&surface, event);
            QVERIFY(!event->isAccepted());
        }
        QCOMPARE(surface.cursor(), (Point { 7, 7 }));
        // Space on a number with its flags complete chords.
        keys({ Qt::Key_Home, Qt::Key_PageUp, Qt::Key_Right, Qt::Key_Space });
        QVERIFY(game.board().cellAt(1, 1).isRevealed);
        // A mouse press hides the cursor; the next key shows it again where it was.
        press(surface, centreOf(6, 6), 0, Qt::RightButton);
        QVERIFY(!surface.isCursorShown());
        keys({ Qt::Key_PageDown });
        QVERIFY(surface.isCursorShown());
        QCOMPARE(surface.cursor(), (Point { 1, 8 }));
        // After the game ends keys still move the cursor but change nothing on the board.
        keys({ Qt::Key_End, Qt::Key_Space });
        QCOMPARE(game.board().phase, Board::Phase::lost);
        const Board over = game.board();
        keys({ Qt::Key_Left, Qt::Key_Space, Qt::Key_F });
        QCOMPARE(surface.cursor(), (Point { 7, 8 }));
        QCOMPARE(game.board(), over);
        // A new game puts the cursor back in the middle.
        game.engine->newGame(Difficulty::expert);
        QCOMPARE(surface.cursor(), (Point { 15, 8 }));
    }

    void cursorRingShowsOnlyInKeyboardUse()
    {
        BoardTestGame game(inputBoard());
        BoardSurface& surface = game.surface();
        // Inside the left edge of the middle square, where the ring runs.
        const QPoint onRing(static_cast<int>(4 * side + 1), static_cast<int>(4.5 * side));
        const auto ringShows = [&] {
            return colourNear(
                surface.grab().toImage().pixelColor(onRing), BoardPalette::accent(), 8);
        };
        QVERIFY(!ringShows());
        QTest::keyClick(&surface, Qt::Key_Down);
        QTest::keyClick(&surface, Qt::Key_Up);
        QVERIFY(ringShows());
        click(surface, centreOf(6, 6));
        QVERIFY(!ringShows());
    }

    void heldPressShowsWhatReleaseWillDo()
    {
        BoardTestGame game(inputBoard());
        BoardSurface& surface = game.surface();
        auto* holdTimer = surface.findChild<QTimer*>(QStringLiteral("holdTimer"));
        QVERIFY(holdTimer);
        const QPoint middle = centreOf(4, 4).toPoint();
        const auto pixel = [&surface](
                               QPoint at) { return surface.grab().toImage().pixelColor(at); };
        // Held down: the covered square is drawn pressed in, flat in the open colour.
        press(surface, centreOf(4, 4), 1000);
        QCOMPARE(surface.pressedSquare(), (Point { 4, 4 }));
        QVERIFY(!surface.isPressArmed());
        VERIFY_COLOUR(pixel(middle), BoardPalette::openFill(), 2);
        QVERIFY(holdTimer->isActive());
        QCOMPARE(holdTimer->interval(), 350);
        // 349 ms in, still a click; at 350 ms release will mark, and the red flag shows.
        move(surface, centreOf(4, 4) + QPointF(3, 0), 1349);
        QVERIFY(!surface.isPressArmed());
        move(surface, centreOf(4, 4) + QPointF(3, 0), 1350);
        QVERIFY(surface.isPressArmed());
        const QColor flag = pixel(middle + QPoint(0, -4));
        QVERIFY2(flag.red() > flag.green() + 40, qPrintable(flag.name()));
        // Released: the real flag, and nothing pressed any more.
        release(surface, centreOf(4, 4), 1400);
        QCOMPARE(game.board().cellAt(4, 4).mark, Mark::flag);
        QVERIFY(!surface.pressedSquare() && !holdTimer->isActive());
        // With no event to carry a timestamp, the single-shot timer arms it.
        press(surface, centreOf(6, 6), 2000);
        QVERIFY(!surface.isPressArmed());
        QMetaObject::invokeMethod(holdTimer, "timeout");
        QVERIFY(surface.isPressArmed());
        release(surface, centreOf(6, 6), 2400);
        QCOMPARE(game.board().cellAt(6, 6).mark, Mark::flag);
        // Wandering off follows the pointer to the square a release acts on; off the board or
        // on an uncovered square nothing is pressed.
        press(surface, centreOf(6, 6), 3000);
        move(surface, centreOf(7, 6), 3100);
        QCOMPARE(surface.pressedSquare(), (Point { 7, 6 }));
        move(surface, centreOf(1, 0), 3200);
        QVERIFY(!surface.pressedSquare());
        move(surface, QPointF(-20, 20), 3300);
        QVERIFY(!surface.pressedSquare());
        release(surface, QPointF(-20, 20), 3400);
        // Control marks on release from the start.
        press(surface, centreOf(3, 6), 4000, Qt::LeftButton, Qt::ControlModifier);
        QVERIFY(surface.isPressArmed());
    }

    void squaresInPlay()
    {
        QVERIFY2(!QFontDatabase::families().isEmpty(), "no fonts installed to draw the counts");
        BoardTestGame game(drawingBoard());
        const QImage image = grabAtRest(game);
        QCOMPARE(image.size(), QSize(9 * 44, 9 * 44));
        // A covered tile's centre; between two tiles the board's background; a 0 plain fill.
        VERIFY_COLOUR(image.pixelColor(2 * 44 + 22, 44 + 22), tileMid, 3);
        VERIFY_COLOUR(image.pixelColor(2 * 44, 44 + 22), BoardPalette::boardBackground(), 1);
        VERIFY_COLOUR(image.pixelColor(22, 22), BoardPalette::openFill(), 1);
        QVERIFY(countInSquare(image, { 0, 0 }, BoardPalette::openFill(), 1) > 44 * 44 * 8 / 10);
        // Counts in their colours, 8 in grey, a flag red, a question mark in its ink.
        const std::pair<Point, QColor> inks[] = { { { 3, 3 }, BoardPalette::numberColor(1) },
            { { 3, 4 }, BoardPalette::numberColor(2) }, { { 3, 5 }, BoardPalette::numberColor(3) },
            { { 5, 5 }, QColor::fromRgbF(0.4f, 0.4f, 0.4f) }, { { 8, 0 }, BoardPalette::flagRed() },
            { { 1, 4 }, BoardPalette::questionInk() } };
        for (const auto& [square, ink] : inks)
            QVERIFY(countInSquare(image, square, ink) > 10);
        // A count's colour is not spilled into its neighbours; a flag in play is never crossed.
        QCOMPARE(countInSquare(image, { 3, 3 }, BoardPalette::numberColor(2)), 0);
        QCOMPARE(countInSquare(image, { 2, 2 }, BoardPalette::wrongFlagCross(), 2), 0);
    }

    void lostAndWonBoards()
    {
        BoardTestGame game(drawingBoard());
        game.engine->reveal(0, 8);
        QCOMPARE(game.board().phase, Board::Phase::lost);
        QImage image = grabAtRest(game);
        // The mine that ended it on red; the others on the plain fill, flagged or not; each
        // with the mine's black body at its centre.
        VERIFY_COLOUR(image.pixelColor(6, 8 * 44 + 6), BoardPalette::explodedFill(), 1);
        VERIFY_COLOUR(image.pixelColor(22, 8 * 44 + 22), QColor(Qt::black), 1);
        VERIFY_COLOUR(image.pixelColor(8 * 44 + 6, 6), BoardPalette::openFill(), 1);
        VERIFY_COLOUR(image.pixelColor(8 * 44 + 22, 22), QColor(Qt::black), 1);
        VERIFY_COLOUR(image.pixelColor(4 * 44 + 6, 4 * 44 + 6), BoardPalette::openFill(), 1);
        // The flag on a safe square is crossed out instead; the question mark stays.
        QVERIFY(countInSquare(image, { 2, 2 }, BoardPalette::wrongFlagCross(), 2) > 10);
        QCOMPARE(countInSquare(image, { 2, 2 }, BoardPalette::flagRed(), 2), 0);
        QVERIFY(countInSquare(image, { 1, 4 }, BoardPalette::questionInk()) > 10);

        Board board = drawingBoard();
        board.cells[static_cast<std::size_t>(board.index(2, 2))].mark = Mark::none;
        board.cells[static_cast<std::size_t>(board.index(1, 4))].mark = Mark::none;
        board.flagCount = 1;
        BoardTestGame winner(board);
        // Uncovering every other safe square wins, and the rules flag every mine.
        for (std::int64_t y = 0; y < 9; ++y)
            for (std::int64_t x = 0; x < 9; ++x)
                if (!winner.board().cellAt(x, y).isMine)
                    winner.engine->reveal(x, y);
        QCOMPARE(winner.board().phase, Board::Phase::won);
        image = grabAtRest(winner);
        for (const Point mine : { Point { 4, 4 }, Point { 0, 8 }, Point { 8, 0 } }) {
            QVERIFY(countInSquare(image, mine, BoardPalette::flagRed()) > 10);
            QCOMPARE(countInSquare(image, mine, BoardPalette::wrongFlagCross(), 2), 0);
        }
        // No mine is uncovered on a won board: the ring's inside is a tile, not black.
        QCOMPARE(countInSquare(image, { 4, 4 }, QColor(Qt::black), 2), 0);
    }

    void gapsStayCrispAtEveryPixelRatio()
    {
        BoardTestGame game(Board::fresh(Difficulty::beginner));
        BoardSurface& surface = game.surface();
        for (const double ratio : { 1.0, 1.25, 1.5, 2.0 }) {
            QImage image(surface.size() * ratio, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(Qt::transparent);
            surface.render(&image);
            // Every gap keeps at least one pixel column of pure background: tiles drawn off the
            // pixel grid or resampled would smear it.
            const int row = static_cast<int>(4.5 * side * ratio);
            for (int column = 1; column < 9; ++column) {
                const int edge = static_cast<int>(column * side * ratio);
                bool pure = false;
                for (int px = edge - 2; px <= edge + 2; ++px)
                    pure = pure ||
                        colourNear(image.pixelColor(px, row), BoardPalette::boardBackground(), 1);
                QVERIFY2(
                    pure, qPrintable(QStringLiteral("ratio %1, gap %2").arg(ratio).arg(column)));
            }
            // The corners are rounded off: the very corner pixels are empty, the edge solid.
            const int right = image.width() - 1;
            const int bottom = image.height() - 1;
            for (const QPoint corner :
                { QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom) })
                QCOMPARE(image.pixelColor(corner).alpha(), 0);
            QCOMPARE(image.pixelColor(0, bottom / 2).alpha(), 255);
        }
    }

    void shadowFallsBelowTheBoard()
    {
        // 55-point squares, the shadow drawn on white the way the window draws it.
        const QRectF board(40, 40, 9 * 55, 9 * 55);
        QImage image(600, 640, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            BoardShadowPainter().paint(painter, board, QRegion(image.rect()));
        }
        const int bottom = static_cast<int>(board.bottom());
        // Just under the board it darkens the backdrop and fades out downwards, and is gone well
        // clear of it; it reaches past the sides, and leaves alone what the board covers.
        const QColor under = image.pixelColor(250, bottom + 6);
        QVERIFY2(under.red() < 220, qPrintable(under.name()));
        QVERIFY(image.pixelColor(250, bottom + 20).red() > under.red());
        QCOMPARE(image.pixelColor(250, bottom + 60), QColor(Qt::white));
        QVERIFY(image.pixelColor(static_cast<int>(board.left()) - 4, 250).red() < 250);
        QCOMPARE(image.pixelColor(250, 250), QColor(Qt::white));
    }

    void openingFloodsStartTogetherAndExpireOnTheirOwn()
    {
        BoardTestGame game(floodBoard());
        game.view().show();
        OpeningAnimation& opening = game.view().opening();
        QVERIFY(opening.opened().empty() && !opening.isRunning());
        std::vector<Point> redrawn;
        QObject::connect(&opening, &OpeningAnimation::frameAdvanced,
            [&redrawn](const std::vector<Point>& squares) { redrawn = squares; });
        // Every square a flood uncovers has an entry, all with the one instant of the move.
        game.engine->reveal(0, 8);
        QCOMPARE(game.board().revealedCount, std::int64_t { 36 });
        QCOMPARE(opening.opened().size(), std::size_t { 36 });
        QVERIFY(std::all_of(opening.opened().begin(), opening.opened().end(),
            [](const auto& entry) { return entry.second == 1000.0; }));
        QVERIFY(opening.isRunning());
        // 0.1 s in nothing has expired, and each frame redraws the animating squares. A second
        // action adds only its new squares, with the later instant.
        game.clock.set(1000.1);
        const std::int64_t tick = opening.tick();
        opening.advance();
        QCOMPARE(opening.tick(), tick + 1);
        QCOMPARE(redrawn.size(), std::size_t { 36 });
        game.engine->reveal(8, 8);
        QCOMPARE(opening.opened().size(), std::size_t { 71 });
        QCOMPARE(opening.opened().at(Point { 8, 0 }), 1000.1);
        QCOMPARE(opening.opened().at(Point { 0, 0 }), 1000.0);
        // At exactly 0.22 s the first ones go together, that frame still redraws them, and the
        // loop runs on for the later ones until they end too.
        game.clock.set(1000.22);
        opening.advance();
        QCOMPARE(opening.opened().size(), std::size_t { 35 });
        QVERIFY(!opening.opened().contains(Point { 0, 0 }));
        QCOMPARE(redrawn.size(), std::size_t { 71 });
        QVERIFY(opening.isRunning());
        game.clock.set(1000.32);
        opening.advance();
        QVERIFY(opening.opened().empty() && !opening.isRunning());
    }

    void openingOnFirstShowingNotForMarks()
    {
        Board board = floodBoard();
        uncover(board, { { 1, 3 }, { 2, 3 }, { 3, 3 } });
        BoardTestGame game(board);
        BoardView& view = game.view();
        OpeningAnimation& opening = view.opening();
        // A restored game's three uncovered squares open once, when first shown.
        QVERIFY(opening.opened().empty());
        view.show();
        QCOMPARE(opening.opened().size(), std::size_t { 3 });
        game.clock.set(1001);
        opening.advance();
        QVERIFY(!opening.isRunning());
        // Showing again, marking a square, or switching between fitting and scrolling (which
        // shows the surface anew) finds nothing fresh and starts nothing.
        view.hide();
        view.show();
        game.engine->toggleMark(7, 7);
        QCOMPARE(game.engine->moveCount(), 1);
        QVERIFY(opening.opened().empty() && !opening.isRunning());
        view.resize(150, 150);
        QVERIFY(view.isScrolling());
        QVERIFY(opening.opened().empty());
    }

    void openingResetsWithTheSize()
    {
        BoardTestGame game(floodBoard());
        game.view().show();
        OpeningAnimation& opening = game.view().opening();
        game.engine->reveal(0, 8);
        // A new game of the same size keeps what was uncovered before as known.
        game.engine->newGame(Difficulty::beginner);
        QVERIFY(!opening.opened().empty());
        QCOMPARE(opening.wasRevealed().size(), std::size_t { 36 });
        // Another size forgets both; the running timer stops after one more frame.
        game.engine->newGame(Difficulty::intermediate);
        QVERIFY(opening.opened().empty() && opening.wasRevealed().empty());
        QVERIFY(opening.isRunning());
        const std::int64_t tick = opening.tick();
        opening.advance();
        QCOMPARE(opening.tick(), tick + 1);
        QVERIFY(!opening.isRunning());
    }

    void openingOverlayShrinksAndFades()
    {
        BoardTestGame game(floodBoard());
        game.view().show();
        OpeningAnimation& opening = game.view().opening();
        game.engine->reveal(0, 8);
        const Point square { 1, 6 };
        // Linear progress: 0.11 s is halfway; negative ages are clamped to the start; none after
        // the end or for a square without an entry.
        QCOMPARE(*opening.progress(square, 1000.11), 0.5);
        QCOMPARE(*opening.progress(square, 999.0), 0.0);
        QVERIFY(!opening.progress(square, 1000.22));
        QVERIFY(!opening.progress(Point { 8, 8 }, 1000.1));

        const QPoint centre(44 + 22, 6 * 44 + 22);
        const QPoint nearEdge(44 + 6, 6 * 44 + 22);
        const auto pixel = [&game](QPoint at) {
            return game.view().surface().grab().toImage().pixelColor(at);
        };
        // At the start the whole tile covers the uncovered square.
        QVERIFY(!colourNear(pixel(centre), BoardPalette::openFill(), 4));
        QVERIFY(!colourNear(pixel(nearEdge), BoardPalette::openFill(), 4));
        // Halfway the tile is 70 % of its size at half opacity: the centre is a blend, and 12
        // points in from the square's edge (outside the shrunken tile) the open fill shows.
        game.clock.set(1000.11);
        const QColor blended = pixel(centre);
        VERIFY_COLOUR(blended,
            QColor::fromRgbF((0.905f + 0.69f) / 2, (0.925f + 0.73f) / 2, (0.95f + 0.79f) / 2), 6);
        QVERIFY(!colourNear(blended, tileMid, 6));
        VERIFY_COLOUR(pixel(nearEdge), BoardPalette::openFill(), 1);
        game.clock.set(1000.22);
        VERIFY_COLOUR(pixel(centre), BoardPalette::openFill(), 1);
    }

    void boardIsATableOfNamedCells()
    {
        // (1,0) shows 2, (5,0) nothing; a flag on the mine (0,0) and the safe (3,3), a question
        // mark on (4,4).
        Board board = beginnerWith({ { 0, 0 }, { 2, 0 }, { 0, 8 }, { 1, 8 }, { 2, 8 }, { 3, 8 },
            { 4, 8 }, { 5, 8 }, { 6, 8 }, { 8, 8 } });
        uncover(board, { { 1, 0 }, { 5, 0 } });
        flag(board, { { 0, 0 }, { 3, 3 } });
        board.cells[static_cast<std::size_t>(board.index(4, 4))].mark = Mark::question;
        BoardTestGame game(board);
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&game.surface());
        QVERIFY(table);
        QCOMPARE(table->role(), QAccessible::Table);
        QCOMPARE(table->childCount(), 81);
        QAccessibleTableInterface* cells = table->tableInterface();
        QVERIFY(cells);
        QCOMPARE(cells->rowCount(), 9);
        QCOMPARE(cells->columnCount(), 9);
        QVERIFY(!cells->cellAt(9, 0) && !cells->cellAt(0, -1) && !table->child(81));
        // A cell knows its place, the same one the table gives it.
        QAccessibleInterface* cell = table->child(2 * 9 + 7);
        QCOMPARE(cell->role(), QAccessible::Cell);
        QCOMPARE(cell->tableCellInterface()->rowIndex(), 2);
        QCOMPARE(cell->tableCellInterface()->columnIndex(), 7);
        QCOMPARE(table->indexOfChild(cell), 2 * 9 + 7);
        QCOMPARE(cell->parent(), table);
        // In play, then lost: a loss tells the mines, the one that went off and the wrong flag
        // apart.
        using Names = std::vector<std::tuple<int, int, QString>>;
        const auto checkNames = [cells](const Names& names) {
            for (const auto& [x, y, expected] : names)
                QCOMPARE(cells->cellAt(y, x)->text(QAccessible::Name), expected);
        };
        checkNames({ { 0, 0, "flag" }, { 1, 0, "2" }, { 5, 0, "empty" }, { 6, 6, "covered" },
            { 3, 3, "flag" }, { 4, 4, "question mark" } });
        game.engine->reveal(8, 8);
        checkNames({ { 8, 8, "exploded mine" }, { 2, 0, "mine" }, { 0, 0, "mine" },
            { 3, 3, "wrong flag" }, { 4, 4, "question mark" } });
    }

    void accessibleFocusFollowsTheCursor()
    {
        // The events announcing these changes need a platform bridge, which the offscreen
        // platform lacks; the end-to-end test hears them through AT-SPI.
        BoardTestGame game(beginnerWith({ { 0, 0 }, { 0, 8 }, { 1, 8 }, { 2, 8 }, { 3, 8 },
            { 4, 8 }, { 5, 8 }, { 6, 8 }, { 7, 8 }, { 8, 8 } }));
        BoardView& view = game.view();
        view.show();
        BoardSurface& surface = view.surface();
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&surface);
        QVERIFY(!table->focusChild());
        QApplication::setActiveWindow(&view);
        surface.setFocus();
        QVERIFY(surface.hasFocus());
        QCOMPARE(table->focusChild(), table->tableInterface()->cellAt(4, 4));
        QVERIFY(table->focusChild()->state().focused);
        QTest::keyClick(&surface, Qt::Key_Left);
        QCOMPARE(table->focusChild(), table->tableInterface()->cellAt(4, 3));
        QVERIFY(!table->tableInterface()->cellAt(4, 4)->state().focused);
        QTest::keyClick(&surface, Qt::Key_F);
        QCOMPARE(table->focusChild()->text(QAccessible::Name), QStringLiteral("flag"));
        // Another size is another table, with the focus in its middle.
        game.engine->newGame(Difficulty::intermediate);
        QCOMPARE(table->childCount(), 256);
        QCOMPARE(table->focusChild(), table->tableInterface()->cellAt(8, 8));
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    BoardTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "BoardViewTest.moc"
