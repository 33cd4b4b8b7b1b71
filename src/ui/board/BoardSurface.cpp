// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/board/BoardSurface.h"

#include "engine/GameEngine.h"
#include "ui/board/BoardAccessible.h"
#include "ui/board/BoardDrawing.h"
#include "ui/board/BoardPalette.h"
#include "ui/board/OpeningAnimation.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

Point centreOf(const Board& board)
{
    return Point { board.columns() / 2, board.rows() / 2 };
}

/// Where a navigation key takes the cursor on a board of this size, or nothing for any other
/// key. Moves stop at the edges rather than wrap.
std::optional<Point> cursorTarget(Point from, int key, std::int64_t columns, std::int64_t rows)
{
    Point to = from;
    switch (key) {
    case Qt::Key_Left:
        to.x = from.x - 1;
        break;
    case Qt::Key_Right:
        to.x = from.x + 1;
        break;
    case Qt::Key_Up:
        to.y = from.y - 1;
        break;
    case Qt::Key_Down:
        to.y = from.y + 1;
        break;
    case Qt::Key_Home:
        to.x = 0;
        break;
    case Qt::Key_End:
        to.x = columns - 1;
        break;
    case Qt::Key_PageUp:
        to.y = 0;
        break;
    case Qt::Key_PageDown:
        to.y = rows - 1;
        break;
    default:
        return std::nullopt;
    }
    return Point { std::clamp<std::int64_t>(to.x, 0, columns - 1),
        std::clamp<std::int64_t>(to.y, 0, rows - 1) };
}

Mark nextMark(Mark mark)
{
    switch (mark) {
    case Mark::none:
        return Mark::flag;
    case Mark::flag:
        return Mark::question;
    case Mark::question:
        break;
    }
    return Mark::none;
}

} // namespace

BoardSurface::BoardSurface(GameEngine& engine, const OpeningAnimation& opening, QWidget* parent)
    : QWidget(parent)
    , m_engine(engine)
    , m_opening(opening)
    , m_holdTimer(new QTimer(this))
    , m_cursor(centreOf(engine.board()))
    , m_seen(engine.board())
{
    BoardAccessible::install();
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Board"));
    // Only repaints: whether a release marks is still decided by the release's own timestamp.
    m_holdTimer->setObjectName(QStringLiteral("holdTimer"));
    m_holdTimer->setSingleShot(true);
    m_holdTimer->setInterval(static_cast<int>(holdMilliseconds));
    connect(m_holdTimer, &QTimer::timeout, this,
        [this] { changePress([](Press& press) { press.held = !press.wandered; }); });
    connect(&engine, &GameEngine::boardChanged, this, &BoardSurface::onBoardChanged);
    setSquareSize(m_squareSize);
}

void BoardSurface::setSquareSize(double squareSize)
{
    m_squareSize = squareSize;
    const Board& board = m_engine.board();
    setFixedSize(static_cast<int>(std::lround(static_cast<double>(board.columns()) * squareSize)),
        static_cast<int>(std::lround(static_cast<double>(board.rows()) * squareSize)));
    update();
}

Point BoardSurface::squareAt(QPointF location) const
{
    return Point { static_cast<std::int64_t>(location.x() / m_squareSize),
        static_cast<std::int64_t>(location.y() / m_squareSize) };
}

QRectF BoardSurface::squareRect(Point square) const
{
    return QRectF(static_cast<double>(square.x) * m_squareSize,
        static_cast<double>(square.y) * m_squareSize, m_squareSize, m_squareSize);
}

void BoardSurface::primaryAction(Point square)
{
    const Board& board = m_engine.board();
    if (!board.isInside(square.x, square.y) || !board.hasConsistentSize())
        return;
    if (board.cellAt(square.x, square.y).isRevealed)
        m_engine.chord(square.x, square.y);
    else if (m_flagMode)
        m_engine.toggleMark(square.x, square.y);
    else
        m_engine.reveal(square.x, square.y);
}

void BoardSurface::updateSquares(const std::vector<Point>& squares)
{
    for (const Point& square : squares)
        updateSquare(square);
}

