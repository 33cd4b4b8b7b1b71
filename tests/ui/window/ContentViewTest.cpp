// SPDX-License-Identifier: GPL-3.0-or-later
// The new-game rule from inside the window in every phase, the board-size menu's check through
// a cancelled question, and the banner's arrival and departure.
#include "ui/window/ContentView.h"

#include "WindowTestSupport.h"

#include "ui/board/BoardView.h"
#include "ui/window/BoardSizeMenu.h"
#include "ui/window/FaceButton.h"
#include "ui/window/GameColumn.h"
#include "ui/window/Palette.h"
#include "ui/window/ResultBanner.h"
#include "ui/window/StatusBar.h"

#include <QAction>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace {

bool answer(bool confirm)
{
    NewGameDialog* dialog = windowtest::openNewGameDialog();
    if (!dialog)
        return false;
    (confirm ? dialog->confirmButton() : dialog->cancelButton())->click();
    return true;
}

class ContentViewTest : public QObject {
    Q_OBJECT

private slots:
    void startsAtOnceWhenNothingIsLost()
    {
        windowtest::TestGame game;
        ContentView view(*game.engine);
        // A fresh board replaced by an equal one shows only as a new save.
        QSignalSpy saved(game.engine.get(), &GameEngine::lastSavedAtChanged);
        game.clock.advance(1);
        // The current size on a fresh board: nothing at all happens.
        view.requestNewGame(Difficulty::beginner);
        QCOMPARE(saved.count(), 0);
        // No size given (the face): a fresh board at once, no question; another size as well.
        view.requestNewGame(std::nullopt);
        QCOMPARE(saved.count(), 1);
        view.requestNewGame(Difficulty::expert);
        QCOMPARE(game.engine->board().difficulty, Difficulty::expert);
        QVERIFY(!windowtest::openNewGameDialog());
        // After a loss the face starts a new board without a question.
        playLosingGame(*game.engine, game.clock, 3);
        QTest::mouseClick(&view.statusBar().faceButton(), Qt::LeftButton);
        QVERIFY(!windowtest::openNewGameDialog());
        QCOMPARE(game.engine->board(), Board::fresh(Difficulty::beginner));
        // After a win the current size is replaced at once as well.
        playWinningGame(*game.engine, game.clock, 3);
        view.requestNewGame(Difficulty::beginner);
        QCOMPARE(game.engine->board(), Board::fresh(Difficulty::beginner));
        QVERIFY(!view.confirmNewGame() && !view.pendingDifficulty());
    }

    void playingAsksFirst()
    {
        windowtest::TestGame game(windowtest::nearlyWonGame());
        ContentView view(*game.engine);
        view.show();
        const Board before = game.engine->board();
        const std::int64_t moves = game.engine->moveCount();
        game.clock.advance(4);
        const std::int64_t elapsed = game.engine->elapsedSeconds();
        // The face while playing shows the question and changes nothing yet.
        QTest::mouseClick(&view.statusBar().faceButton(), Qt::LeftButton);
        QVERIFY(view.confirmNewGame());
        NewGameDialog* dialog = windowtest::openNewGameDialog();
        QVERIFY(dialog);
        // Asked once, in the body; the title names the program, no light-theme icon.
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Sapperly"));
        QCOMPARE(dialog->text(), QStringLiteral("Start a new game?"));
        QCOMPARE(dialog->icon(), QMessageBox::NoIcon);
        QCOMPARE(
            dialog->informativeText(), QStringLiteral("The field you're on will be abandoned."));
        QCOMPARE(dialog->confirmButton()->text(), QStringLiteral("New Game"));
        QCOMPARE(dialog->buttonRole(dialog->confirmButton()), QMessageBox::DestructiveRole);
        // The destructive button is filled red.
        const QImage confirm = dialog->confirmButton()->grab().toImage();
        const QColor fill = confirm.pixelColor(4, confirm.height() / 2);
        QVERIFY2(
            fill.red() > 2 * fill.green() && fill.red() > 2 * fill.blue(), qPrintable(fill.name()));
        QCOMPARE(dialog->escapeButton(), dialog->cancelButton());
        QCOMPARE(game.engine->board(), before);
        // "Cancel" leaves board, moves and clock as they were.
        QVERIFY(answer(false));
        QVERIFY(!view.confirmNewGame());
        QCOMPARE(game.engine->board(), before);
        QCOMPARE(game.engine->moveCount(), moves);
        QCOMPARE(game.engine->elapsedSeconds(), elapsed);
        // Escape cancels as well.
        view.requestNewGame(std::nullopt);
        QTest::keyClick(windowtest::openNewGameDialog(), Qt::Key_Escape);
        QVERIFY(!view.confirmNewGame());
        QCOMPARE(game.engine->board(), before);
        // "New Game" gives a fresh board of the same size.
        view.requestNewGame(std::nullopt);
        QVERIFY(answer(true));
        QCOMPARE(game.engine->board(), Board::fresh(Difficulty::beginner));
        QVERIFY(!view.confirmNewGame());
    }

