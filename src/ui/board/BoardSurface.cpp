#include "ui/board/BoardSurface.h"

#include "engine/GameEngine.h"
#include "ui/board/BoardDrawing.h"
#include "ui/board/BoardPalette.h"
#include "ui/board/OpeningAnimation.h"

#include <QContextMenuEvent>
#include <QLineF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

BoardSurface::BoardSurface(GameEngine& engine, const OpeningAnimation& opening, QWidget* parent)
    : QWidget(parent)
    , m_engine(engine)
    , m_opening(opening)
{
    setAttribute(Qt::WA_NoSystemBackground);
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
    const int side = static_cast<int>(std::ceil(m_squareSize));
    for (const Point& square : squares) {
        update(static_cast<int>(static_cast<double>(square.x) * m_squareSize),
            static_cast<int>(static_cast<double>(square.y) * m_squareSize), side, side);
    }
}

void BoardSurface::setOutlinedSquare(std::optional<Point> square)
{
    if (square == m_outlined)
        return;
    std::vector<Point> changed;
    for (const std::optional<Point>& p : { m_outlined, square }) {
        if (p)
            changed.push_back(*p);
    }
    m_outlined = square;
    updateSquares(changed);
}

void BoardSurface::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const OpeningAnimation& opening = m_opening;
    // One instant for the whole redraw, so squares that started together stay together.
    m_painter.drawBoard(
        painter, m_engine.board(), m_squareSize, event->region(), opening.now(), opening);
    if (m_outlined) {
        const QRectF square(static_cast<double>(m_outlined->x) * m_squareSize,
            static_cast<double>(m_outlined->y) * m_squareSize, m_squareSize, m_squareSize);
        BoardDrawing::drawSquareRing(painter, square, m_squareSize, BoardPalette::accent());
    }
}

bool BoardSurface::isHeldLongEnough(const Press& press, std::uint64_t timestamp) const
{
    return timestamp >= press.timestamp && timestamp - press.timestamp >= holdMilliseconds;
}

void BoardSurface::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    switch (event->button()) {
    case Qt::LeftButton:
        m_press = Press { event->position(), event->timestamp(),
            event->modifiers().testFlag(Qt::ControlModifier), false };
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
    if (!m_press || m_press->wandered)
        return;
    // Once the hold has been reached the pointer may go anywhere: the mark lands where the
    // button comes up.
    if (!isHeldLongEnough(*m_press, event->timestamp()) &&
        QLineF(m_press->location, event->position()).length() > holdSlop)
        m_press->wandered = true;
}

void BoardSurface::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !m_press)
        return;
    const Press press = *m_press;
    m_press.reset();
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
