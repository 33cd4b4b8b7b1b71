// SPDX-License-Identifier: GPL-3.0-or-later
// Qt Test suite for what each mouse button, modifier and hold does on the board.
#include "BoardTestGame.h"

#include "ui/board/BoardPalette.h"
#include "ui/board/BoardSurface.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

constexpr double side = 44.0; // beginner in 500 × 400

/// Mines at (0,0), (2,0) and (8,8), both top mines flagged; (1,0) shows its 2 and (5,0) a 0.
Board inputBoard()
{
    // The bottom-left block only makes up the size's ten mines, which any stored board holds.
    Board board = boardWithMines(Difficulty::beginner,
        { { 0, 0 }, { 2, 0 }, { 8, 8 }, { 0, 8 }, { 1, 8 }, { 0, 7 }, { 1, 7 }, { 0, 6 }, { 1, 6 },
            { 0, 5 } });
    uncover(board, { { 1, 0 }, { 5, 0 } });
    flag(board, { { 0, 0 }, { 2, 0 } });
    return board;
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

void click(QWidget& widget, QPointF at, quint64 timestamp = 0, Qt::KeyboardModifiers modifiers = {})
{
    send(widget, QEvent::MouseButtonPress, Qt::LeftButton, at, timestamp, modifiers);
    send(widget, QEvent::MouseButtonRelease, Qt::LeftButton, at, timestamp + 80, modifiers);
}

class BoardInputTest : public QObject {
    Q_OBJECT

private slots:
    void plainClickMapsToTheSquare();
    void controlClickMarksAndOtherModifiersClick();
    void pressAndHoldMarksWhereReleased();
    void rightAndMiddleActOnThePress();
    void flagModeMarksInsteadOfUncovering();
    void keysMoveTheCursorAndPlay();
    void cursorRingShowsOnlyInKeyboardUse();
    void heldPressShowsWhatReleaseWillDo();
};

} // namespace

void BoardInputTest::plainClickMapsToTheSquare()
{
    BoardTestGame game(inputBoard());
    QCOMPARE(game.board(), inputBoard());
    BoardSurface& surface = game.surface();
    QSignalSpy boardChanges(&game.engine(), &GameEngine::boardChanged);

    // An uncovered number whose flags are complete chords: its covered neighbours open.
    click(surface, centreOf(1, 0));
    QVERIFY(game.board().cellAt(1, 1).isRevealed);
    QCOMPARE(game.engine().moveCount(), 1);

    // An uncovered 0 chords too, which the rules refuse: the engine hears it, nothing moves.
    boardChanges.clear();
    click(surface, centreOf(5, 0));
    QCOMPARE(boardChanges.count(), 1);
    QCOMPARE(game.engine().moveCount(), 1);

    // The far edge (x = W) maps to column 9, outside: the engine is not even asked.
    boardChanges.clear();
    click(surface, QPointF(9 * side, 10));
    click(surface, QPointF(10, 9 * side));
    QCOMPARE(boardChanges.count(), 0);

    // Letting go off the surface cancels the click.
    send(surface, QEvent::MouseButtonPress, Qt::LeftButton, centreOf(4, 4), 100);
    send(surface, QEvent::MouseButtonRelease, Qt::LeftButton, QPointF(-30, 30), 150);
    QCOMPARE(boardChanges.count(), 0);

    // A covered square is uncovered, and its flood spreads.
    click(surface, centreOf(4, 4));
    QVERIFY(game.board().cellAt(4, 4).isRevealed);
    QVERIFY(game.board().cellAt(8, 0).isRevealed);
    QCOMPARE(game.engine().moveCount(), 2);
}

void BoardInputTest::controlClickMarksAndOtherModifiersClick()
{
    BoardTestGame game(inputBoard());
    BoardSurface& surface = game.surface();

    // Control cycles the mark instead of uncovering.
    click(surface, centreOf(4, 4), 0, Qt::ControlModifier);
    QCOMPARE(game.board().cellAt(4, 4).mark, Mark::flag);
    QVERIFY(!game.board().cellAt(4, 4).isRevealed);
    click(surface, centreOf(4, 4), 200, Qt::ControlModifier);
    QCOMPARE(game.board().cellAt(4, 4).mark, Mark::question);

    // Control on an uncovered square asks to mark it, which the rules refuse.
    click(surface, centreOf(1, 0), 400, Qt::ControlModifier);
    QCOMPARE(game.engine().moveCount(), 2);

    // Shift, Alt and Meta are ignored: a plain click uncovers.
    click(surface, centreOf(8, 7), 600, Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier);
    QVERIFY(game.board().cellAt(8, 7).isRevealed);
    QCOMPARE(game.engine().moveCount(), 3);
}