void BoardSurface::updateSquare(std::optional<Point> square)
{
    if (square)
        update(squareRect(*square).toAlignedRect());
}

std::optional<Point> BoardSurface::pressedSquare() const
{
    if (!m_press)
        return std::nullopt;
    const Point square = squareAt(m_press->pointer);
    const Board& board = m_engine.board();
    // Only a covered square of a game still on can be pressed in; the pointer may also be off
    // the surface, where a release does nothing (or marks outside the board, which is refused).
    if (board.isOver() || !QRectF(rect()).contains(m_press->pointer) ||
        !board.isInside(square.x, square.y) || !board.hasConsistentSize() ||
        board.cellAt(square.x, square.y).isRevealed)
        return std::nullopt;
    return square;
}

bool BoardSurface::isPressArmed() const
{
    // Control-clicks and flag mode mark on release from the first moment.
    return m_press && (m_press->held || m_press->control || m_flagMode);
}

template <typename Change> void BoardSurface::changePress(Change change)
{
    updateSquare(pressedSquare());
    if (m_press)
        change(*m_press);
    updateSquare(pressedSquare());
}

void BoardSurface::onBoardChanged()
{
    const Board& board = m_engine.board();
    const bool resized = board.difficulty != m_seen.difficulty;
    const bool fresh =
        board.phase == Board::Phase::ready && (resized || m_seen.phase != Board::Phase::ready);
    BoardAccessible::boardChanged(*this, m_seen, board);
    m_seen = board;
    // Each new game starts with the cursor in the middle and the keys on the board, whichever
    // road it came by (face, banner, menus, shortcut, another machine). A game of another size
    // adopted mid-play recentres it too: the old square may not exist on the new board.
    if (fresh || resized)
        moveCursor(centreOf(board));
    if (fresh && isVisible())
        setFocus(Qt::OtherFocusReason);
}

void BoardSurface::moveCursor(Point square)
{
    const Point before = m_cursor;
    m_cursor = square;
    if (m_cursorShown) {
        updateSquare(before);
        updateSquare(square);
    }
    emit cursorMoved();
    if (hasFocus())
        BoardAccessible::focusMoved(*this, before, square);
}

void BoardSurface::setCursorShown(bool shown)
{
    if (shown == m_cursorShown)
        return;
    m_cursorShown = shown;
    updateSquare(m_cursor);
    if (shown)
        emit cursorMoved();
}

void BoardSurface::setOutlinedSquare(std::optional<Point> square)
{
    if (square == m_outlined)
        return;
    updateSquare(std::exchange(m_outlined, square));
    updateSquare(square);
}

void BoardSurface::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const OpeningAnimation& opening = m_opening;
    // One instant for the whole redraw, so squares that started together stay together.
    m_painter.drawBoard(
        painter, m_engine.board(), m_squareSize, event->region(), opening.now(), opening);
    if (const auto pressed = pressedSquare())
        paintPress(painter, *pressed);
    if (m_outlined) {
        BoardDrawing::drawSquareRing(
            painter, squareRect(*m_outlined), cursorRingWidth, BoardPalette::accent());
    }
    if (m_cursorShown) {
        BoardDrawing::drawSquareRing(
            painter, squareRect(m_cursor), cursorRingWidth, BoardPalette::accent());
    }
}

void BoardSurface::paintPress(QPainter& painter, Point square) const
{
    const QRectF rect = squareRect(square);
    if (!isPressArmed()) {
        BoardDrawing::drawPressedTile(painter, rect, m_squareSize);
        return;
    }
    // The release will mark: the tile at rest, with the mark it will get shown faintly.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect, BoardPalette::boardBackground());
    BoardDrawing::drawTile(painter, BoardDrawing::tileRect(rect, m_squareSize),
        BoardDrawing::tileRadius(m_squareSize));
    painter.setOpacity(0.5);
    const double s = m_squareSize;
    switch (nextMark(m_engine.board().cellAt(square.x, square.y).mark)) {
    case Mark::flag:
        BoardDrawing::drawFlag(painter, rect.center(), 0.46 * s, BoardPalette::flagRed());
        break;
    case Mark::question:
        BoardDrawing::drawCentredText(painter, QStringLiteral("?"),
            rect.center() + QPointF(0, 0.02 * s), 0.58 * s, BoardPalette::questionInk());
        break;
    case Mark::none:
        break;
    }
    painter.restore();
}

