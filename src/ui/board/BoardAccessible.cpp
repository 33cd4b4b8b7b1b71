// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/board/BoardAccessible.h"

#include "engine/GameEngine.h"
#include "ui/board/BoardPainter.h"
#include "ui/board/BoardSurface.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <QWindow>

#include <unordered_map>

namespace {

bool isOnBoard(const Board& board, std::int64_t column, std::int64_t row)
{
    return board.hasConsistentSize() && board.isInside(column, row);
}

/// One square. Cells have no object of their own: the table makes them on demand, keeps them
/// registered and drops them with itself.
class BoardCell : public QAccessibleInterface,
                  public QAccessibleTableCellInterface,
                  public QAccessibleActionInterface {
public:
    BoardCell(BoardSurface* surface, int row, int column)
        : m_surface(surface)
        , m_row(row)
        , m_column(column)
    {
    }

    bool isValid() const override
    {
        return m_surface && isOnBoard(m_surface->engine().board(), m_column, m_row);
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override
    {
        return m_surface ? m_surface->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override
    {
        return m_surface ? QAccessible::queryAccessibleInterface(m_surface) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        switch (t) {
        case QAccessible::Name:
            return BoardAccessible::squareName(m_surface->engine().board(), point());
        case QAccessible::Description:
            return BoardSurface::tr("row %1, column %2").arg(m_row + 1).arg(m_column + 1);
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override { }
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect local = m_surface->squareRect(point()).toAlignedRect();
        return QRect(m_surface->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.focusable = true;
        state.focused = m_surface->hasFocus() && m_surface->cursor() == point();
        state.invisible = !m_surface->isVisible();
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface*>(this);
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    bool isSelected() const override { return false; }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_column; }
    int rowIndex() const override { return m_row; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    // The same two things the keys do: Space presses, F marks.
    QStringList actionNames() const override { return { pressAction(), toggleAction() }; }
    void doAction(const QString& name) override
    {
        if (!isValid())
            return;
        if (name == pressAction())
            m_surface->primaryAction(point());
        else if (name == toggleAction())
            m_surface->engine().toggleMark(m_column, m_row);
    }
    QStringList keyBindingsForAction(const QString& name) const override
    {
        if (name == pressAction())
            return { QStringLiteral("Space") };
        if (name == toggleAction())
            return { QStringLiteral("F") };
        return {};
    }

private:
    [[nodiscard]] Point point() const { return Point { m_column, m_row }; }

    QPointer<BoardSurface> m_surface;
    int m_row;
    int m_column;
};

class BoardTable : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit BoardTable(BoardSurface* surface)
        : QAccessibleWidget(surface, QAccessible::Table)
    {
    }
    ~BoardTable() override { forgetCells(); }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    int childCount() const override { return rowCount() * columnCount(); }
    QAccessibleInterface* child(int index) const override
    {
        const int columns = columnCount();
        if (index < 0 || index >= childCount())
            return nullptr;
        return cellAt(index / columns, index % columns);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        // The cell interface is reached through a const_cast because Qt's accessor is not const.
        auto* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
        if (!cell || !child->isValid() || cell->table() != this)
            return -1;
        return cell->rowIndex() * columnCount() + cell->columnIndex();
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPointF local = surface()->mapFromGlobal(QPointF(x, y));
        if (!QRectF(surface()->rect()).contains(local))
            return nullptr;
        const Point square = surface()->squareAt(local);
        return cellAt(static_cast<int>(square.y), static_cast<int>(square.x));
    }
    QAccessibleInterface* focusChild() const override
    {
        if (!surface()->hasFocus())
            return nullptr;
        const Point cursor = surface()->cursor();
        return cellAt(static_cast<int>(cursor.y), static_cast<int>(cursor.x));
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Description) {
            const Board& board = this->board();
            return BoardSurface::tr("%1 columns, %2 rows, %3 mines")
                .arg(board.columns())
                .arg(board.rows())
                .arg(mines(board.difficulty));
        }
        return QAccessibleWidget::text(t);
    }

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override
    {
        if (!isOnBoard(board(), column, row))
            return nullptr;
        // Keyed by place, not index, so a cell made for one board size is never taken for
        // another square when the size changes.
        const std::int64_t key = static_cast<std::int64_t>(row) << 32 | column;
        const auto found = m_cells.find(key);
        if (found != m_cells.end()) {
            if (QAccessibleInterface* cell = QAccessible::accessibleInterface(found->second))
                return cell;
        }
        auto* cell = new BoardCell(surface(), row, column);
        m_cells[key] = QAccessible::registerAccessibleInterface(cell);
        return cell;
    }
    int selectedCellCount() const override { return 0; }
    QList<QAccessibleInterface*> selectedCells() const override { return {}; }
    QString columnDescription(int column) const override
    {
        return BoardSurface::tr("column %1").arg(column + 1);
    }
    QString rowDescription(int row) const override
    {
        return BoardSurface::tr("row %1").arg(row + 1);
    }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    int columnCount() const override
    {
        return board().hasConsistentSize() ? static_cast<int>(board().columns()) : 0;
    }
    int rowCount() const override
    {
        return board().hasConsistentSize() ? static_cast<int>(board().rows()) : 0;
    }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override
    {
        if (event->modelChangeType() == QAccessibleTableModelChangeEvent::ModelReset)
            forgetCells();
    }

private:
    [[nodiscard]] BoardSurface* surface() const { return static_cast<BoardSurface*>(widget()); }
    [[nodiscard]] const Board& board() const { return surface()->engine().board(); }

    void forgetCells()
    {
        for (const auto& [key, id] : m_cells)
            QAccessible::deleteAccessibleInterface(id);
        m_cells.clear();
    }

    mutable std::unordered_map<std::int64_t, QAccessible::Id> m_cells;
};

QAccessibleInterface* boardFactory(const QString& key, QObject* object)
{
    if (key != QLatin1String("BoardSurface"))
        return nullptr;
    if (auto* surface = qobject_cast<BoardSurface*>(object))
        return new BoardTable(surface);
    return nullptr;
}

QAccessibleInterface* cellOf(BoardSurface& surface, Point square)
{
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&surface);
    QAccessibleTableInterface* cells = table ? table->tableInterface() : nullptr;
    return cells ? cells->cellAt(static_cast<int>(square.y), static_cast<int>(square.x)) : nullptr;
}

} // namespace

namespace BoardAccessible {

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(&boardFactory);
        return true;
    }();
    (void)installed;
}

QString squareName(const Board& board, Point square)
{
    using Symbol = SquareSprites::Symbol;
    const SquareSprites::Look look = BoardPainter::lookOf(board, square);
    switch (look.symbol) {
    case Symbol::none:
        return look.base == SquareSprites::Base::tile ? BoardSurface::tr("covered")
                                                      : BoardSurface::tr("empty");
    case Symbol::flag:
        return BoardSurface::tr("flag");
    case Symbol::cross:
        return BoardSurface::tr("wrong flag");
    case Symbol::question:
        return BoardSurface::tr("question mark");
    case Symbol::mine:
        return look.base == SquareSprites::Base::exploded ? BoardSurface::tr("exploded mine")
                                                          : BoardSurface::tr("mine");
    case Symbol::number:
        return QString::number(look.number);
    }
    return {};
}

void focusMoved(BoardSurface& surface, std::optional<Point> from, Point square)
{
    if (!QAccessible::isActive())
        return;
    // The square left behind loses its focused state; the new one takes the focus.
    if (from && *from != square) {
        if (QAccessibleInterface* before = cellOf(surface, *from)) {
            QAccessible::State changed;
            changed.focused = true;
            QAccessibleStateChangeEvent event(before, changed);
            QAccessible::updateAccessibility(&event);
        }
    }
    if (QAccessibleInterface* cell = cellOf(surface, square)) {
        QAccessibleEvent event(cell, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

void boardChanged(BoardSurface& surface, const Board& before, const Board& after)
{
    if (!QAccessible::isActive())
        return;
    if (before.difficulty != after.difficulty || !before.hasConsistentSize() ||
        !after.hasConsistentSize()) {
        QAccessibleTableModelChangeEvent reset(
            &surface, QAccessibleTableModelChangeEvent::ModelReset);
        QAccessible::updateAccessibility(&reset);
        return;
    }
    for (std::int64_t y = 0; y < after.rows(); ++y) {
        for (std::int64_t x = 0; x < after.columns(); ++x) {
            const Point square { x, y };
            if (squareName(before, square) == squareName(after, square))
                continue;
            if (QAccessibleInterface* cell = cellOf(surface, square)) {
                QAccessibleEvent event(cell, QAccessible::NameChanged);
                QAccessible::updateAccessibility(&event);
            }
        }
    }
}

} // namespace BoardAccessible
