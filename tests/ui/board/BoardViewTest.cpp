// SPDX-License-Identifier: GPL-3.0-or-later
// The board view on a real engine and hand-laid boards: size, input, painting, animation, access.
#include "ui/board/BoardView.h"

#include "TestBoards.h"
#include "TestEngine.h"

#include "ui/board/BoardPalette.h"
#include "ui/board/BoardShadowPainter.h"
#include "ui/board/BoardSurface.h"
#include "ui/board/OpeningAnimation.h"

#include <QtTest>
#include <QtWidgets>

namespace {

namespace P = BoardPalette;
using enum Difficulty;
constexpr double side = 44.0; // beginner in 500 × 400

/// The board saved on a throw-away folder and restored by the engine, and a 500 × 400 view of it
/// on the same hand-moved clock, not shown yet, so nothing animates.
struct Game : TestMachine {
    std::unique_ptr<BoardView> view;
    explicit Game(const Board& saved)
    {
        clock.set(1000.0);
        writeStoredGame(folders.local, SavedGame { saved, 0, 500.0 });
        view = std::make_unique<BoardView>(launch(std::nullopt), clock.function());
        view->resize(500, 400);
    }
    BoardSurface& surface() { return view->show(), view->surface(); } // hidden, it defers sizing
};

/// Mines in a ring round (5,5), which shows 8, and at (0,8) and (8,0); (3,3) shows 1, (3,4) 2,
/// (3,5) 3, (0,0) nothing; flags on the mines (4,4) and (8,0) and the safe (1,1); (1,4) has a ?.
Board handBoard()
{
    Board board = boardWithMines(beginner,
        { { 4, 4 }, { 5, 4 }, { 6, 4 }, { 4, 5 }, { 6, 5 }, { 4, 6 }, { 5, 6 }, { 6, 6 }, { 0, 8 },
            { 8, 0 } });
    uncover(board, { { 5, 5 }, { 3, 3 }, { 3, 4 }, { 3, 5 }, { 0, 0 } });
    flag(board, { { 4, 4 }, { 8, 0 }, { 1, 1 }, { 1, 4 } });
    board.toggleMark(1, 4);
    return board;
}

bool near(QColor a, QColor b, int tolerance)
{
    const int off[] = { a.red() - b.red(), a.green() - b.green(), a.blue() - b.blue() };
    return std::ranges::all_of(off, [tolerance](int d) { return std::abs(d) <= tolerance; });
}

/// Plays steps like "p4,4 m4,4+3,0@349 r4,4@400" at column,row's centre (+dx,dy, @ms): c clicks
/// (up at 80 ms), p presses, m moves, r releases; R (then a context menu), M, B the right, middle,
/// back buttons; "Ctrl+" etc. modifiers; k a key; "flags" flag mode; "hold" fires the hold timer.
bool play(Game& game, const QString& steps)
{
    static const QRegularExpression form(
        QStringLiteral(R"(^((?:\w+\+)*)(.)(-?[\d.]+),(-?[\d.]+)(?:\+(\d+),(\d+))?(?:@(\d+))?$)"));
    BoardSurface& surface = game.surface();
    bool taken = true;
    const auto send = [&](QEvent&& event, bool assumed = false) {
        event.setAccepted(assumed);
        QApplication::sendEvent(&surface, &event);
        taken = taken && event.isAccepted();
    };
    for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = form.match(step);
        const auto n = [&m](int i) { return m.captured(i).toDouble(); };
        const QPointF at((n(3) + 0.5) * side + n(5), (n(4) + 0.5) * side + n(6));
        const QString verb = m.captured(2);
        const auto button = Qt::MouseButton(1 << std::max(0, int(QString("LRMB").indexOf(verb))));
        const auto mods = QKeySequence(m.captured(1) + 'A')[0].keyboardModifiers();
        const auto mouse = [&](QEvent::Type type, double ms) {
            QMouseEvent event(type, at, at, type == QEvent::MouseMove ? Qt::NoButton : button,
                type == QEvent::MouseButtonRelease ? Qt::NoButton : button, mods);
            event.setTimestamp(quint64(ms));
            send(std::move(event));
        };
        const QKeyCombination key = QKeySequence(step.mid(1))[0];
        if (step == "flags")
            game.view->setFlagMode(true);
        else if (step == "hold")
            QMetaObject::invokeMethod(surface.findChild<QTimer*>("holdTimer"), "timeout");
        else if (step.startsWith('k'))
            send(QKeyEvent(QEvent::KeyPress, key.key(), key.keyboardModifiers()), true);
        else if (verb == "m" || verb == "r")
            mouse(verb == "m" ? QEvent::MouseMove : QEvent::MouseButtonRelease, n(7));
        else
            mouse(QEvent::MouseButtonPress, n(7));
        if (verb == "c")
            mouse(QEvent::MouseButtonRelease, 80);
        else if (verb == "R")
            send(QContextMenuEvent(QContextMenuEvent::Mouse, at.toPoint(), at.toPoint()));
    }
    return taken;
}

