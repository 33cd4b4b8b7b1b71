// SPDX-License-Identifier: GPL-3.0-or-later
// The window's widgets against a real engine on temporary folders with a hand-driven clock: the
// status bar, the result banner, the new-game rule, the menus, sizes, keyboard and screen-reader
// access, the post-mortem and the statistics window.
#include "TestBoards.h"
#include "TestEngine.h"

#include "ui/board/BoardSurface.h"
#include "ui/board/BoardView.h"
#include "ui/window/BoardSizeMenu.h"
#include "ui/window/ContentView.h"
#include "ui/window/FaceButton.h"
#include "ui/window/GameColumn.h"
#include "ui/window/LEDCounter.h"
#include "ui/window/MainWindow.h"
#include "ui/window/NewGameDialog.h"
#include "ui/window/Palette.h"
#include "ui/window/PostMortem.h"
#include "ui/window/ResultBanner.h"
#include "ui/window/StatisticsWindow.h"
#include "ui/window/StatusBar.h"
#include "ui/window/WindowTheme.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>
#include <QTest>
#include <QThreadPool>

#include <limits>
#include <memory>
#include <optional>

namespace {

/// An engine over its own temporary local folder, optionally starting from a saved game.
struct TestGame {
    TwoFolders folders;
    FakeClock clock;
    std::unique_ptr<GameEngine> engine;

    explicit TestGame(const std::optional<SavedGame>& saved = std::nullopt)
    {
        if (saved)
            writeStoredGame(folders.local, *saved);
        engine = makeEngine(folders.localOnly(), clock);
    }
};

/// A saved beginner game in play where revealing (8, 8) wins and (0, 0) loses.
SavedGame nearlyWonGame(std::int64_t elapsed = 10)
{
    return SavedGame { nearlyWonBoard(), elapsed, startTime - 1 };
}

SavedGame freshGame(Difficulty difficulty)
{
    return SavedGame { Board::fresh(difficulty), 0, startTime - 1 };
}

/// The open new-game question among the application's windows, the way a player sees it.
NewGameDialog* openNewGameDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<NewGameDialog*>(widget); dialog && dialog->isVisible())
            return dialog;
    return nullptr;
}

bool answer(bool confirm)
{
    NewGameDialog* dialog = openNewGameDialog();
    if (dialog)
        (confirm ? dialog->confirmButton() : dialog->cancelButton())->click();
    return dialog != nullptr;
}

QString accessible(QWidget& widget, QAccessible::Text text)
{
    return QAccessible::queryAccessibleInterface(&widget)->text(text);
}

std::vector<Difficulty> checkedSizes(const MainWindow& window)
{
    std::vector<Difficulty> checked;
    for (const Difficulty difficulty : allDifficulties)
        if (window.difficultyAction(difficulty)->isChecked())
            checked.push_back(difficulty);
    return checked;
}