void BoardInputTest::pressAndHoldMarksWhereReleased()
{
    BoardTestGame game(inputBoard());
    BoardSurface& surface = game.surface();

    // 350 ms still: a mark, and the release is not also a click.
    send(surface, QEvent::MouseButtonPress, Qt::LeftButton, centreOf(4, 4), 1000);
    send(surface, QEvent::MouseButtonRelease, Qt::LeftButton, centreOf(4, 4), 1350);
    QCOMPARE(game.board().cellAt(4, 4).mark, Mark::flag);
    QVERIFY(!game.board().cellAt(4, 4).isRevealed);
    QCOMPARE(game.engine().moveCount(), 1);

    // Once held, the pointer may travel: the mark lands where the button comes up.
    send(surface, QEvent::MouseButtonPress, Qt::LeftButton, centreOf(6, 2), 2000);
    send(surface, QEvent::MouseMove, Qt::LeftButton, centreOf(7, 2), 2400);
    send(surface, QEvent::MouseButtonRelease, Qt::LeftButton, centreOf(7, 2), 2500);
    QCOMPARE(game.board().cellAt(7, 2).mark, Mark::flag);
    QCOMPARE(game.board().cellAt(6, 2).mark, Mark::none);

    // Up to 10 points of wobble before the hold still counts.
    send(surface, QEvent::MouseButtonPress, Qt::LeftButton, centreOf(3, 6), 3000);
    send(surface, QEvent::MouseMove, Qt::LeftButton, centreOf(3, 6) + QPointF(6, 8), 3100);
    send(surface, QEvent::MouseButtonRelease, Qt::LeftButton, centreOf(3, 6) + QPointF(6, 8), 3400);
    QCOMPARE(game.board().cellAt(3, 6).mark, Mark::flag);

    // A hold released off the board marks off the board, which the rules refuse.
    send(surface, QEvent::MouseButtonPress, Qt::LeftButton, centreOf(5, 5), 4000);
    send(surface, QEvent::MouseButtonRelease, Qt::LeftButton, QPointF(9 * side + 50, 10), 4400);
    QCOMPARE(game.engine().moveCount(), 3);

    // 349 ms is still a click.
    send(surface, QEvent::MouseButtonPress, Qt::LeftButton, centreOf(6, 6), 5000);
    send(surface, QEvent::MouseButtonRelease, Qt::LeftButton, centreOf(6, 6), 5349);
    QVERIFY(game.board().cellAt(6, 6).isRevealed);
    QCOMPARE(game.engine().moveCount(), 4);
}

void BoardInputTest::rightAndMiddleActOnThePress()
{
    BoardTestGame game(inputBoard());
    BoardSurface& surface = game.surface();
    QSignalSpy boardChanges(&game.engine(), &GameEngine::boardChanged);

    // The right button cycles flag, question, none, each on its press alone.
    QVERIFY(send(surface, QEvent::MouseButtonPress, Qt::RightButton, centreOf(4, 4), 0));
    QCOMPARE(game.board().cellAt(4, 4).mark, Mark::flag);
    send(surface, QEvent::MouseButtonPress, Qt::RightButton, centreOf(4, 4), 500);
    QCOMPARE(game.board().cellAt(4, 4).mark, Mark::question);
    send(surface, QEvent::MouseButtonRelease, Qt::RightButton, centreOf(4, 4), 600);
    send(surface, QEvent::MouseButtonPress, Qt::RightButton, centreOf(4, 4), 1000);
    QCOMPARE(game.board().cellAt(4, 4).mark, Mark::none);

    // Half a point left of the board truncates to column 0, and marks there.
    send(surface, QEvent::MouseButtonPress, Qt::RightButton, QPointF(-0.5, 2 * side + 5), 1500);
    QCOMPARE(game.board().cellAt(0, 2).mark, Mark::flag);
    QCOMPARE(game.engine().moveCount(), 4);

    // A right press on an uncovered square is refused by the rules.
    send(surface, QEvent::MouseButtonPress, Qt::RightButton, centreOf(1, 0), 2000);
    QCOMPARE(game.engine().moveCount(), 4);

    // The middle button chords on its press: on a covered square nothing, on the 2 its
    // neighbours open.
    send(surface, QEvent::MouseButtonPress, Qt::MiddleButton, centreOf(6, 6), 2500);
    QVERIFY(!game.board().cellAt(6, 6).isRevealed);
    QVERIFY(send(surface, QEvent::MouseButtonPress, Qt::MiddleButton, centreOf(1, 0), 3000));
    QVERIFY(game.board().cellAt(1, 1).isRevealed);
    QCOMPARE(game.engine().moveCount(), 5);

    // Further buttons do nothing and go no further.
    boardChanges.clear();
    QVERIFY(send(surface, QEvent::MouseButtonPress, Qt::BackButton, centreOf(4, 4), 3500));
    QVERIFY(send(surface, QEvent::MouseButtonPress, Qt::ForwardButton, centreOf(4, 4), 3600));
    QCOMPARE(boardChanges.count(), 0);

    // No context menu follows a right press.
    const QPoint at = centreOf(4, 4).toPoint();
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, surface.mapToGlobal(at));
    menu.setAccepted(false);
    QApplication::sendEvent(&surface, &menu);
    QVERIFY(menu.isAccepted());
}

