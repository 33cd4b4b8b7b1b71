#include "ui/board/BoardCanvas.h"

#include "ui/board/BoardShadow.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

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

    // Rendered anew only when the board's size changed.
    if (m_shadow.isNull() || m_shadowSize != board.size()) {
        m_shadow = BoardShadow::render(board.size());
        m_shadowSize = board.size();
    }

    // The board covers its shadow everywhere but in its rounded corners; leaving that area out
    // saves blending a board-sized image under every repaint of the board.
    const QRect solid = board.toRect();
    constexpr int corner = 10;
    QRegion visible = event->region();
    visible -= QRegion(solid.adjusted(corner, 0, -corner, 0));
    visible -= QRegion(solid.adjusted(0, corner, 0, -corner));
    if (visible.isEmpty())
        return;
    QPainter painter(this);
    painter.setClipRegion(visible);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const double extent = (shadowRect.width() - board.width()) / 2;
    painter.drawImage(QRectF(board.topLeft() - QPointF(extent, extent),
                          board.size() + QSizeF(2 * extent, 2 * extent))
                          .translated(0, BoardShadow::offsetY),
        m_shadow);
}
