// SPDX-License-Identifier: GPL-3.0-or-later
// The shared panel drawing.
#include "ui/window/PanelPainting.h"

#include <QPainter>
#include <QPen>

void paintPanel(QPainter& painter, const QRectF& rect, qreal radius, const QBrush& fill,
    const QColor& border, qreal borderWidth)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, radius, radius);
    if (borderWidth > 0) {
        const qreal half = borderWidth / 2;
        const QRectF inner = rect.adjusted(half, half, -half, -half);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(border, borderWidth));
        painter.drawRoundedRect(inner, radius - half, radius - half);
    }
    painter.restore();
}