    void sizeMenuChecksWhatTheEngineHas()
    {
        windowtest::TestGame game(windowtest::nearlyWonGame());
        ContentView view(*game.engine);
        view.show();
        BoardSizeMenu& menu = view.boardSizeMenu();
        QCOMPARE(menu.action(Difficulty::intermediate)->text(),
            QString::fromUtf8("Intermediate \u2014 16 \u00D7 16, 40 mines"));
        // Choosing Expert while playing asks, and the menu keeps Beginner checked meanwhile.
        menu.action(Difficulty::expert)->trigger();
        QCOMPARE(view.pendingDifficulty(), Difficulty::expert);
        QVERIFY(!menu.action(Difficulty::expert)->isChecked());
        // Cancel: nothing pending, the old size still checked and named.
        QVERIFY(answer(false));
        QVERIFY(!view.pendingDifficulty());
        QVERIFY(menu.action(Difficulty::beginner)->isChecked());
        QCOMPARE(menu.text(), QStringLiteral("Beginner"));
        // The face and "New Game" then start the old size, not the one chosen before.
        QTest::mouseClick(&view.statusBar().faceButton(), Qt::LeftButton);
        QVERIFY(answer(true));
        QCOMPARE(game.engine->board(), Board::fresh(Difficulty::beginner));
        // Confirmed, another size takes the check and the label.
        startGame(*game.engine, Difficulty::beginner);
        menu.action(Difficulty::intermediate)->trigger();
        QVERIFY(answer(true));
        QCOMPARE(game.engine->board().difficulty, Difficulty::intermediate);
        QVERIFY(!view.pendingDifficulty());
        QVERIFY(menu.action(Difficulty::intermediate)->isChecked());
        QCOMPARE(menu.text(), QStringLiteral("Intermediate"));
    }

    void bannerComesAndGoesWithTheEnd()
    {
        windowtest::TestGame game(windowtest::nearlyWonGame());
        ContentView view(*game.engine);
        view.resize(620, 680);
        view.show();
        GameColumn& column = view.gameColumn();
        const int fullBoardHeight = view.boardView().height();
        QVERIFY(!view.resultBanner().isVisible());
        // The end of the game brings the banner in on the spring.
        game.engine->reveal(0, 0);
        QVERIFY(column.isBannerShown());
        QVERIFY(column.isAnimating());
        QVERIFY(view.resultBanner().isVisible());
        column.settle();
        QVERIFY(!column.isAnimating());
        QCOMPARE(column.bannerProgress(), 1.0);
        // Settled, the banner sits at the bottom of the column and the board gave up its room.
        const QRect banner = view.resultBanner().geometry();
        QCOMPARE(banner.bottom(), column.height() - 1);
        QCOMPARE(
            view.boardView().height(), fullBoardHeight - banner.height() - GameColumn::spacing);
        // A new game sends it away again; no animation is left running.
        game.engine->newGame(Difficulty::beginner);
        column.settle();
        QVERIFY(!view.resultBanner().isVisible());
        QCOMPARE(view.boardView().height(), fullBoardHeight);
    }

    void boardShadowSpillsPastTheBoard()
    {
        // The smallest window at both widths and the default one, banner away and in.
        const std::pair<Difficulty, QSize> windows[] = { { Difficulty::beginner, { 460, 520 } },
            { Difficulty::expert, { 692, 520 } }, { Difficulty::intermediate, { 620, 700 } } };
        const int background = qGray(Palette::windowBackground().rgb());
        for (const auto& [difficulty, size] : windows) {
            for (const bool over : { false, true }) {
                windowtest::TestGame game(windowtest::freshGame(difficulty));
                if (over)
                    playLosingGame(*game.engine, game.clock, 3, difficulty);
                ContentView view(*game.engine);
                view.resize(size);
                view.show();
                view.gameColumn().settle();
                const QImage image = view.grab().toImage();
                BoardView& boardView = view.boardView();
                const QRect board =
                    boardView.boardRect().translated(boardView.mapTo(&view, QPoint()));
                const QPoint beside[] = { { board.center().x(), board.bottom() + 6 },
                    { board.left() - 3, board.center().y() },
                    { board.right() + 3, board.center().y() } };
                for (const QPoint& point : beside)
                    QVERIFY2(qGray(image.pixel(point)) < background,
                        qPrintable(QString::asprintf("no shadow at %d,%d: %s, %dx%d, over %d",
                            point.x(), point.y(), title(difficulty).data(), size.width(),
                            size.height(), over)));
            }
        }
    }

    void scrollingBoardIsJustTheBoard()
    {
        // Expert as wide as its smallest squares but too low for them: it scrolls down only.
        windowtest::TestGame game(windowtest::freshGame(Difficulty::expert));
        BoardView board(*game.engine);
        board.resize(660, 300);
        board.show();
        QVERIFY(board.isScrolling());
        QCOMPARE(board.scrollArea().widget()->size(), QSize(660, 352));
        QCOMPARE(board.scrollArea().horizontalScrollBar()->maximum(), 0);
        QCOMPARE(board.scrollArea().verticalScrollBar()->maximum(), 52);
    }

    void springSettlesWithoutOvershoot()
    {
        // Rising from 0 without ever reaching 1, and invisible by the animation's 0.6 s.
        double previous = GameColumn::springPosition(0);
        QCOMPARE(previous, 0.0);
        for (int step = 1; step <= 60; previous = GameColumn::springPosition(step++ * 0.01))
            QVERIFY(GameColumn::springPosition(step * 0.01) > previous);
        QVERIFY(GameColumn::springPosition(0.6) < 1.0);
        QVERIFY(1.0 - GameColumn::springPosition(0.6) < 0.001);
    }
};

} // namespace

int windowtest::runContentViewTests(int argc, char** argv)
{
    ContentViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ContentViewTest.moc"