class BoardTest : public QObject {
    Q_OBJECT

private slots:
    void sizeRuleAndPlacement()
    {
        // Whole points, rounded down, never below 22; it scrolls past half a point of slack either
        // way; a collapsed layout (0 or negative) gets the minimum.
        const std::tuple<QSizeF, Difficulty, double, bool> cases[] = { // area, square, scrolls
            { { 500, 400 }, beginner, 44, false }, { { 600, 400 }, expert, 22, true },
            { { 659.6, 352 }, expert, 22, false }, { { 659.4, 352 }, expert, 22, true },
            { { 700, 351.5 }, expert, 22, false }, { { 700, 351.4 }, expert, 22, true },
            { { 30 * 23.9, 1000 }, expert, 23, false }, { { 0, 0 }, intermediate, 22, true },
            { { -5, 300 }, intermediate, 22, true }
        };
        for (const auto& [area, difficulty, square, scrolls] : cases) {
            const BoardLayout layout = BoardLayout::forArea(area, difficulty);
            QCOMPARE(std::pair(layout.squareSize, layout.scrolls), std::pair(square, scrolls));
        }
        Game game(Board::fresh(beginner));
        BoardSurface& surface = game.surface();
        QScrollArea& scroll = game.view->scrollArea();
        // Fitting, the board sits at the top, centred; not, it scrolls only the way it does not
        // fit, as far as it is larger; out of the scroll area it is transparent again.
        const std::tuple<QSize, Difficulty, QRect, int, int> placements[] = {
            { { 500, 400 }, beginner, { 52, 0, 396, 396 }, 0, 0 },
            { { 500, 400 }, expert, { 0, 0, 660, 352 }, 160, 0 },
            { { 700, 400 }, expert, { 5, 0, 690, 368 }, 0, 0 },
            { { 660, 300 }, expert, { 0, 0, 660, 352 }, 0, 52 }, // too low only
        };
        for (const auto& [size, difficulty, place, across, down] : placements) {
            game.engine->newGame(difficulty);
            game.view->resize(size);
            const bool scrolls = across || down;
            const auto bar = [scrolls](QScrollBar* bar) { return scrolls ? bar->maximum() : 0; };
            QCOMPARE(std::tuple(game.view->isScrolling(), scroll.isVisible(), surface.isVisible(),
                         surface.geometry(), surface.autoFillBackground(),
                         bar(scroll.horizontalScrollBar()), bar(scroll.verticalScrollBar()),
                         scrolls ? scroll.geometry() : game.view->rect()),
                std::tuple(scrolls, scrolls, true, place, false, across, down, game.view->rect()));
        }
        play(game, "kPgDown"); // the keyboard's square scrolls into view
        const QRect square = surface.squareRect(surface.cursor()).toRect();
        QVERIFY(scroll.viewport()->rect().contains(
            square.translated(surface.mapTo(scroll.viewport(), QPoint()))));
    }