void BoardInputTest::flagModeMarksInsteadOfUncovering()
{
    BoardTestGame game(inputBoard());
    BoardSurface& surface = game.surface();
    game.view().setFlagMode(true);

    // Covered squares are marked; an uncovered number still chords.
    click(surface, centreOf(4, 4));
    QCOMPARE(game.board().cellAt(4, 4).mark, Mark::flag);
    QVERIFY(!game.board().cellAt(4, 4).isRevealed);
    click(surface, centreOf(1, 0), 200);
    QVERIFY(game.board().cellAt(1, 1).isRevealed);
}

void BoardInputTest::keysMoveTheCursorAndPlay()
{
    BoardTestGame game(inputBoard());
    BoardSurface& surface = game.surface();
    const auto key = [&surface](Qt::Key k) { QTest::keyClick(&surface, k); };
    // The middle square, hidden until the first key.
    QCOMPARE(surface.cursor(), (Point { 4, 4 }));
    QVERIFY(!surface.isCursorShown());

    // One square per arrow, rows and columns to their ends, never past an edge.
    const std::vector<std::pair<Qt::Key, Point>> moves { { Qt::Key_Right, { 5, 4 } },
        { Qt::Key_Home, { 0, 4 } }, { Qt::Key_Left, { 0, 4 } }, { Qt::Key_PageUp, { 0, 0 } },
        { Qt::Key_Up, { 0, 0 } }, { Qt::Key_End, { 8, 0 } }, { Qt::Key_Right, { 8, 0 } },
        { Qt::Key_PageDown, { 8, 8 } }, { Qt::Key_Down, { 8, 8 } }, { Qt::Key_Up, { 8, 7 } },
        { Qt::Key_Left, { 7, 7 } } };
    for (const auto& [k, to] : moves) {
        key(k);
        QCOMPARE(surface.cursor(), to);
    }
    QVERIFY(surface.isCursorShown());
    QCOMPARE(game.engine().moveCount(), 0);

    // F cycles the mark like the right button; Space uncovers the covered square.
    key(Qt::Key_F);
    QCOMPARE(game.board().cellAt(7, 7).mark, Mark::flag);
    key(Qt::Key_F);
    key(Qt::Key_F);
    QCOMPARE(game.board().cellAt(7, 7).mark, Mark::none);
    key(Qt::Key_Space);
    QVERIFY(game.board().cellAt(7, 7).isRevealed);
    QCOMPARE(game.engine().moveCount(), 4);

    // Keys with Control, and Return, are not the board's: they go on to the window.
    QKeyEvent controlled(QEvent::KeyPress, Qt::Key_Right, Qt::ControlModifier);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    for (QKeyEvent* event : { &controlled, &enter }) {
        QApplication::sendEvent(&surface, event);
        QVERIFY(!event->isAccepted());
    }
    QCOMPARE(surface.cursor(), (Point { 7, 7 }));

    // Space on a number with its flags complete chords.
    key(Qt::Key_Home);
    key(Qt::Key_PageUp);
    key(Qt::Key_Right);
    key(Qt::Key_Space);
    QVERIFY(game.board().cellAt(1, 1).isRevealed);

    // A mouse press hides the cursor; the next key shows it again where it was.
    send(surface, QEvent::MouseButtonPress, Qt::RightButton, centreOf(6, 6), 0);
    QVERIFY(!surface.isCursorShown());
    key(Qt::Key_PageDown);
    QVERIFY(surface.isCursorShown());
    QCOMPARE(surface.cursor(), (Point { 1, 8 }));

    // After the game ends keys still move the cursor but change nothing on the board.
    key(Qt::Key_End);
    key(Qt::Key_Space);
    QCOMPARE(game.board().phase, Board::Phase::lost);
    const Board over = game.board();
    key(Qt::Key_Left);
    key(Qt::Key_Space);
    key(Qt::Key_F);
    QCOMPARE(surface.cursor(), (Point { 7, 8 }));
    QCOMPARE(game.board(), over);

    // A new game puts the cursor back in the middle.
    game.engine().newGame(Difficulty::expert);
    QCOMPARE(surface.cursor(), (Point { 15, 8 }));
}