void BoardSurface::keyPressEvent(QKeyEvent* event)
{
    // Keys with Control, Alt or Meta belong to shortcuts and the menus; Return and Escape to
    // the window's buttons and dialogs.
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const Board& board = m_engine.board();
    if (modifiers != Qt::NoModifier || !board.hasConsistentSize()) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (const auto target = cursorTarget(m_cursor, event->key(), board.columns(), board.rows())) {
        setCursorShown(true);
        if (*target != m_cursor)
            moveCursor(*target);
        return;
    }
    const bool act = event->key() == Qt::Key_Space || event->key() == Qt::Key_F;
    if (!act) {
        QWidget::keyPressEvent(event);
        return;
    }
    setCursorShown(true);
    // A held key would uncover and mark over and over.
    if (event->isAutoRepeat())
        return;
    if (event->key() == Qt::Key_Space)
        primaryAction(m_cursor);
    else
        m_engine.toggleMark(m_cursor.x, m_cursor.y);
}

void BoardSurface::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    // The widget announces its own focus after this handler; the square is announced after
    // that, so that a screen reader lands on the square rather than on the whole board.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (hasFocus())
                BoardAccessible::focusMoved(*this, std::nullopt, m_cursor);
        },
        Qt::QueuedConnection);
}

bool BoardSurface::isHeldLongEnough(const Press& press, std::uint64_t timestamp) const
{
    return timestamp >= press.timestamp && timestamp - press.timestamp >= holdMilliseconds;
}

void BoardSurface::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    setCursorShown(false);
    switch (event->button()) {
    case Qt::LeftButton:
        m_press = Press { event->position(), event->timestamp(),
            event->modifiers().testFlag(Qt::ControlModifier), false, event->position(), false };
        updateSquare(pressedSquare());
        m_holdTimer->start();
        break;
    case Qt::RightButton: {
        // Marks on the press, not the release, so a quick flick of the finger is enough.
        const Point square = squareAt(event->position());
        m_engine.toggleMark(square.x, square.y);
        break;
    }
    case Qt::MiddleButton: {
        const Point square = squareAt(event->position());
        m_engine.chord(square.x, square.y);
        break;
    }
    default:
        // Further buttons do nothing, and the event stops here.
        break;
    }
}

void BoardSurface::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    if (!m_press)
        return;
    changePress([this, event](Press& press) {
        press.pointer = event->position();
        if (press.wandered)
            return;
        if (isHeldLongEnough(press, event->timestamp())) {
            press.held = true;
            return;
        }
        // Once the hold has been reached the pointer may go anywhere: the mark lands where
        // the button comes up.
        if (QLineF(press.location, event->position()).length() > holdSlop) {
            press.wandered = true;
            press.held = false;
        }
    });
}

void BoardSurface::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !m_press)
        return;
    updateSquare(pressedSquare());
    const Press press = *m_press;
    m_press.reset();
    m_holdTimer->stop();
    const QPointF location = event->position();
    const Point square = squareAt(location);

    // A release without a move event in between can still have wandered.
    const bool wandered = press.wandered ||
        (!isHeldLongEnough(press, event->timestamp()) &&
            QLineF(press.location, location).length() > holdSlop);
    if (!wandered && isHeldLongEnough(press, event->timestamp())) {
        m_engine.toggleMark(square.x, square.y);
        return;
    }
    // A click is a press and a release both on the surface; letting go elsewhere cancels.
    // The far edges count as on it, and map to one past the last square.
    if (!QRectF(rect()).contains(location))
        return;
    if (press.control)
        m_engine.toggleMark(square.x, square.y);
    else
        primaryAction(square);
}

void BoardSurface::contextMenuEvent(QContextMenuEvent* event)
{
    // The right button already marked the square on its press; no menu follows it.
    event->accept();
}