/// A menu item as a style draws it, with its check in an exclusive group or alone.
QImage menuItem(const QStyle& style, QStyleOptionMenuItem::CheckType checkType, bool checked)
{
    QStyleOptionMenuItem item;
    item.rect = QRect(0, 0, 160, 24);
    item.palette = QApplication::palette();
    item.state = QStyle::State_Enabled;
    item.text = QStringLiteral("Expert");
    item.checkType = checkType;
    item.checked = checked;
    QImage image(item.rect.size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    style.drawControl(QStyle::CE_MenuItem, &item, &painter);
    return image;
}

Board boardIn(Difficulty difficulty, Board::Phase phase)
{
    Board board = Board::fresh(difficulty);
    board.phase = phase;
    return board;
}

const QString dash = QStringLiteral("\u2014");

class WindowTest : public QObject {
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
    }

    void statusBarFollowsTheGame()
    {
        TestGame game(nearlyWonGame());
        StatusBar bar(*game.engine);
        QSignalSpy pressed(&bar, &StatusBar::smileyClicked);
        const QString smile = QStringLiteral("\U0001F642");
        // Playing smiles; a loss has its own face. A press after the end is reported once; the
        // bar itself never starts a game.
        QCOMPARE(bar.faceButton().text(), smile);
        game.engine->reveal(0, 0);
        QCOMPARE(bar.faceButton().text(), QStringLiteral("\U0001F635"));
        QTest::mouseClick(&bar.faceButton(), Qt::LeftButton);
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(game.engine->board().phase, Board::Phase::lost);
        // A new beginner board: smiling, ten mines, the clock at 000 and no timer running.
        game.engine->newGame(Difficulty::beginner);
        QCOMPARE(bar.faceButton().text(), smile);
        QCOMPARE(LEDCounter::text(bar.minesCounter().value()), QStringLiteral("010"));
        QCOMPARE(bar.clockCounter().value(), 0);
        QVERIFY(!bar.isTicking());
        // Twelve flags on a ten-mine board go below zero.
        for (std::int64_t i = 0; i < 12; ++i)
            game.engine->toggleMark(i % 9, i / 9);
        QCOMPARE(LEDCounter::text(bar.minesCounter().value()), QStringLiteral("-02"));
        // Playing: each tick reads the clock anew, and past 999 seconds stops at 999.
        game.engine->newGame(Difficulty::beginner);
        startGame(*game.engine, Difficulty::beginner);
        QVERIFY(bar.isTicking());
        game.clock.advance(3.4);
        bar.refreshClock();
        QCOMPARE(bar.clockCounter().value(), 3);
        game.clock.advance(2000);
        bar.refreshClock();
        QCOMPARE(LEDCounter::text(bar.clockCounter().value()), QStringLiteral("999"));
        // Over: the timer stops and the time stands still.
        game.engine->newGame(Difficulty::beginner);
        playLosingGame(*game.engine, game.clock, 5);
        QVERIFY(!bar.isTicking());
        game.clock.advance(60);
        bar.refreshClock();
        QCOMPARE(bar.clockCounter().value(), 5);
        game.engine->newGame(Difficulty::expert);
        QCOMPARE(bar.minesCounter().value(), 99);

        TestGame winner(nearlyWonGame());
        StatusBar winnerBar(*winner.engine);
        winner.engine->reveal(8, 8);
        QCOMPARE(winnerBar.faceButton().text(), QStringLiteral("\U0001F60E"));
    }

    void faceIsDrawnInColour()
    {
        // Installed by scripts/setup-deps.sh; a missing font is a failure there, not a skip.
        if (!QFontDatabase::families().contains(QStringLiteral("Noto Color Emoji"))) {
            if (qEnvironmentVariable("CI") == QStringLiteral("true"))
                QFAIL("the Noto Color Emoji font is not installed");
            QSKIP("the Noto Color Emoji font is not installed");
        }
        FaceButton face;
        const QImage image = face.grab().toImage();
        // The smile's yellow, which a monochrome fallback font would not produce.
        int yellow = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor colour = image.pixelColor(x, y);
                yellow += colour.red() > 200 && colour.green() > 150 && colour.blue() < 90;
            }
        QVERIFY2(yellow > 100, qPrintable(QStringLiteral("%1 yellow pixels").arg(yellow)));
    }

    void bannerTexts()
    {
        using Phase = Board::Phase;
        // A record flag left over from elsewhere never turns a loss into a record.
        QCOMPARE(ResultBanner::title(Phase::lost, false), QStringLiteral("Boom."));
        QCOMPARE(ResultBanner::title(Phase::lost, true), QStringLiteral("Boom."));
        QCOMPARE(ResultBanner::title(Phase::won, true), QStringLiteral("New best time!"));
        QCOMPARE(ResultBanner::title(Phase::won, false), QStringLiteral("Cleared!"));
        Records records;
        records[Difficulty::beginner] = Record { 7, 3, 38 };
        records[Difficulty::expert] = Record { 5, 0, std::nullopt };
        const Records none;
        Records large;
        large[Difficulty::intermediate] = Record { 12345, 1234, 1000 };
        struct Case {
            Difficulty difficulty;
            Phase phase;
            const Records& records;
            std::int64_t seconds;
            const char* line;
        };
        const Case cases[] = {
            // A win: the time, the best, wins of games played; a loss has no time part.
            { Difficulty::beginner, Phase::won, records, 42,
                "Beginner in 42s \u00B7 best 38s \u00B7 3 of 7 won" },
            { Difficulty::beginner, Phase::lost, records, 42,
                "Beginner \u00B7 best 38s \u00B7 3 of 7 won" },
            // Never won: the best is an em dash; no record at all counts as nothing played.
            { Difficulty::expert, Phase::lost, records, 9,
                "Expert \u00B7 best \u2014 \u00B7 0 of 5 won" },
            { Difficulty::intermediate, Phase::lost, none, 0,
                "Intermediate \u00B7 best \u2014 \u00B7 0 of 0 won" },
            // Large numbers stay plain decimal, without grouping.
            { Difficulty::intermediate, Phase::won, large, 1234,
                "Intermediate in 1234s \u00B7 best 1000s \u00B7 1234 of 12345 won" },
        };
        for (const Case& c : cases)
            QCOMPARE(ResultBanner::statsLine(boardIn(c.difficulty, c.phase), c.records, c.seconds),
                QString::fromUtf8(c.line));
    }

    void bannerShowsTheGameThatEnded()
    {
        // A first win reads as a new best; its border is the accent at 0.6 over the panel.
        TestGame winner(nearlyWonGame(90));
        ResultBanner won(*winner.engine);
        won.resize(500, won.sizeHint().height());
        winner.clock.advance(5.5);
        winner.engine->reveal(8, 8);
        QCOMPARE(won.titleText(), QStringLiteral("New best time!"));
        QCOMPARE(won.statsText(),
            QString::fromUtf8("Beginner in 95s \u00B7 best 95s \u00B7 1 of 1 won"));
        QColor border = won.grab().toImage().pixelColor(won.width() / 2, 0);
        QVERIFY2(border.red() > border.blue() + 40, qPrintable(border.name()));
        // Lost: the neutral panel border, not the accent.
        TestGame game(nearlyWonGame());
        ResultBanner banner(*game.engine);
        banner.resize(500, banner.sizeHint().height());
        game.engine->reveal(0, 0);
        QCOMPARE(banner.titleText(), QStringLiteral("Boom."));
        const QString line = banner.statsText();
        QCOMPARE(line, QString::fromUtf8("Beginner \u00B7 best \u2014 \u00B7 0 of 1 won"));
        border = banner.grab().toImage().pixelColor(banner.width() / 2, 0);
        QVERIFY2(qAbs(border.red() - border.blue()) < 20, qPrintable(border.name()));
        // While it slides away after a new game it still shows the game that ended.
        game.engine->newGame(Difficulty::expert);
        QCOMPARE(banner.titleText(), QStringLiteral("Boom."));
        QCOMPARE(banner.statsText(), line);
    }

    void newGameStartsAtOnceWhenNothingIsLost()
    {
        TestGame game;
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
        QVERIFY(!openNewGameDialog());
        // After a loss the face starts a new board without a question; after a win the current
        // size is replaced at once as well.
        playLosingGame(*game.engine, game.clock, 3);
        QTest::mouseClick(&view.statusBar().faceButton(), Qt::LeftButton);
        QVERIFY(!openNewGameDialog());
        QCOMPARE(game.engine->board(), Board::fresh(Difficulty::beginner));
        playWinningGame(*game.engine, game.clock, 3);
        view.requestNewGame(Difficulty::beginner);
        QCOMPARE(game.engine->board(), Board::fresh(Difficulty::beginner));
        QVERIFY(!view.confirmNewGame() && !view.pendingDifficulty());
    }

    void newGameWhilePlayingAsksFirst()
    {
        TestGame game(nearlyWonGame());
        ContentView view(*game.engine);
        view.show();
        const Board before = game.engine->board();
        const std::int64_t moves = game.engine->moveCount();
        game.clock.advance(4);
        const std::int64_t elapsed = game.engine->elapsedSeconds();
        // The face while playing shows the question and changes nothing yet.
        QTest::mouseClick(&view.statusBar().faceButton(), Qt::LeftButton);
        QVERIFY(view.confirmNewGame());
        NewGameDialog* dialog = openNewGameDialog();
        QVERIFY(dialog);
        // Asked once, in the body; the title names the program, no light-theme icon.
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Sapperly"));
        QCOMPARE(dialog->text(), QStringLiteral("Start a new game?"));
        QCOMPARE(dialog->icon(), QMessageBox::NoIcon);
        QCOMPARE(
            dialog->informativeText(), QStringLiteral("The field you're on will be abandoned."));
        QCOMPARE(dialog->confirmButton()->text(), QStringLiteral("New Game"));
        QCOMPARE(dialog->buttonRole(dialog->confirmButton()), QMessageBox::DestructiveRole);
        QCOMPARE(dialog->escapeButton(), dialog->cancelButton());
        // The destructive button is filled red.
        const QImage confirm = dialog->confirmButton()->grab().toImage();
        const QColor fill = confirm.pixelColor(4, confirm.height() / 2);
        QVERIFY2(
            fill.red() > 2 * fill.green() && fill.red() > 2 * fill.blue(), qPrintable(fill.name()));
        QCOMPARE(game.engine->board(), before);
        // "Cancel", and Escape, leave board, moves and clock as they were.
        QVERIFY(answer(false));
        view.requestNewGame(std::nullopt);
        QTest::keyClick(openNewGameDialog(), Qt::Key_Escape);
        QVERIFY(!view.confirmNewGame());
        QCOMPARE(game.engine->board(), before);
        QCOMPARE(game.engine->moveCount(), moves);
        QCOMPARE(game.engine->elapsedSeconds(), elapsed);
        // "New Game" gives a fresh board of the same size.
        view.requestNewGame(std::nullopt);
        QVERIFY(answer(true));
        QCOMPARE(game.engine->board(), Board::fresh(Difficulty::beginner));
        QVERIFY(!view.confirmNewGame());
    }

    void sizeMenuChecksWhatTheEngineHas()
    {
        TestGame game(nearlyWonGame());
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
        TestGame game(nearlyWonGame());
        ContentView view(*game.engine);
        view.resize(620, 680);
        view.show();
        GameColumn& column = view.gameColumn();
        const int fullBoardHeight = view.boardView().height();
        QVERIFY(!view.resultBanner().isVisible());
        // The end of the game brings the banner in on the spring.
        game.engine->reveal(0, 0);
        QVERIFY(column.isBannerShown() && column.isAnimating());
        QVERIFY(view.resultBanner().isVisible());
        column.settle();
        QVERIFY(!column.isAnimating());
        QCOMPARE(column.bannerProgress(), 1.0);
        // Settled, it sits at the bottom of the column and the board gave up its room.
        const QRect banner = view.resultBanner().geometry();
        QCOMPARE(banner.bottom(), column.height() - 1);
        QCOMPARE(
            view.boardView().height(), fullBoardHeight - banner.height() - GameColumn::spacing);
        // A new game sends it away again; no animation is left running.
        game.engine->newGame(Difficulty::beginner);
        column.settle();
        QVERIFY(!view.resultBanner().isVisible());
        QCOMPARE(view.boardView().height(), fullBoardHeight);
        // The spring rises from 0 without ever reaching 1, and is invisible by its 0.6 s.
        double previous = GameColumn::springPosition(0);
        QCOMPARE(previous, 0.0);
        for (int step = 1; step <= 60; previous = GameColumn::springPosition(step++ * 0.01))
            QVERIFY(GameColumn::springPosition(step * 0.01) > previous);
        QVERIFY(GameColumn::springPosition(0.6) < 1.0);
        QVERIFY(1.0 - GameColumn::springPosition(0.6) < 0.001);
    }

    void boardShadowSpillsPastTheBoard()
    {
        // The smallest window at both widths and the default one, banner away and in.
        const std::pair<Difficulty, QSize> windows[] = { { Difficulty::beginner, { 460, 520 } },
            { Difficulty::expert, { 692, 520 } }, { Difficulty::intermediate, { 620, 700 } } };
        const int background = qGray(Palette::windowBackground().rgb());
        for (const auto& [difficulty, size] : windows) {
            for (const bool over : { false, true }) {
                TestGame game(freshGame(difficulty));
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

    void menusAndTheirChecks()
    {
        // Right after launch with a restored expert game: Expert alone is checked.
        TestGame game(freshGame(Difficulty::expert));
        MainWindow window(*game.engine);
        QCOMPARE(checkedSizes(window), std::vector { Difficulty::expert });
        // A new game of another size from anywhere moves the check.
        game.engine->newGame(Difficulty::intermediate);
        QCOMPARE(checkedSizes(window), std::vector { Difficulty::intermediate });
        // Drawn only when checked, and as the check mark an item alone gets: Fusion would give
        // an item of an exclusive group a round bullet.
        const QStyle& style = *QApplication::style();
        const QImage mark = menuItem(style, QStyleOptionMenuItem::Exclusive, true);
        QVERIFY(mark != menuItem(style, QStyleOptionMenuItem::Exclusive, false));
        QCOMPARE(mark, menuItem(style, QStyleOptionMenuItem::NonExclusive, true));
        const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
        QVERIFY(mark != menuItem(*fusion, QStyleOptionMenuItem::Exclusive, true));
        // The window and the about box carry the program's icon.
        QVERIFY(!QApplication::windowIcon().pixmap(64).isNull());
        // Commands added later go where they belong.
        window.insertHelpAction(new QAction(QStringLiteral("Check for Updates\u2026"), &window));
        window.insertGameAction(new QAction(QStringLiteral("Sync Folder\u2026"), &window));
        QStringList names;
        for (QAction* menuAction : window.menuBar()->actions()) {
            for (QAction* item : menuAction->menu()->actions())
                names << (item->isSeparator() ? QStringLiteral("-") : item->text());
            names << QStringLiteral("|");
        }
        QCOMPARE(names,
            (QStringList { "&New Game", "Statistics\u2026", "Sync Folder\u2026", "-", "&Quit", "|",
                "Beginner", "Intermediate", "Expert", "|", "&About Sapperly",
                "Check for Updates\u2026", "|" }));
    }

    void menuBarCommandsNeverAsk()
    {
        TestGame game(nearlyWonGame());
        MainWindow window(*game.engine);
        window.show();
        // "New Game" while playing: a fresh board of the same size at once, not counted as a
        // game played.
        QCOMPARE(window.newGameAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
        window.newGameAction()->trigger();
        QVERIFY(!openNewGameDialog());
        QCOMPARE(game.engine->board(), Board::fresh(Difficulty::beginner));
        QVERIFY(game.engine->records().find(Difficulty::beginner) == game.engine->records().end() ||
            game.engine->records().at(Difficulty::beginner).played == 0);
        // Choosing the checked size on a fresh board still replaces it.
        QSignalSpy saved(game.engine.get(), &GameEngine::lastSavedAtChanged);
        game.clock.advance(1);
        window.difficultyAction(Difficulty::beginner)->trigger();
        QCOMPARE(saved.count(), 1);
        QCOMPARE(checkedSizes(window), std::vector { Difficulty::beginner });
        // Another size, also while playing, without a question.
        startGame(*game.engine, Difficulty::beginner);
        window.difficultyAction(Difficulty::expert)->trigger();
        QVERIFY(!openNewGameDialog());
        QCOMPARE(game.engine->board(), Board::fresh(Difficulty::expert));
        QCOMPARE(checkedSizes(window), std::vector { Difficulty::expert });
    }

    void smallestSizesFollowTheDifficulty()
    {
        TestGame game;
        MainWindow window(*game.engine);
        window.resize(MainWindow::defaultSize);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Beginner and intermediate: 460 × 520 content at the least.
        QCOMPARE(window.contentView().minimumSize(), QSize(460, 520));
        game.engine->newGame(Difficulty::intermediate);
        QCOMPARE(window.contentView().minimumSize(), QSize(460, 520));
        QCOMPARE(window.width(), 620);
        // Expert from a 620-wide window widens it to 692.
        window.difficultyAction(Difficulty::expert)->trigger();
        QCOMPARE(window.contentView().minimumSize(), QSize(692, 520));
        QCOMPARE(window.width(), 692);
        QCOMPARE(window.contentView().width(), 692);
        // Back to beginner the window keeps its width; only the limit drops.
        window.difficultyAction(Difficulty::beginner)->trigger();
        QCOMPARE(window.width(), 692);
        QCOMPARE(window.contentView().minimumSize(), QSize(460, 520));
        // The window cannot be made smaller than the content allows.
        window.resize(100, 100);
        QVERIFY(window.contentView().width() >= 460 && window.contentView().height() >= 520);
    }

    void geometryComesBackNextLaunch()
    {
        TestGame game;
        QByteArray saved;
        {
            // A first launch has nothing to restore and takes the default size.
            MainWindow first(*game.engine);
            connect(&first, &MainWindow::closing, this,
                [&saved](const QByteArray& geometry) { saved = geometry; });
            first.restoreWindowGeometry({});
            QCOMPARE(first.size(), MainWindow::defaultSize);
            first.show();
            QVERIFY(QTest::qWaitForWindowExposed(&first));
            first.resize(700, 640);
            first.close();
        }
        MainWindow next(*game.engine);
        next.restoreWindowGeometry(saved);
        QCOMPARE(next.size(), QSize(700, 640));
    }

    void boardHoldsTheKeyboardFocus()
    {
        TestGame game(nearlyWonGame());
        MainWindow window(*game.engine);
        ContentView& content = window.contentView();
        BoardSurface& board = content.boardView().surface();
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        // On opening, the board has the keys; Tab goes round the size menu, the face button and
        // back to the board.
        QCOMPARE(QApplication::focusWidget(), &board);
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
        // Return while playing does nothing; once the game is over Return, or the keypad's
        // Enter, presses "Play Again": a new game at once.
        QTest::keyClick(&board, Qt::Key_Return);
        QCOMPARE(game.engine->board().phase, Board::Phase::playing);
        QVERIFY(!openNewGameDialog());
        game.engine->reveal(8, 8);
        QCOMPARE(game.engine->board().phase, Board::Phase::won);
        QTest::keyClick(&board, Qt::Key_Return);
        QCOMPARE(game.engine->board(), Board::fresh(Difficulty::beginner));
        playLosingGame(*game.engine, game.clock, 3);
        QTest::keyClick(&window, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(game.engine->board(), Board::fresh(Difficulty::beginner));
        // The new game leaves the board with the keys, whatever had them before.
        startGame(*game.engine, Difficulty::beginner);
        face->setFocus();
        window.newGameAction()->trigger();
        QCOMPARE(QApplication::focusWidget(), &board);
    }

    void controlsAreNamedForScreenReaders()
    {
        TestGame game(nearlyWonGame());
        MainWindow window(*game.engine);
        ContentView& content = window.contentView();
        StatusBar& bar = content.statusBar();
        // The counters: a name and the real value, however the display clamps it.
        QCOMPARE(accessible(bar.minesCounter(), QAccessible::Name), QStringLiteral("Mines left"));
        QCOMPARE(accessible(bar.clockCounter(), QAccessible::Name), QStringLiteral("Time"));
        LEDCounter& mines = bar.minesCounter();
        for (const std::int64_t value : { std::int64_t { -100 }, std::int64_t { 123456 } }) {
            mines.setValue(value);
            QAccessibleValueInterface* read =
                QAccessible::queryAccessibleInterface(&mines)->valueInterface();
            QVERIFY(read);
            QCOMPARE(read->currentValue().toLongLong(), value);
            QCOMPARE(accessible(mines, QAccessible::Value), QString::number(value));
        }
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
        QStringList names;
        for (QLabel* label : content.resultBanner().findChildren<QLabel*>())
            names << accessible(*label, QAccessible::Name);
        QVERIFY2(names.contains(QStringLiteral("Boom.")), qPrintable(names.join(u'|')));
        QVERIFY(names.contains(content.resultBanner().statsText()));
        game.engine->newGame(Difficulty::expert);
        QCOMPARE(accessible(face, QAccessible::Description), QStringLiteral("Game not started"));
        QCOMPARE(accessible(content.boardSizeMenu(), QAccessible::Name),
            QStringLiteral("Board size: Expert"));
    }

    void postMortemFindingsAndTheirLines()
    {
        using Finding = PostMortem::Finding;
        using Kind = PostMortem::Finding::Kind;
        using Move = GameEngine::LosingMove;
        // Every covered square but (8, 8) holds a mine, and the numbers around it say so.
        const Board nearlyWon = nearlyWonBoard();
        // Nothing uncovered: every square holds a mine 10 times in 81.
        Board untouched = Board::fresh(Difficulty::beginner);
        untouched.phase = Board::Phase::playing;
        untouched.minesLaid = true;
        // A chord on (1, 1) trusting a right flag on (0, 0) and a wrong one on (2, 1).
        Board flagged = nearlyWon;
        for (const Point p : { Point { 0, 0 }, Point { 2, 1 } }) {
            Cell& cell = flagged.cells[static_cast<std::size_t>(flagged.index(p.x, p.y))];
            cell.isRevealed = false;
            cell.mark = Mark::flag;
        }
        // Numbers that no layout satisfies, and a malformed board, give no finding.
        Board contradictory = nearlyWon;
        contradictory.cells[static_cast<std::size_t>(nearlyWon.index(7, 7))].adjacent = 3;
        Board malformed = nearlyWon;
        malformed.cells.pop_back();
        const std::pair<Move, std::optional<Finding>> cases[] = {
            { { Move::Kind::reveal, { 0, 0 }, nearlyWon },
                Finding { Kind::safeSquareKnown, { 8, 8 }, 0 } },
            { { Move::Kind::reveal, { 4, 4 }, untouched },
                Finding { Kind::forcedGuess, { 4, 4 }, 12 } },
            { { Move::Kind::chord, { 1, 1 }, flagged }, Finding { Kind::wrongFlag, { 2, 1 }, 0 } },
            { { Move::Kind::reveal, { 0, 0 }, contradictory }, std::nullopt },
            { { Move::Kind::reveal, { 0, 0 }, malformed }, std::nullopt },
        };
        for (const auto& [move, finding] : cases)
            QCOMPARE(PostMortem::examine(move), finding);
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

    void postMortemLineAndRingLastUntilTheNextGame()
    {
        TestGame game(nearlyWonGame());
        ContentView view(*game.engine);
        view.resize(620, 700);
        view.show();
        BoardSurface& surface = view.boardView().surface();
        const QString statsBefore = view.resultBanner().statsText();
        game.engine->reveal(0, 0);
        QTRY_COMPARE(view.resultBanner().postMortemText(),
            QStringLiteral("A safe square could be known: it is outlined."));
        QCOMPARE(surface.outlinedSquare(), std::optional(Point { 8, 8 }));
        QVERIFY(view.resultBanner().statsText() != statsBefore);
        // The ring lies inside the square's left edge, in the accent colour.
        const double side = surface.squareSize();
        const QColor ring =
            surface.grab().toImage().pixelColor(int(8 * side + 1), int(8 * side + side / 2));
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

    void statisticsCellTexts()
    {
        const std::pair<Record, QStringList> cases[] = {
            // Nothing played: no rate, no best.
            { Record {}, { "0", "0", dash, dash } },
            { Record { 3, 2, 43 }, { "3", "2", "67%", "43s" } },
            // Halves round up; losses only.
            { Record { 8, 1, 600 }, { "8", "1", "13%", "600s" } },
            { Record { 5, 0, std::nullopt }, { "5", "0", "0%", dash } },
            // Counts from elsewhere that make no sense still read as a rate.
            { Record { 2, 9, 1 }, { "2", "9", "100%", "1s" } },
            { Record { -4, 1, std::nullopt }, { "-4", "1", dash, dash } },
        };
        for (const auto& [record, expected] : cases) {
            QStringList texts;
            for (const StatisticsWindow::Column column : StatisticsWindow::columns)
                texts << StatisticsWindow::cellText(record, column);
            QCOMPARE(texts, expected);
        }
    }

    void statisticsFollowAnotherMachine()
    {
        using Column = StatisticsWindow::Column;
        TwoFolders folders;
        FakeClock clock;
        const auto engine = makeEngine(folders.both(), clock);
        StatisticsWindow window(*engine);
        QCOMPARE(window.windowTitle(), QStringLiteral("Statistics"));
        QCOMPARE(window.text(Difficulty::expert, Column::played), QStringLiteral("0"));
        QVERIFY(writeStored(folders.cloud, recordsKey,
            recordsBytes({ { Difficulty::expert, Record { 3, 2, 43 } } })));
        engine->rescanSyncFolder();
        QTRY_COMPARE(window.text(Difficulty::expert, Column::winRate), QStringLiteral("67%"));
        QCOMPARE(window.text(Difficulty::expert, Column::bestTime), QStringLiteral("43s"));
        QCOMPARE(window.text(Difficulty::beginner, Column::winRate), dash);
        // Showing them wrote nothing.
        QVERIFY(!readStored(folders.local, recordsKey));

        // The Game menu opens one window, however often it is asked.
        TestGame game;
        MainWindow mainWindow(*game.engine);
        QCOMPARE(mainWindow.statisticsAction()->text(), QStringLiteral("Statistics\u2026"));
        mainWindow.statisticsAction()->trigger();
        StatisticsWindow* opened = mainWindow.statisticsWindow();
        QVERIFY(opened && opened->isVisible() && opened->isWindow());
        mainWindow.statisticsAction()->trigger();
        QCOMPARE(mainWindow.statisticsWindow(), opened);
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The window's own look: its style draws the menus' check marks and its palette the dialogs.
    applyWindowTheme();
    // Window geometry goes to QSettings; keep it out of the real configuration.
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("sapperly-window-tests"));
    QCoreApplication::setApplicationName(QStringLiteral("sapperly-window-tests"));
    WindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WindowTest.moc"
