// SPDX-License-Identifier: GPL-3.0-or-later
// The shadow is drawn from a low-resolution blurred image scaled smoothly over its area.
#include "ui/board/BoardShadowPainter.h"

#include "ui/board/BoardLayout.h"
#include "ui/board/BoardShadow.h"

#include <QPainter>
#include <QRegion>

namespace {

/// Inside the rounded corners the board covers its shadow completely.
constexpr int cornerRadius = static_cast<int>(BoardLayout::cornerRadius);
static_assert(cornerRadius == BoardLayout::cornerRadius, "the clip must not cut into a corner");

QRectF shadowRect(const QRectF& boardRect)
{
    return boardRect.marginsAdded(BoardShadow::reach());
}

} // namespace

QRect BoardShadowPainter::area(const QRectF& boardRect)
{
    return shadowRect(boardRect).toAlignedRect();
}

void BoardShadowPainter::paint(QPainter& painter, const QRectF& boardRect, const QRegion& exposed)
{
    if (boardRect.isEmpty() || !exposed.intersects(area(boardRect)))
        return;
    if (m_image.isNull() || m_imageSize != boardRect.size()) {
        m_image = BoardShadow::render(boardRect.size());
        m_imageSize = boardRect.size();
    }

    // The board covers its shadow everywhere but in its rounded corners; leaving that area out
    // saves blending a board-sized image under every repaint of the board.
    const QRect solid = boardRect.toRect();
    QRegion visible = exposed;
    visible -= QRegion(solid.adjusted(cornerRadius, 0, -cornerRadius, 0));
    visible -= QRegion(solid.adjusted(0, cornerRadius, 0, -cornerRadius));
    if (visible.isEmpty())
        return;
    painter.save();
    painter.setClipRegion(visible);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // The image spans the board grown by the blur's extent on every side, before the offset.
    const QMarginsF reach = BoardShadow::reach();
    const double extent = reach.left();
    painter.drawImage(boardRect.marginsAdded(QMarginsF(extent, extent, extent, extent))
                          .translated(0, BoardShadow::offsetY),
        m_image);
    painter.restore();
}
