// SPDX-License-Identifier: GPL-3.0-or-later
// Paints the board's drop shadow for the widget that lies under the board view, so that the
// shadow spills into the padding around the board instead of ending at the view's edges.
#pragma once

#include <QImage>
#include <QRectF>

class QPainter;
class QRegion;

class BoardShadowPainter {
public:
    /// The area the shadow of a board at boardRect covers, the board included.
    [[nodiscard]] static QRect area(const QRectF& boardRect);

    /// Paints the shadow of a board at boardRect within exposed. The image is rendered anew
    /// only when the board's size changes.
    void paint(QPainter& painter, const QRectF& boardRect, const QRegion& exposed);

private:
    QImage m_image;
    QSizeF m_imageSize;
};