    void mouseAndKeysPlay()
    {
        // Steps (see play) on a fresh handBoard; what is seen: the square held down, "armed" when
        // its release will mark, the cursor @, accessible names; changes announced (refusals too).
        const std::tuple<QString, QString, int, std::int64_t, bool> rows[] = {
            { "", "@4,4; 0,0=empty; 3,4=2; 8,0=flag; 6,6=covered; 1,4=question mark", 0, 0, true },
            { "c3,3", "4,3=2", 1, 1, true }, // a number whose flags are complete chords
            { "c8.5,0 c0,8.5", "", 0, 0, true }, // the far edges are one past the last square
            { "p7,7 r-1,0@50", "7,7=covered", 0, 0, true }, // let go off the surface
            { "c0,8", "0,8=exploded mine; 5,4=mine; 8,0=mine; 1,1=wrong flag", 1, 1, true },
            { "Ctrl+c8,8", "8,8=flag", 1, 1, true },
            { "Shift+Alt+Meta+c8,8", "8,8=empty", 1, 1, true },
            { "flags c8,8 c3,3", "8,8=flag; 4,3=2", 2, 2, true },
            { "p8,8 r8,8@350", "8,8=flag", 1, 1, true }, // held still: marks, and is no click too
            { "p6,2 m7,2@400 r7,2@500", "6,2=covered; 7,2=flag", 1, 1, true }, // where let go
            { "p2,6 m2,6+6,8@100 r2,6+6,8@400", "2,6=flag", 1, 1, true }, // 10 points of wobble
            { "p2,6 m2,6+6,9@100 r2,6@400", "2,6=empty", 1, 1, true }, // wandered: a click
            { "p7,7 r10,0@400", "7,7=covered", 1, 0, true }, // marking off the board is refused
            { "R8,8", "8,8=flag", 1, 1, true }, // right and middle act on the press alone
            { "M3,3", "4,3=2", 1, 1, true },
            { "B8,8", "8,8=covered", 0, 0, true }, // other buttons do nothing, and go no further
            { "kHome kLeft kPgUp kUp", "@0,0", 0, 0, true }, // never past an edge
            { "kEnd kRight kPgDown kDown kUp kLeft", "@7,7", 0, 0, true },
            { "kUp kF", "@4,3; 4,3=flag", 1, 1, true },
            { "kUp kLeft kSpace", "@3,3; 4,2=empty", 1, 1, true },
            { "kCtrl+Right", "@4,4", 0, 0, false }, // the window's
            { "kReturn", "", 0, 0, false },
            { "kPgDown kHome kSpace kRight kSpace kF", "@1,8; 1,8=covered", 1, 1, true }, // lost
            { "p8,8 m8,8+3,0@349", "[8,8]", 0, 0, true },
            { "p8,8 m8,8+3,0@350", "[8,8]; armed", 0, 0, true },
            { "p8,8 hold", "[8,8]; armed", 0, 0, true }, // with no event to carry a timestamp
            { "p7,7 m7,6@100", "[7,6]", 0, 0, true }, // the square a release would act on
            { "p7,7 m3,4@100", "", 0, 0, true },
            { "Ctrl+p2,6", "[2,6]; armed", 0, 0, true },
        };
        for (const auto& [steps, expect, changes, moves, taken] : rows) {
            Game game(handBoard());
            QSignalSpy changed(game.engine.get(), &GameEngine::boardChanged);
            const bool stopped = play(game, steps);
            BoardSurface& surface = game.view->surface();
            const auto cells = QAccessible::queryAccessibleInterface(&surface)->tableInterface();
            const auto name = [](Point p) { return QStringLiteral("%1,%2").arg(p.x).arg(p.y); };
            const auto pressed = surface.pressedSquare();
            QStringList seen { pressed ? '[' + name(*pressed) + ']' : "",
                surface.isPressArmed() ? "armed" : "",
                expect.contains('@') ? '@' + name(surface.cursor()) : "" };
            for (const QString& token : expect.split("; "))
                if (token.contains('='))
                    seen << token.left(4) +
                            cells->cellAt(token[2].digitValue(), token[0].digitValue())
                                ->text(QAccessible::Name);
            seen.removeAll("");
            QCOMPARE(std::tuple(steps, seen.join("; "), changed.count(), game.engine->moveCount(),
                         stopped),
                std::tuple(steps, expect, changes, moves, taken));
        }
    }