void BoardInputTest::cursorRingShowsOnlyInKeyboardUse()
{
    BoardTestGame game(inputBoard());
    BoardSurface& surface = game.surface();
    // Inside the left edge of the middle square, where the ring runs.
    const QPoint onRing(static_cast<int>(4 * side + 1), static_cast<int>(4.5 * side));
    const auto ringShows = [&] {
        return colourNear(surface.grab().toImage().pixelColor(onRing), BoardPalette::accent(), 8);
    };
    QVERIFY(!ringShows());
    QTest::keyClick(&surface, Qt::Key_Down);
    QTest::keyClick(&surface, Qt::Key_Up);
    QVERIFY(ringShows());
    send(surface, QEvent::MouseButtonPress, Qt::LeftButton, centreOf(6, 6), 0);
    send(surface, QEvent::MouseButtonRelease, Qt::LeftButton, centreOf(6, 6), 50);
    QVERIFY(!ringShows());
}

void BoardInputTest::heldPressShowsWhatReleaseWillDo()
{
    BoardTestGame game(inputBoard());
    BoardSurface& surface = game.surface();
    auto* holdTimer = surface.findChild<QTimer*>(QStringLiteral("holdTimer"));
    QVERIFY(holdTimer);
    const QPoint middle = centreOf(4, 4).toPoint();
    const auto pixel = [&surface](QPoint at) { return surface.grab().toImage().pixelColor(at); };
    const auto reddish = [](const QColor& c) { return c.red() > c.green() + 40; };

    // Held down: the covered square is drawn pressed in, flat in the open colour.
    send(surface, QEvent::MouseButtonPress, Qt::LeftButton, centreOf(4, 4), 1000);
    QCOMPARE(surface.pressedSquare(), (Point { 4, 4 }));
    QVERIFY(!surface.isPressArmed());
    QVERIFY(colourNear(pixel(middle), BoardPalette::openFill(), 2));
    QVERIFY(holdTimer->isActive());
    QCOMPARE(holdTimer->interval(), 350);
    // 349 ms in, still a click; at 350 ms release will mark, and the flag it will set shows.
    send(surface, QEvent::MouseMove, Qt::LeftButton, centreOf(4, 4) + QPointF(3, 0), 1349);
    QVERIFY(!surface.isPressArmed());
    send(surface, QEvent::MouseMove, Qt::LeftButton, centreOf(4, 4) + QPointF(3, 0), 1350);
    QVERIFY(surface.isPressArmed());
    QVERIFY(reddish(pixel(middle + QPoint(0, -4))));
    // Released: the real flag, and nothing pressed any more.
    send(surface, QEvent::MouseButtonRelease, Qt::LeftButton, centreOf(4, 4), 1400);
    QCOMPARE(game.board().cellAt(4, 4).mark, Mark::flag);
    QVERIFY(!surface.pressedSquare());
    QVERIFY(!holdTimer->isActive());

    // With no event to carry a timestamp, the single-shot timer arms it.
    send(surface, QEvent::MouseButtonPress, Qt::LeftButton, centreOf(6, 6), 2000);
    QVERIFY(!surface.isPressArmed());
    QMetaObject::invokeMethod(holdTimer, "timeout");
    QVERIFY(surface.isPressArmed());
    send(surface, QEvent::MouseButtonRelease, Qt::LeftButton, centreOf(6, 6), 2400);
    QCOMPARE(game.board().cellAt(6, 6).mark, Mark::flag);
    // Wandering off follows the pointer to the square a release acts on; off the board or on
    // an uncovered square nothing is pressed.
    send(surface, QEvent::MouseButtonPress, Qt::LeftButton, centreOf(6, 6), 3000);
    send(surface, QEvent::MouseMove, Qt::LeftButton, centreOf(7, 6), 3100);
    QCOMPARE(surface.pressedSquare(), (Point { 7, 6 }));
    send(surface, QEvent::MouseMove, Qt::LeftButton, centreOf(1, 0), 3200);
    QVERIFY(!surface.pressedSquare());
    send(surface, QEvent::MouseMove, Qt::LeftButton, QPointF(-20, 20), 3300);
    QVERIFY(!surface.pressedSquare());
    send(surface, QEvent::MouseButtonRelease, Qt::LeftButton, QPointF(-20, 20), 3400);
    // Control marks on release from the start.
    send(surface, QEvent::MouseButtonPress, Qt::LeftButton, centreOf(3, 6), 4000,
        Qt::ControlModifier);
    QVERIFY(surface.isPressArmed());
}

int runBoardInputTests(int argc, char** argv)
{
    BoardInputTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "BoardInputTest.moc"
