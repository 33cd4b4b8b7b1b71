#include "ui/board/BoardCanvas.h"

#include "ui/board/BoardShadow.h"

#include <QPaintEvent>
#include <QPainter>

BoardCanvas::BoardCanvas(QWidget* parent)
    : QWidget(parent)
{
}

void BoardCanvas::paintEvent(QPaintEvent* event)
{
    if (m_board == nullptr || m_board->parentWidget() != this)
        return;
    const QRectF board = m_board->geometry();
    const QMarginsF reach = BoardShadow::reach();
    const QRectF shadowRect = board.marginsAdded(reach);
    if (!event->rect().intersects(shadowRect.toAlignedRect()))
        return;

    const double ratio = devicePixelRatioF();
    // Rendered anew only when the board's size or the screen's pixel ratio changed.
    if (m_shadow.isNull() || m_shadowRatio != ratio || m_shadowSize != board.size()) {
        m_shadow = BoardShadow::render(board.size(), ratio);
        m_shadowRatio = ratio;
        m_shadowSize = board.size();
    }

    QPainter painter(this);
    painter.drawImage(QPointF(board.left() - reach.left(), board.top() - reach.top()), m_shadow);
}