    void shownAndTold()
    {
        Game game(handBoard());
        BoardSurface& surface = game.surface();
        game.clock.advance(10); // long after any opening animation
        // To assistive technology the board is a table of cells, each knowing its place.
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&surface);
        QAccessibleTableInterface* cells = table->tableInterface();
        QAccessibleInterface* cell = table->child(2 * 9 + 7);
        const auto place = cell->tableCellInterface();
        QCOMPARE(std::tuple(table->role(), cell->role(), cell->parent(), table->childCount(),
                     cells->rowCount(), cells->columnCount(), place->rowIndex(),
                     place->columnIndex(), table->indexOfChild(cell), !cells->cellAt(9, 0),
                     !cells->cellAt(0, -1), !table->child(81)),
            std::tuple(QAccessible::Table, QAccessible::Cell, table, 81, 9, 9, 2, 7, 25, 1, 1, 1));
        // Its focus is the cursor's cell (the end-to-end test follows it, and hears the events).
        QApplication::setActiveWindow(game.view.get());
        surface.setFocus();
        // At rest; the cursor ring after keys; held down, which hides it; armed, the flag that
        // the release will place showing faintly; the next key showing the ring again; lost; won.
        enum { inPlay, ringed, pressed, armed, ringAgain, lost, won };
        std::vector<QImage> looks { surface.grab().toImage() };
        for (const char* steps : { "kDown kUp", "p6,1", "m6,1@350", "r6,1@400 kPgDown", "c0,8" })
            looks.push_back((play(game, steps), surface.grab().toImage()));
        const QColor faint = looks[armed].pixelColor(286, 62);
        QVERIFY2(faint.red() > faint.green() + 40, qPrintable(faint.name()));
        QCOMPARE(table->focusChild(), cells->cellAt(8, 4)); // it moved with the cursor
        Game winner(nearlyWonBoard()); // the rules flag every mine of a won game
        winner.engine->reveal(8, 8);
        winner.clock.advance(10);
        looks.push_back(winner.surface().grab().toImage());
        // Square, at least so many pixels of a colour (to 3 either way), and one it must not show.
        const std::tuple<int, int, int, QColor, int, QColor> probes[] = { // a 0: 80 % plain fill
            { inPlay, 0, 0, P::openFill(), 1548, {} }, { inPlay, 1, 4, P::questionInk(), 11, {} },
            { inPlay, 3, 3, P::numberColor(1), 11, P::numberColor(2) }, // by count, not spilling
            { inPlay, 1, 1, P::flagRed(), 11, P::wrongFlagCross() }, // never crossed in play
            { inPlay, 4, 4, P::flagRed(), 11, P::accent() }, { ringed, 4, 4, P::accent(), 11, {} },
            { pressed, 6, 1, P::openFill(), 1000, {} }, // pressed in, flat, hiding the ring
            { pressed, 4, 4, P::flagRed(), 11, P::accent() },
            { lost, 0, 8, P::explodedFill(), 11, {} }, // the mine that ended it; the others plain
            { lost, 8, 0, Qt::black, 11, P::wrongFlagCross() },
            { lost, 5, 4, P::openFill(), 11, {} },
            { lost, 1, 1, P::wrongFlagCross(), 11, P::flagRed() }, // a flag on a safe square
            { won, 4, 0, P::flagRed(), 11, Qt::black }, // no mine uncovered
            { ringAgain, 4, 8, P::accent(), 11, {} }
        };
        for (const auto& [look, x, y, colour, least, absent] : probes) {
            int seen = 0, unwanted = 0;
            for (int i = 0; i < 44 * 44; ++i) {
                const QColor pixel = looks[look].pixelColor(x * 44 + i % 44, y * 44 + i / 44);
                seen += near(pixel, colour, 3);
                unwanted += absent.isValid() && near(pixel, absent, 3);
            }
            QCOMPARE(std::tuple(look, x, y, std::min(seen, least), unwanted),
                std::tuple(look, x, y, least, 0));
        }
        // At 1× and a fractional pixel ratio each gap on a covered row keeps a pixel column of pure
        // background (tiles off the pixel grid or resampled would smear it); the corner is rounded.
        for (const double ratio : { 1.0, 1.25 }) {
            QImage image(surface.size() * ratio, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(Qt::transparent);
            surface.render(&image);
            const auto pure = [&](int x) {
                return near(image.pixelColor(x, int(1.5 * side * ratio)), P::boardBackground(), 1);
            };
            QString gaps; // where each run of pure background starts, in squares
            for (int x = 1; x < image.width() - 1; ++x)
                gaps += pure(x) && !pure(x - 1) ? QString::number(qRound(x / side / ratio)) : "";
            QCOMPARE(std::tuple(ratio, gaps, image.pixelColor(0, 0).alpha(),
                         image.pixelColor(0, image.height() / 2).alpha()),
                std::tuple(ratio, QString("12345678"), 0, 255));
        }
        // The shadow on white darkens just below the board and past its sides, never under it.
        QImage image(600, 640, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        BoardShadowPainter().paint(painter, QRectF(40, 40, 9 * 55, 9 * 55), QRegion(image.rect()));
        const auto red = [&image](int x, int y) { return image.pixelColor(x, y).red(); };
        QVERIFY(red(250, 541) < 220 && red(36, 250) < 250 && red(250, 250) == 255);
        game.engine->newGame(intermediate); // another size, another table, focus in the middle
        QVERIFY(table->childCount() == 256 && table->focusChild() == cells->cellAt(8, 8));
    }

    void openingAnimatesFreshSquares()
    {
        // A wall of mines down column 4 and one at (8,4): uncovering (0,8) floods the 36 squares
        // on the left, (8,8) the 35 on the right, of which three were uncovered when saved.
        Board board = boardWithMines(beginner,
            { { 4, 0 }, { 4, 1 }, { 4, 2 }, { 4, 3 }, { 4, 4 }, { 4, 5 }, { 4, 6 }, { 4, 7 },
                { 4, 8 }, { 8, 4 } });
        uncover(board, { { 5, 0 }, { 6, 0 }, { 7, 0 } });
        Game game(board);
        BoardView& view = *game.view;
        OpeningAnimation& opening = view.opening();
        int redrawn = 0;
        QObject::connect(&opening, &OpeningAnimation::frameAdvanced,
            [&redrawn](const std::vector<Point>& squares) { redrawn = int(squares.size()); });
        const auto state = [&] { // squares animating, redrawn by the last frame; frames running
            return QString::asprintf(
                "%zu %d %d", opening.opened().size(), redrawn, opening.isRunning());
        };
        const auto frameAt = [&](Instant now) { game.clock.set(now), opening.advance(); };
        // The restored squares open when first shown; showing again, a mark, or switching to
        // scrolling and back (which shows the surface anew) starts nothing.
        view.show();
        QCOMPARE(state(), "3 0 1");
        frameAt(1001);
        view.hide(), view.show();
        game.engine->toggleMark(4, 0);
        view.resize(150, 150), view.resize(500, 400);
        QCOMPARE(state(), "0 3 0");
        // A move's squares start together (ages clamped at 0); a frame redraws the animating
        // squares; a second move adds only its new ones.
        game.engine->reveal(0, 8);
        QCOMPARE(*opening.progress(Point { 1, 6 }, 1000.0), 0.0);
        frameAt(1001.1);
        game.engine->reveal(8, 8);
        QCOMPARE(state(), "68 36 1");
        // Halfway (1,6)'s tile is 70 % of its size at half opacity, blended with the open fill.
        game.clock.set(1001.11);
        const QColor half = view.surface().grab().toImage().pixelColor(66, 286);
        QVERIFY(near(half, QColor::fromRgbF(0.7975f, 0.8275f, 0.87f), 6));
        frameAt(1001.22); // at 0.22 s the first ones go at once, still redrawn by that frame
        QCOMPARE(state(), "32 68 1");
        // A new game keeps what was uncovered as known, one of another size forgets it.
        game.engine->newGame(beginner);
        QCOMPARE(opening.wasRevealed().size(), std::size_t { 71 });
        game.engine->newGame(intermediate);
        QVERIFY(opening.wasRevealed().empty());
        opening.advance();
        QCOMPARE(state(), "0 0 0");
    }
};

} // namespace

QTEST_MAIN(BoardTest)
#include "BoardViewTest.moc"
