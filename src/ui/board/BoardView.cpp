// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/board/BoardView.h"

#include "engine/GameEngine.h"
#include "ui/board/BoardSurface.h"
#include "ui/board/OpeningAnimation.h"

#include <QProxyStyle>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>

#include <cmath>

namespace {

constexpr double comfortableSquare = 32.0;

/// Scroll bars that float over the board instead of taking room beside it: a board exactly as
/// wide as the space offered then scrolls only the way it does not fit.
class OverlayScrollBars : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
        QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ScrollBar_Transient)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

BoardView::BoardView(GameEngine& engine, QWidget* parent)
    : BoardView(engine, Clock {}, parent)
{
}

BoardView::BoardView(GameEngine& engine, Clock now, QWidget* parent)
    : QWidget(parent)
    , m_engine(engine)
    , m_opening(new OpeningAnimation(std::move(now), this))
    , m_surface(new BoardSurface(engine, *m_opening, this))
    , m_scrollArea(new QScrollArea(this))
    , m_difficulty(engine.board().difficulty)
{
    // The window draws with Fusion; the scroll bars read the hint, and so does the area's layout.
    auto* scrollStyle = new OverlayScrollBars(QStringLiteral("Fusion"));
    scrollStyle->setParent(m_scrollArea);
    for (QWidget* styled : { static_cast<QWidget*>(m_scrollArea),
             static_cast<QWidget*>(m_scrollArea->horizontalScrollBar()),
             static_cast<QWidget*>(m_scrollArea->verticalScrollBar()) })
        styled->setStyle(scrollStyle);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setWidgetResizable(false);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The window's background shows through the scroll area around the board's corners.
    m_scrollArea->setAutoFillBackground(false);
    m_scrollArea->viewport()->setAutoFillBackground(false);
    // The window onto the board changes when the scroll bars come and go.
    m_scrollArea->viewport()->installEventFilter(this);
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

QRect BoardView::boardRect() const
{
    const QRect board(m_surface->mapTo(this, QPoint()), m_surface->size());
    if (!m_layout.scrolls)
        return board;
    const QWidget* viewport = m_scrollArea->viewport();
    return board & QRect(viewport->mapTo(this, QPoint()), viewport->size());
}

bool BoardView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_scrollArea->viewport() && event->type() == QEvent::Resize)
        emit boardPlaced();
    return QWidget::eventFilter(watched, event);
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
    // The scrolled content is the surface itself, so its points are the content's.
    const QPoint centre = square.center().toPoint();
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

    if (layout.scrolls) {
        // The scrolled content is the board alone, so it scrolls exactly as far as it is larger.
        if (m_scrollArea->widget() != m_surface) {
            m_scrollArea->setWidget(m_surface);
            // The scroll area turns its widget's background on; the window's should show.
            m_surface->setAutoFillBackground(false);
        }
        m_scrollArea->setGeometry(rect());
        m_scrollArea->show();
    } else {
        if (m_scrollArea->widget() == m_surface) {
            m_scrollArea->takeWidget();
            m_surface->setParent(this);
        }
        m_scrollArea->hide();
        m_surface->move((width() - m_surface->width()) / 2, 0);
        m_surface->show();
    }
    emit boardPlaced();

    // The surface is shown anew in its other home; the check finds nothing fresh unless the
    // board changed, exactly as on any other showing.
    if (switched && m_shownOnce)
        m_opening->detectOpened(m_engine.board());
    revealCursor();
}
