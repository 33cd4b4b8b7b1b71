// SPDX-License-Identifier: GPL-3.0-or-later
// Soft shadows for rounded shapes, drawn by the widget that owns the space around the shape.
// A graphics effect would render the whole widget off screen on every repaint and grow its
// layout footprint; a cached blurred image does neither.
#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>

class QPainter;

class DropShadow {
public:
    /// The shadow of a rounded rectangle of the given size and corner radius, blurred by about
    /// blurRadius points, offset by offset.
    DropShadow(QSizeF size, qreal cornerRadius, qreal blurRadius, QColor colour, QPointF offset);

    /// Paints the shadow for a shape whose rectangle is shapeRect; caches the image per
    /// device pixel ratio.
    void paint(QPainter& painter, const QRectF& shapeRect);

private:
    void render(qreal devicePixelRatio);

    QSizeF m_size;
    qreal m_cornerRadius;
    qreal m_blurRadius;
    QColor m_colour;
    QPointF m_offset;
    QImage m_image;
};
