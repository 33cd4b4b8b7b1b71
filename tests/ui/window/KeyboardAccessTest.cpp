// SPDX-License-Identifier: GPL-3.0-or-later
// Playing without a mouse and with a screen reader, from the window's side: where the keyboard
// focus goes, and what the status bar, the size menu and the banner say to assistive technology.
#include "WindowTestSupport.h"

#include "ui/board/BoardSurface.h"
#include "ui/board/BoardView.h"
#include "ui/window/BoardSizeMenu.h"
#include "ui/window/ContentView.h"
#include "ui/window/FaceButton.h"
#include "ui/window/LEDCounter.h"
#include "ui/window/MainWindow.h"
#include "ui/window/ResultBanner.h"
#include "ui/window/StatusBar.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

QString accessible(QWidget& widget, QAccessible::Text text)
{
    return QAccessible::queryAccessibleInterface(&widget)->text(text);
}

class KeyboardAccessTest : public QObject {
    Q_OBJECT

private slots:
    void boardHoldsTheKeyboardFocus()
    {
        windowtest::TestGame game(windowtest::nearlyWonGame());
        MainWindow window(*game.engine);
        ContentView& content = window.contentView();
        BoardSurface& board = content.boardView().surface();
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        // On opening, the board has the keys.
        QCOMPARE(QApplication::focusWidget(), &board);

        // Tab goes round the board, the size menu and the face button, board first.
        QWidget* size = &content.boardSizeMenu();
        QWidget* face = &content.statusBar().faceButton();
        for (QWidget* next : { size, face, static_cast<QWidget*>(&board) }) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }

        // A click on the board takes the focus back from a control.
        size->setFocus();
        QTest::mouseClick(&board, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(QApplication::focusWidget(), &board);

        // Return on the board is the banner's once the game is over; the new game leaves the
        // board with the keys, whatever had them before.
        game.engine->reveal(8, 8);
        QCOMPARE(game.engine->board().phase, Board::Phase::won);
        QTest::keyClick(&board, Qt::Key_Return);
        QCOMPARE(game.engine->board(), Board::fresh(Difficulty::beginner));
        startGame(*game.engine, Difficulty::beginner);
        face->setFocus();
        window.newGameAction()->trigger();
        QCOMPARE(QApplication::focusWidget(), &board);
    }

    void controlsAreNamedForScreenReaders()
    {
        windowtest::TestGame game(windowtest::nearlyWonGame());
        MainWindow window(*game.engine);
        ContentView& content = window.contentView();
        StatusBar& bar = content.statusBar();

        // The counters: a name and the real value, however the display clamps it.
        QCOMPARE(accessible(bar.minesCounter(), QAccessible::Name), QStringLiteral("Mines left"));
        QCOMPARE(accessible(bar.clockCounter(), QAccessible::Name), QStringLiteral("Time"));
        LEDCounter& mines = bar.minesCounter();
        mines.setValue(-100);
        QAccessibleValueInterface* value =
            QAccessible::queryAccessibleInterface(&mines)->valueInterface();
        QVERIFY(value);
        QCOMPARE(value->currentValue().toLongLong(), -100);
        QCOMPARE(accessible(mines, QAccessible::Value), QStringLiteral("-100"));

        // The face: a button named "New game" whose description follows the game.
        FaceButton& face = bar.faceButton();
        QCOMPARE(QAccessible::queryAccessibleInterface(&face)->role(), QAccessible::Button);
        QCOMPARE(accessible(face, QAccessible::Name), QStringLiteral("New game"));
        QCOMPARE(accessible(face, QAccessible::Description), QStringLiteral("Game in progress"));
        QCOMPARE(accessible(content.boardSizeMenu(), QAccessible::Name),
            QStringLiteral("Board size: Beginner"));

        // The banner's title and statistics line read as they show.
        game.engine->reveal(0, 0);
        QCOMPARE(accessible(face, QAccessible::Description), QStringLiteral("Game lost"));
        const QList<QLabel*> labels = content.resultBanner().findChildren<QLabel*>();
        QStringList names;
        for (QLabel* label : labels)
            names << accessible(*label, QAccessible::Name);
        QVERIFY2(names.contains(QStringLiteral("Boom.")), qPrintable(names.join(u'|')));
        QVERIFY(names.contains(content.resultBanner().statsText()));
        game.engine->newGame(Difficulty::expert);
        QCOMPARE(accessible(face, QAccessible::Description), QStringLiteral("Game not started"));
        QCOMPARE(accessible(content.boardSizeMenu(), QAccessible::Name),
            QStringLiteral("Board size: Expert"));
    }
};

} // namespace

int windowtest::runKeyboardAccessTests(int argc, char** argv)
{
    KeyboardAccessTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "KeyboardAccessTest.moc"
