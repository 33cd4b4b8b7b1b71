// Glyph drawing. Each icon is rendered at twice its size so it stays sharp on scaled screens.
#include "ui/window/Glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

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
    return drawIcon(side, [&](QPainter& painter, qreal size) {
        const qreal line = std::max(1.0, size / 14);
        const qreal gap = size / 10;
        const qreal inset = line / 2 + size / 16;
        const qreal cell = (size - 2 * inset - 2 * gap) / 3;
        painter.setPen(QPen(colour, line));
        painter.setBrush(Qt::NoBrush);
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 3; ++column) {
                const QRectF square(
                    inset + column * (cell + gap), inset + row * (cell + gap), cell, cell);
                painter.drawRoundedRect(square, cell / 5, cell / 5);
            }
        }
    });
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
