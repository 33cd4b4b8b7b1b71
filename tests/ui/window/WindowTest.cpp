// SPDX-License-Identifier: GPL-3.0-or-later
// The window's widgets against a real engine on temporary folders with a hand-driven clock.
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
#include "ui/window/SyncFolderDialog.h"
#include "ui/window/WindowTheme.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {

using enum Difficulty;

const auto question = [] {
    return qobject_cast<NewGameDialog*>(QApplication::activeModalWidget());
};
const auto accessible = [](QWidget& w, QAccessible::Text text = QAccessible::Name) {
    return QAccessible::queryAccessibleInterface(&w)->text(text);
};
const auto pixel = [](QWidget& w, int x, int y) { return w.grab().toImage().pixelColor(x, y); };

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void textsAndFindings()
    {
        using enum Board::Phase;
        // Counters: zero-padded to three digits up to 999; a minus and two digits down to -99.
        QStringList leds;
        for (const std::int64_t v : { 42L, 999L, 1000L, INT64_MAX, -1L, -99L, -100L, INT64_MIN })
            leds << LEDCounter::text(v);
        QCOMPARE(leds.join(u' '), u"042 999 999 999 -01 -99 -99 -99"_s);
        // A record flag left over from elsewhere never turns a loss into a record.
        QCOMPARE(ResultBanner::title(lost, false) + ResultBanner::title(lost, true) +
                ResultBanner::title(won, true) + ResultBanner::title(won, false),
            u"Boom.Boom.New best time!Cleared!"_s);
        const Records records { { beginner, { 7, 3, 38 } }, { expert, { 5, 0, std::nullopt } },
            { intermediate, { 12345, 1234, 1000 } } };
        const std::tuple<Difficulty, Board::Phase, Records, std::int64_t, QString> lines[] = {
            { beginner, won, records, 42, u"Beginner in 42s · best 38s · 3 of 7 won"_s },
            { beginner, lost, records, 42, u"Beginner · best 38s · 3 of 7 won"_s },
            { expert, lost, records, 9, u"Expert · best — · 0 of 5 won"_s },
            { expert, lost, {}, 0, u"Expert · best — · 0 of 0 won"_s },
            { intermediate, won, records, 1234, // without grouping
                u"Intermediate in 1234s · best 1000s · 1234 of 12345 won"_s },
        };
        for (const auto& [difficulty, phase, stats, seconds, line] : lines) {
            Board board = Board::fresh(difficulty);
            board.phase = phase;
            QCOMPARE(ResultBanner::statsLine(board, stats, seconds), line);
        }
        // Statistics cells: played, won, rate (halves up), best; nonsense from elsewhere too.
        const std::pair<Record, QString> cells[] = { { {}, u"0 0 — —"_s },
            { { 3, 2, 43 }, u"3 2 67% 43s"_s }, { { 8, 1, 600 }, u"8 1 13% 600s"_s },
            { { 5, 0, std::nullopt }, u"5 0 0% —"_s }, { { 2, 9, 1 }, u"2 9 100% 1s"_s },
            { { -4, 1, std::nullopt }, u"-4 1 — —"_s } };
        for (const auto& [record, expected] : cells) {
            QStringList texts;
            for (const StatisticsWindow::Column column : StatisticsWindow::columns)
                texts << StatisticsWindow::cellText(record, column);
            QCOMPARE(texts.join(u' '), expected);
        }
        using Finding = PostMortem::Finding;
        using enum Finding::Kind;
        using enum GameEngine::LosingMove::Kind;
        // nearlyWon: every covered square but (8, 8) holds a mine, and the numbers say so.
        // untouched: nothing uncovered, so every square holds a mine 10 times in 81.
        const Board nearlyWon = nearlyWonBoard();
        Board untouched = Board::fresh(beginner);
        untouched.phase = Board::Phase::playing;
        untouched.minesLaid = true;
        // A chord on (1, 1) trusting a right flag on (0, 0) and a wrong one on (2, 1).
        Board flagged = nearlyWon;
        flag(flagged, { { 0, 0 }, { 2, 1 } });
        flagged.cells[std::size_t(flagged.index(2, 1))].isRevealed = false;
        // Numbers no layout satisfies, and a malformed board, give no finding.
        Board contradictory = nearlyWon, malformed = nearlyWon;
        contradictory.cells[std::size_t(nearlyWon.index(7, 7))].adjacent = 3;
        malformed.cells.pop_back();
        const std::pair<GameEngine::LosingMove, std::optional<Finding>> cases[] = {
            { { reveal, { 0, 0 }, nearlyWon }, Finding { safeSquareKnown, { 8, 8 }, 0 } },
            { { reveal, { 4, 4 }, untouched }, Finding { forcedGuess, { 4, 4 }, 12 } },
            { { chord, { 1, 1 }, flagged }, Finding { wrongFlag, { 2, 1 }, 0 } },
            { { reveal, { 0, 0 }, contradictory }, std::nullopt },
            { { reveal, { 0, 0 }, malformed }, std::nullopt },
        };
        for (const auto& [move, finding] : cases)
            QCOMPARE(PostMortem::examine(move), finding);
        QCOMPARE(PostMortem::text({ safeSquareKnown, {}, 0 }) +
                PostMortem::text({ forcedGuess, {}, 12 }) + PostMortem::text({ wrongFlag, {}, 0 }),
            u"A safe square could be known: it is outlined."
            u"A forced guess: no safe square could be known (12% chance of a mine here)."
            u"A flag was wrong: the chord trusted it."_s);
        // A forced guess rings nothing: the clicked square shows its mine anyway.
        QCOMPARE(PostMortem::outlined(Finding { forcedGuess, { 4, 4 }, 12 }), std::nullopt);
    }

    void exclusiveMenuItemsAreTicked()
    {
        // The base style would give an item of an exclusive group (the sizes) a round bullet.
        applyWindowTheme();
        const auto item = [](QStyleOptionMenuItem::CheckType type, bool checked) {
            QStyleOptionMenuItem option;
            option.rect = QRect(0, 0, 160, 24), option.state = QStyle::State_Enabled;
            option.checkType = type, option.checked = checked;
            QImage image(option.rect.size(), QImage::Format_ARGB32);
            image.fill(Qt::black);
            QPainter painter(&image);
            QApplication::style()->drawControl(QStyle::CE_MenuItem, &option, &painter);
            return image;
        };
        const QImage tick = item(QStyleOptionMenuItem::Exclusive, true);
        QVERIFY(tick != item(QStyleOptionMenuItem::Exclusive, false));
        QCOMPARE(tick, item(QStyleOptionMenuItem::NonExclusive, true));
    }

    void theWindowInPlay()
    {
        // The window's own look: its palette gives the question its red button.
        applyWindowTheme();
        TestMachine game;
        // A saved game in play where (8, 8) wins and (0, 0) loses.
        writeStoredGame(game.folders.local, SavedGame { nearlyWonBoard(), 10, startTime - 1 });
        GameEngine& engine = game.launch(std::nullopt);
        MainWindow window(engine);
        QByteArray geometry;
        connect(&window, &MainWindow::closing, this, [&](const QByteArray& g) { geometry = g; });
        // A first launch has nothing to restore and takes the default size.
        window.restoreWindowGeometry({});
        QCOMPARE(window.size(), MainWindow::defaultSize);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        ContentView& content = window.contentView();
        BoardSurface& board = content.boardView().surface();
        BoardSizeMenu& menu = content.boardSizeMenu();
        StatusBar& bar = content.statusBar();
        FaceButton& face = bar.faceButton();
        ResultBanner& banner = content.resultBanner();
        GameColumn& column = content.gameColumn();
        // What the player sees and a screen reader reads: the face and its description, mines
        // left, the clock and whether it ticks, and the banner if shown.
        const auto seen = [&] {
            bar.refreshClock();
            return u"%1 %2|%3|%4|%5|%6"_s.arg(face.text(),
                accessible(face, QAccessible::Description),
                LEDCounter::text(bar.minesCounter().value()),
                LEDCounter::text(bar.clockCounter().value()), bar.isTicking() ? "ticking" : "still",
                column.isBannerShown() ? banner.titleText() + " / " + banner.statsText() : u"-"_s);
        };
        const auto border = [&] { return pixel(banner, banner.width() / 2, 0); };
        // After act, and the answer to the question if given: the question and a size waiting for
        // it, the board, the size menu's label and its accessible name when they do not follow the
        // board, and for each size whether the size menu and the menu bar check it.
        const auto after = [&](const auto& act, std::optional<bool> confirm = {}) {
            act();
            if (NewGameDialog* dialog = question(); confirm && dialog)
                (*confirm ? dialog->confirmButton() : dialog->cancelButton())->click();
            else if (confirm)
                return u"no question"_s;
            const Board& now = engine.board();
            const QString name = QString::fromUtf8(title(now.difficulty));
            QStringList words;
            if (question())
                words << u"asks"_s;
            if (const auto pending = content.pendingDifficulty())
                words << "for " + QString::fromUtf8(title(*pending));
            words << name + (now == Board::fresh(now.difficulty) ? " fresh" : " old");
            if (menu.text() != name || accessible(menu) != "Board size: " + name)
                words << menu.text() + '/' + accessible(menu);
            for (const Difficulty size : allDifficulties)
                words << QString(menu.action(size)->isChecked() ? "x" : ".") +
                        (window.difficultyAction(size)->isChecked() ? "x" : ".");
            return words.join(u' ');
        };
        // The board's shadow spills below and beside it, whatever room the window leaves.
        const auto shadowed = [&] {
            column.settle();
            const QImage image = content.grab().toImage();
            const QRect r = content.boardView().boardRect().translated(
                content.boardView().mapTo(&content, QPoint()));
            const int background = qGray(Palette::windowBackground().rgb());
            return qGray(image.pixel(r.center().x(), r.bottom() + 6)) < background &&
                qGray(image.pixel(r.right() + 3, r.center().y())) < background;
        };
        QCOMPARE(seen(), u"🙂 Game in progress|010|010|ticking|-"_s);
        // The board has the keys; Tab goes round the size menu, the face and back. Return while
        // playing does nothing.
        for (QWidget* next : std::initializer_list<QWidget*> { &board, &menu, &face, &board }) {
            QCOMPARE(QApplication::focusWidget(), next);
            QTest::keyClick(next, Qt::Key_Tab);
        }
        QTest::keyClick(&board, Qt::Key_Return);
        QVERIFY(engine.board().phase == Board::Phase::playing && !question());
        // A loss brings the banner in on the spring; settled, it sits at the bottom of the column,
        // the board gave up its room, and its border is the panel's, not the accent.
        const int fullHeight = content.boardView().height();
        engine.reveal(0, 0);
        QVERIFY(column.isBannerShown() && column.isAnimating() && banner.isVisible());
        QVERIFY(shadowed() && !column.isAnimating() && column.bannerProgress() == 1.0 &&
            banner.geometry().bottom() == column.height() - 1);
        QCOMPARE(content.boardView().height(), fullHeight - banner.height() - GameColumn::spacing);
        QCOMPARE(seen(), u"😵 Game lost|010|010|still|Boom. / Beginner · best — · 0 of 1 won"_s);
        QVERIFY2(qAbs(border().red() - border().blue()) < 20, qPrintable(border().name()));
        // The post-mortem's line, and its outline on the square that could be known.
        QTRY_COMPARE(banner.postMortemText(), u"A safe square could be known: it is outlined."_s);
        QCOMPARE(board.outlinedSquare(), std::optional(Point { 8, 8 }));
        // A click on the board takes the keys back, and Return plays again. The outline goes at
        // once; the banner shows the game that ended while it slides away.
        menu.setFocus();
        QTest::mouseClick(&board, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(QApplication::focusWidget(), &board);
        QTest::keyClick(&board, Qt::Key_Return);
        QCOMPARE(board.outlinedSquare(), std::nullopt);
        QCOMPARE(banner.titleText() + banner.statsText(), u"Boom.Beginner · best — · 0 of 1 won"_s);
        QVERIFY(shadowed() && content.boardView().height() == fullHeight);
        QCOMPARE(seen(), u"🙂 Game not started|010|000|still|-"_s);
        // Playing, each tick reads the clock anew.
        startGame(engine, beginner);
        game.clock.advance(3.4);
        QCOMPARE(seen(), u"🙂 Game in progress|010|003|ticking|-"_s);
        // A loss given up before its analysis is back: no line from the loss before, and the late
        // result is dropped.
        playLosingGame(engine, game.clock, 3);
        QCOMPARE(banner.postMortemText(), QString());
        engine.newGame(beginner);
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QVERIFY(!content.postMortem().finding() && !board.outlinedSquare());
        // A first win: a new best in whole seconds, the accent border, and time standing still.
        playWinningGame(engine, game.clock, 95.5);
        column.settle();
        game.clock.advance(60);
        QCOMPARE(seen(),
            u"😎 Game won|000|095|still|New best time! / Beginner in 95s · best 95s · 1 of 3 won"_s);
        QVERIFY2(border().red() > border().blue() + 40, qPrintable(border().name()));
        // The question when a new game would abandon one in play, and the sizes' checks.
        startGame(engine, beginner);
        game.clock.advance(4);
        const auto before = std::tuple(engine.board(), engine.moveCount(), engine.elapsedSeconds());
        // The face while playing asks, in the body, with the program's name as the title, no icon,
        // a red destructive "New Game", and Cancel as the escape.
        QCOMPARE(after([&] { face.click(); }), u"asks Beginner old xx .. .."_s);
        NewGameDialog* dialog = question();
        auto* confirm = dialog->confirmButton();
        QCOMPARE(dialog->windowTitle() + '|' + dialog->text() + '|' + dialog->informativeText() +
                '|' + confirm->text(),
            u"Sapperly|Start a new game?|The field you're on will be abandoned.|New Game"_s);
        QVERIFY(dialog->icon() == QMessageBox::NoIcon &&
            dialog->escapeButton() == dialog->cancelButton() &&
            dialog->buttonRole(confirm) == QMessageBox::DestructiveRole);
        const QColor c = pixel(*confirm, 4, confirm->height() / 2);
        QVERIFY2(c.red() > 2 * c.green() && c.red() > 2 * c.blue(), qPrintable(c.name()));
        // Cancel, Escape, and Cancel after choosing Expert in the size menu, which waits for the
        // answer with the old check, leave board, moves and clock as they were.
        QCOMPARE(after([] {}, false), u"Beginner old xx .. .."_s);
        content.requestNewGame(std::nullopt);
        QCOMPARE(
            after([] { QTest::keyClick(question(), Qt::Key_Escape); }), u"Beginner old xx .. .."_s);
        QCOMPARE(after([&] { menu.action(expert)->trigger(); }),
            u"asks for Expert Beginner old xx .. .."_s);
        QCOMPARE(after([] {}, false), u"Beginner old xx .. .."_s);
        QVERIFY(std::tuple(engine.board(), engine.moveCount(), engine.elapsedSeconds()) == before);
        // The face then starts the old size, not the one chosen before.
        QCOMPARE(after([&] { face.click(); }, true), u"Beginner fresh xx .. .."_s);
        // On a fresh board another size starts at once.
        QCOMPARE(after([&] { content.requestNewGame(expert); }), u"Expert fresh .. .. xx"_s);
        QVERIFY(MainWindow(engine).difficultyAction(expert)->isChecked()); // opened on expert
        // Confirmed while playing, another size takes the checks and the label.
        startGame(engine, beginner);
        QCOMPARE(after([&] { menu.action(intermediate)->trigger(); }, true),
            u"Intermediate fresh .. xx .."_s);
        QCOMPARE(menu.action(intermediate)->text(), u"Intermediate — 16 × 16, 40 mines"_s);
        // The menu bar never asks: "New Game" while playing starts the same size, not counted as a
        // game played; another size starts at once too.
        startGame(engine, beginner);
        const Records records = engine.records();
        QCOMPARE(window.newGameAction()->text() + window.newGameAction()->shortcut().toString(),
            u"&New GameCtrl+N"_s);
        QCOMPARE(after([&] { window.newGameAction()->trigger(); }), u"Beginner fresh xx .. .."_s);
        QVERIFY(engine.records() == records);
        startGame(engine, beginner);
        QCOMPARE(
            after([&] { window.difficultyAction(expert)->trigger(); }), u"Expert fresh .. .. xx"_s);
        // After a loss the face, and after a win the current size, start at once; a new game
        // from elsewhere moves the checks.
        playLosingGame(engine, game.clock, 3);
        QCOMPARE(after([&] { face.click(); }), u"Beginner fresh xx .. .."_s);
        playWinningGame(engine, game.clock, 3);
        QCOMPARE(after([&] { content.requestNewGame(beginner); }), u"Beginner fresh xx .. .."_s);
        QCOMPARE(after([&] { engine.newGame(intermediate); }), u"Intermediate fresh .. xx .."_s);
        // Content of 460 × 520 at the least, wider for expert, which widens a 620-wide window to
        // 692; back on beginner the window keeps its width. The window cannot be made smaller
        // than its content, and the board's shadow shows in the smallest, banner in or away.
        const std::pair<std::function<void()>, QString> steps[] = {
            { [&] { window.resize(MainWindow::defaultSize); }, u"040 460x520 620 620x"_s },
            { [&] { window.difficultyAction(expert)->trigger(); }, u"099 692x520 692 692x"_s },
            { [&] { window.resize(100, 100); }, u"099 692x520 692 692x520 shadow"_s },
            { [&] { window.difficultyAction(beginner)->trigger(); }, u"010 460x520 692 692x"_s },
            { [&] { window.resize(100, 100); }, u"010 460x520 460 460x520 shadow"_s },
            { [&] { playLosingGame(engine, game.clock, 3); }, u"010 460x520 460 460x520 shadow"_s },
        };
        for (const auto& [act, expected] : steps) {
            QCoreApplication::processEvents(); // the layout's new minimum before a resize
            act();
            QCoreApplication::processEvents();
            const QString sizes = QString::asprintf("%s %dx%d %d %dx%d%s",
                qPrintable(LEDCounter::text(bar.minesCounter().value())), content.minimumWidth(),
                content.minimumHeight(), window.width(), content.width(), content.height(),
                shadowed() ? " shadow" : "");
            QVERIFY2(sizes.startsWith(expected), qPrintable(sizes));
        }
        // The window and the about box carry the program's icon.
        QVERIFY(!QApplication::windowIcon().pixmap(64).isNull());
        // The size comes back on the next launch.
        window.resize(700, 640);
        window.close();
        MainWindow next(engine);
        next.restoreWindowGeometry(geometry);
        QCOMPARE(next.size(), QSize(700, 640));
    }

    void statisticsFollowAnotherMachine()
    {
        using enum StatisticsWindow::Column;
        TestMachine machine;
        StatisticsWindow window(machine.launch());
        const auto row = [&](Difficulty size) {
            return u"%1 %2 %3"_s.arg(
                window.text(size, played), window.text(size, winRate), window.text(size, bestTime));
        };
        QCOMPARE(window.windowTitle() + u' ' + row(expert), u"Statistics 0 — —"_s);
        QVERIFY(machine.arrives(recordsKey, recordsBytes({ { expert, { 3, 2, 43 } } })));
        QCOMPARE(row(expert) + u' ' + row(beginner), u"3 67% 43s 0 — —"_s);
        // Showing them wrote nothing.
        QVERIFY(!readStored(machine.folders.local, recordsKey));
        // Folder names, and whatever else may come from elsewhere, show as text, never as markup.
        SyncFolderDialog dialog(u"/tmp/<img src=a>"_s, false);
        dialog.showUnusableFolder(u"/tmp/<b>b</b>"_s);
        QVERIFY(dialog.statusText().contains(u"<b>b</b>"_s));
        ResultBanner banner(*machine.engine);
        for (QWidget* widget : std::initializer_list<QWidget*> { &window, &dialog, &banner })
            for (const QLabel* label : widget->findChildren<QLabel*>())
                QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->text()));
    }
};

} // namespace

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
