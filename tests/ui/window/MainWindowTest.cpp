// SPDX-License-Identifier: GPL-3.0-or-later
// The menu bar's commands, the Difficulty menu's single check, the Return key and the window's
// smallest sizes and widening.
#include "ui/window/MainWindow.h"

#include "WindowTestSupport.h"

#include "ui/window/ContentView.h"
#include "ui/window/GameColumn.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>
#include <QTest>

namespace {

std::vector<Difficulty> checkedSizes(const MainWindow& window)
{
    std::vector<Difficulty> checked;
    for (const Difficulty difficulty : allDifficulties) {
        if (window.difficultyAction(difficulty)->isChecked())
            checked.push_back(difficulty);
    }
    return checked;
}

// A menu item as a style draws it, with its check in an exclusive group or alone.
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

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void difficultyMenuShowsOneCheckMark()
    {
        // Right after launch with a restored expert game: Expert alone is checked.
        windowtest::TestGame game(windowtest::freshGame(Difficulty::expert));
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
    }

    void menuBarCommandsNeverAsk()
    {
        windowtest::TestGame game(windowtest::nearlyWonGame());
        MainWindow window(*game.engine);
        window.show();
        // "New Game" while playing: a fresh board of the same size at once.
        QCOMPARE(window.newGameAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
        window.newGameAction()->trigger();
        QVERIFY(!windowtest::openNewGameDialog());
        QCOMPARE(game.engine->board(), Board::fresh(Difficulty::beginner));
        // Not counted as a game played.
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
        QVERIFY(!windowtest::openNewGameDialog());
        QCOMPARE(game.engine->board(), Board::fresh(Difficulty::expert));
        QCOMPARE(checkedSizes(window), std::vector { Difficulty::expert });
    }

    void returnPlaysAgainOnlyWhileTheBannerShows()
    {
        windowtest::TestGame game(windowtest::nearlyWonGame());
        MainWindow window(*game.engine);
        window.show();
        // While playing Return does nothing.
        QTest::keyClick(&window, Qt::Key_Return);
        QCOMPARE(game.engine->board().phase, Board::Phase::playing);
        QVERIFY(!windowtest::openNewGameDialog());
        // After the game ends it presses "Play Again": a new game at once.
        game.engine->reveal(8, 8);
        QTest::keyClick(&window, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(game.engine->board(), Board::fresh(Difficulty::beginner));
    }

    void smallestSizesFollowTheDifficulty()
    {
        windowtest::TestGame game;
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
        QVERIFY(window.contentView().width() >= 460);
        QVERIFY(window.contentView().height() >= 520);
    }

    void geometryComesBackNextLaunch()
    {
        windowtest::TestGame game;
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

    void laterCommandsGoWhereTheyBelong()
    {
        windowtest::TestGame game;
        MainWindow window(*game.engine);
        auto* updates = new QAction(QStringLiteral("Check for Updates\u2026"), &window);
        auto* sync = new QAction(QStringLiteral("Sync Folder\u2026"), &window);
        window.insertHelpAction(updates);
        window.insertGameAction(sync);
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
};

} // namespace

int windowtest::runMainWindowTests(int argc, char** argv)
{
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainWindowTest.moc"
