// SPDX-License-Identifier: GPL-3.0-or-later
// The board's accessible table: its shape, the names of its cells and where its focus is.
#include "ui/board/BoardAccessible.h"

#include "BoardTestGame.h"

#include "ui/board/BoardSurface.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>

namespace {

class BoardAccessibleTest : public QObject {
    Q_OBJECT

private slots:
    void boardIsATableOfNamedCells()
    {
        // Mines at (0,0), (2,0) and along the bottom row; (1,0) shows 2, (5,0) nothing; a flag on
        // (0,0) and on the safe (3,3), a question mark on (4,4).
        Board board = boardWithMines(Difficulty::beginner,
            { { 0, 0 }, { 2, 0 }, { 0, 8 }, { 1, 8 }, { 2, 8 }, { 3, 8 }, { 4, 8 }, { 5, 8 },
                { 6, 8 }, { 8, 8 } });
        uncover(board, { { 1, 0 }, { 5, 0 } });
        flag(board, { { 0, 0 }, { 3, 3 } });
        board.cells[static_cast<std::size_t>(board.index(4, 4))].mark = Mark::question;
        BoardTestGame game(board);
        BoardSurface& surface = game.surface();
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&surface);
        QVERIFY(table);
        QCOMPARE(table->role(), QAccessible::Table);
        QCOMPARE(table->childCount(), 81);
        QAccessibleTableInterface* cells = table->tableInterface();
        QVERIFY(cells);
        QCOMPARE(cells->rowCount(), 9);
        QCOMPARE(cells->columnCount(), 9);
        QVERIFY(!cells->cellAt(9, 0) && !cells->cellAt(0, -1) && !table->child(81));

        const auto name = [cells](int x, int y) {
            return cells->cellAt(y, x)->text(QAccessible::Name);
        };
        const std::vector<std::tuple<int, int, QString>> inPlay { { 0, 0, "flag" }, { 1, 0, "2" },
            { 5, 0, "empty" }, { 6, 6, "covered" }, { 3, 3, "flag" }, { 4, 4, "question mark" } };
        for (const auto& [x, y, expected] : inPlay)
            QCOMPARE(name(x, y), expected);
        // A cell knows its place, the same one the table gives it.
        QAccessibleInterface* cell = table->child(2 * 9 + 7);
        QCOMPARE(cell->role(), QAccessible::Cell);
        QCOMPARE(cell->tableCellInterface()->rowIndex(), 2);
        QCOMPARE(cell->tableCellInterface()->columnIndex(), 7);
        QCOMPARE(table->indexOfChild(cell), 2 * 9 + 7);
        QCOMPARE(cell->parent(), table);

        // A loss tells the mines, the one that went off and the wrong flag apart.
        game.engine().reveal(8, 8);
        const std::vector<std::tuple<int, int, QString>> lost { { 8, 8, "exploded mine" },
            { 2, 0, "mine" }, { 0, 0, "mine" }, { 3, 3, "wrong flag" }, { 4, 4, "question mark" } };
        for (const auto& [x, y, expected] : lost)
            QCOMPARE(name(x, y), expected);
    }

    void focusFollowsTheCursor()
    {
        // The events that announce these changes need a platform bridge, which the offscreen
        // platform lacks; the end-to-end test hears them through AT-SPI.
        BoardTestGame game(boardWithMines(Difficulty::beginner,
            { { 0, 0 }, { 0, 8 }, { 1, 8 }, { 2, 8 }, { 3, 8 }, { 4, 8 }, { 5, 8 }, { 6, 8 },
                { 7, 8 }, { 8, 8 } }));
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
        game.engine().newGame(Difficulty::intermediate);
        QCOMPARE(table->childCount(), 256);
        QCOMPARE(table->focusChild(), table->tableInterface()->cellAt(8, 8));
    }
};

} // namespace

int runBoardAccessibleTests(int argc, char** argv)
{
    BoardAccessibleTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "BoardAccessibleTest.moc"
