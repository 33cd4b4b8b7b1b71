// SPDX-License-Identifier: GPL-3.0-or-later
// Glyph drawing. The arrow is rendered at twice its size so it stays sharp on scaled screens;
// the grid is drawn on whole pixels for each pixel ratio.
#include "ui/window/Glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

namespace {

constexpr qreal renderScale = 2.0;

QIcon drawIcon(int side, const std::function<void(QPainter&, qreal)>& draw)
{
    QPixmap pixmap(QSize(side, side) * renderScale);
    pixmap.setDevicePixelRatio(renderScale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter, qreal(side));
    painter.end();
    return { pixmap };
}

} // namespace

namespace Glyphs {

QIcon grid3x3(const QColor& colour, int side)
{
    // Drawn pixel by pixel for each common pixel ratio: at such small sizes antialiased strokes
    // between pixels smear the nine squares into a grey blob.
    QIcon icon;
    for (const qreal ratio : { 1.0, 1.5, 2.0, 3.0 }) {
        const int pixels = int(std::lround(side * ratio));
        const int gap = std::max(1, int(std::lround(pixels / 14.0)));
        const int stroke = gap;
        const int cell = (pixels - 2 * gap) / 3;
        const int inset = (pixels - 3 * cell - 2 * gap) / 2;
        QPixmap pixmap(pixels, pixels);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 3; ++column) {
                const int x = inset + column * (cell + gap);
                const int y = inset + row * (cell + gap);
                // Four edges without the corner pixels, which reads as a rounded square.
                painter.fillRect(x + stroke, y, cell - 2 * stroke, stroke, colour);
                painter.fillRect(x + stroke, y + cell - stroke, cell - 2 * stroke, stroke, colour);
                painter.fillRect(x, y + stroke, stroke, cell - 2 * stroke, colour);
                painter.fillRect(x + cell - stroke, y + stroke, stroke, cell - 2 * stroke, colour);
            }
        }
        painter.end();
        pixmap.setDevicePixelRatio(ratio);
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon clockwiseArrow(const QColor& colour, int side)
{
    return drawIcon(side, [&](QPainter& painter, qreal size) {
        const QPointF centre(size / 2, size / 2 + size / 24);
        const qreal radius = size * 0.34;
        const qreal line = std::max(1.4, size / 9);
        // The circle runs clockwise from the upper right round to just left of the top, where
        // the arrowhead points on in the direction of travel.
        const qreal startDegrees = 45;
        const qreal spanDegrees = -300;
        QPainterPath arc;
        const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
        arc.arcMoveTo(box, startDegrees);
        arc.arcTo(box, startDegrees, spanDegrees);
        painter.setPen(QPen(colour, line, Qt::SolidLine, Qt::RoundCap));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(arc);

        const qreal end = (startDegrees + spanDegrees) * std::numbers::pi / 180;
        const QPointF tip(centre.x() + radius * std::cos(end), centre.y() - radius * std::sin(end));
        const QPointF along(std::sin(end), std::cos(end)); // clockwise tangent on screen
        const QPointF outward(std::cos(end), -std::sin(end));
        const qreal head = size * 0.2;
        QPainterPath arrow;
        arrow.moveTo(tip + along * head);
        arrow.lineTo(tip + outward * head * 0.85 - along * head * 0.15);
        arrow.lineTo(tip - outward * head * 0.85 - along * head * 0.15);
        arrow.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawPath(arrow);
    });
}

} // namespace Glyphs
