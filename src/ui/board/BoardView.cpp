#include "ui/board/BoardView.h"

#include "engine/GameEngine.h"
#include "ui/board/BoardCanvas.h"
#include "ui/board/BoardShadow.h"
#include "ui/board/BoardSurface.h"
#include "ui/board/OpeningAnimation.h"

#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>

#include <cmath>

namespace {

constexpr double comfortableSquare = 32.0;

} // namespace

BoardView::BoardView(GameEngine& engine, QWidget* parent)
    : BoardView(engine, Clock {}, parent)
{
}

BoardView::BoardView(GameEngine& engine, Clock now, QWidget* parent)
    : QWidget(parent)
    , m_engine(engine)
    , m_opening(new OpeningAnimation(std::move(now), this))
    , m_canvas(new BoardCanvas(this))
    , m_surface(new BoardSurface(engine, *m_opening, m_canvas))
    , m_scrollArea(new QScrollArea(this))
    , m_difficulty(engine.board().difficulty)
{
    m_canvas->setBoard(m_surface);

    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setWidgetResizable(false);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The window's background shows through both the scroll area and the canvas.
    m_scrollArea->setAutoFillBackground(false);
    m_scrollArea->viewport()->setAutoFillBackground(false);
    m_scrollArea->hide();

    connect(&engine, &GameEngine::boardChanged, this, &BoardView::onBoardChanged);
    connect(&engine, &GameEngine::moveCountChanged, this, &BoardView::onMoveCountChanged);
    connect(m_opening, &OpeningAnimation::frameAdvanced, m_surface, &BoardSurface::updateSquares);
    connect(m_surface, &BoardSurface::cursorMoved, this, &BoardView::revealCursor);
    // Focus given to the view, as the window does at start, lands on the board itself.
    setFocusProxy(m_surface);

    arrange();
}

void BoardView::setFlagMode(bool on)
{
    m_surface->setFlagMode(on);
}

QSize BoardView::sizeHint() const
{
    const Board& board = m_engine.board();
    return QSize(static_cast<int>(static_cast<double>(board.columns()) * comfortableSquare),
        static_cast<int>(static_cast<double>(board.rows()) * comfortableSquare));
}

QSize BoardView::minimumSizeHint() const
{
    const auto side = static_cast<int>(9 * BoardLayout::minCell);
    return QSize(side, side);
}

void BoardView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    arrange();
}

void BoardView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous() || m_shownOnce)
        return;
    // At launch this makes a restored game's whole uncovered area open once.
    m_shownOnce = true;
    m_opening->detectOpened(m_engine.board());
}

void BoardView::onBoardChanged()
{
    const Difficulty difficulty = m_engine.board().difficulty;
    if (difficulty != m_difficulty) {
        m_difficulty = difficulty;
        // Points of a board of another size mean nothing on this one.
        m_opening->resetOpening();
        updateGeometry();
        arrange();
    }
    m_surface->update();
}

void BoardView::onMoveCountChanged()
{
    m_opening->detectOpened(m_engine.board());
}

void BoardView::revealCursor()
{
    if (!m_layout.scrolls || !m_surface->isCursorShown())
        return;
    const QRectF square = m_surface->squareRect(m_surface->cursor());
    const QPoint centre = m_surface->mapTo(m_canvas, square.center().toPoint());
    // Half a square of margin each way brings the whole square into view, and a little more.
    const int margin = static_cast<int>(std::ceil(square.width()));
    m_scrollArea->ensureVisible(centre.x(), centre.y(), margin, margin);
}

void BoardView::arrange()
{
    const BoardLayout layout = BoardLayout::forArea(QSizeF(size()), m_difficulty);
    const bool switched = m_arranged && layout.scrolls != m_layout.scrolls;
    m_layout = layout;
    m_arranged = true;
    m_surface->setSquareSize(layout.squareSize);

    const QSize board = m_surface->size();
    if (layout.scrolls) {
        // Room around the board inside the scroll area so that its shadow shows at the ends.
        const QMarginsF reach = BoardShadow::reach();
        m_canvas->setFixedSize(
            board.width() + static_cast<int>(std::ceil(reach.left() + reach.right())),
            board.height() + static_cast<int>(std::ceil(reach.top() + reach.bottom())));
        m_surface->move(
            static_cast<int>(std::ceil(reach.left())), static_cast<int>(std::ceil(reach.top())));
        if (m_scrollArea->widget() != m_canvas) {
            m_scrollArea->setWidget(m_canvas);
            // The scroll area turns its widget's background on; the window's should show.
            m_canvas->setAutoFillBackground(false);
        }
        m_scrollArea->setGeometry(rect());
        m_scrollArea->show();
    } else {
        if (m_scrollArea->widget() == m_canvas) {
            m_scrollArea->takeWidget();
            m_canvas->setParent(this);
        }
        m_scrollArea->hide();
        m_canvas->setMinimumSize(0, 0);
        m_canvas->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        m_canvas->setGeometry(rect());
        m_surface->move((width() - board.width()) / 2, 0);
        m_canvas->show();
    }
    m_canvas->update();

    // The surface is shown anew in its other home; the check finds nothing fresh unless the
    // board changed, exactly as on any other showing.
    if (switched && m_shownOnce)
        m_opening->detectOpened(m_engine.board());
    revealCursor();
}
