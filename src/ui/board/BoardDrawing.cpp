// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/board/BoardDrawing.h"

#include "ui/board/BoardPalette.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace BoardDrawing {

QRectF tileRect(const QRectF& square, double squareSize)
{
    const double gap = std::max(0.07 * squareSize, 1.0);
    return square.adjusted(gap / 2, gap / 2, -gap / 2, -gap / 2);
}

double tileRadius(double squareSize)
{
    return 0.18 * squareSize;
}

void drawTile(QPainter& painter, const QRectF& rect, double radius)
{
    QPainterPath outline;
    outline.addRoundedRect(rect, radius, radius);

    QLinearGradient gradient(rect.center().x(), rect.top(), rect.center().x(), rect.bottom());
    gradient.setColorAt(0.0, BoardPalette::tileTop());
    gradient.setColorAt(1.0, BoardPalette::tileBottom());
    painter.fillPath(outline, gradient);

    // The band is cut to the outline by intersecting paths rather than by a clip: a clip path
    // is not antialiased by the raster engine and would leave jagged bottom corners.
    const double h = rect.height();
    QPainterPath band;
    band.addRect(
        QRectF(rect.left(), rect.bottom() - std::max(0.11 * h, 1.5), rect.width(), 0.12 * h));
    painter.fillPath(outline.intersected(band), BoardPalette::boardEdge(0.6));

    painter.strokePath(outline, QPen(QColor::fromRgbF(1, 1, 1, 0.35f), 0.8));
}

void drawMine(QPainter& painter, const QRectF& rect)
{
    const double r = 0.28 * rect.width();
    const QPointF c = rect.center();

    QPainterPath spokes;
    for (int i = 0; i < 8; ++i) {
        const double angle = i * std::numbers::pi / 4;
        spokes.moveTo(c);
        spokes.lineTo(c + QPointF(std::cos(angle), std::sin(angle)) * 1.45 * r);
    }
    QPen pen(Qt::black, std::max(0.08 * rect.width(), 1.5));
    pen.setCapStyle(Qt::FlatCap);
    painter.strokePath(spokes, pen);

    QPainterPath body;
    body.addEllipse(c, r, r);
    painter.fillPath(body, Qt::black);

    QPainterPath highlight;
    highlight.addEllipse(QRectF(c.x() - 0.55 * r, c.y() - 0.6 * r, 0.45 * r, 0.45 * r));
    painter.fillPath(highlight, QColor::fromRgbF(1, 1, 1, 0.85f));
}

void drawFlag(QPainter& painter, QPointF centre, double fontSize, const QColor& colour)
{
    // Proportions of a bold flag symbol: a little narrower than tall, the cloth over the upper
    // sixty per cent of the pole with a gentle wave along its top and bottom edges.
    const double u = fontSize;
    const double width = 0.78 * u;
    const double height = 0.88 * u;
    const QPointF origin = centre - QPointF(width / 2, height / 2);
    const auto at = [&](double x, double y) { return origin + QPointF(x * u, y * u); };

    const double pole = 0.12;
    QPainterPath shape;
    shape.addRoundedRect(QRectF(at(0, 0), QSizeF(pole * u, height)), pole * u / 2, pole * u / 2);

    QPainterPath cloth;
    cloth.moveTo(at(pole - 0.02, 0.05));
    cloth.cubicTo(at(0.32, -0.05), at(0.52, 0.13), at(0.78, 0.04));
    cloth.lineTo(at(0.78, 0.54));
    cloth.cubicTo(at(0.52, 0.63), at(0.32, 0.45), at(pole - 0.02, 0.55));
    cloth.closeSubpath();
    shape.addPath(cloth);
    shape.setFillRule(Qt::WindingFill);
    painter.fillPath(shape, colour);
}

void drawCross(QPainter& painter, QPointF centre, double fontSize, const QColor& colour)
{
    const double half = 0.30 * fontSize;
    QPainterPath strokes;
    strokes.moveTo(centre + QPointF(-half, -half));
    strokes.lineTo(centre + QPointF(half, half));
    strokes.moveTo(centre + QPointF(-half, half));
    strokes.lineTo(centre + QPointF(half, -half));
    QPen pen(colour, 0.14 * fontSize);
    pen.setCapStyle(Qt::RoundCap);
    painter.strokePath(strokes, pen);
}

void drawCentredText(
    QPainter& painter, const QString& text, QPointF centre, double fontSize, const QColor& colour)
{
    // The text is laid out once at a large pixel size and scaled, so fractional sizes are exact
    // and the result does not depend on the paint device's idea of dots per inch.
    constexpr int reference = 100;
    QFont font(QStringLiteral("sans-serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::ExtraBold);
    font.setPixelSize(reference);
    const QFontMetricsF metrics(font);

    QPainterPath path;
    path.addText(0, 0, font, text);
    const double scale = fontSize / reference;
    const double left = centre.x() - metrics.horizontalAdvance(text) * scale / 2;
    const double baseline = centre.y() + (metrics.ascent() - metrics.descent()) * scale / 2;

    painter.save();
    painter.translate(left, baseline);
    painter.scale(scale, scale);
    painter.fillPath(path, colour);
    painter.restore();
}

void drawSquareRing(QPainter& painter, const QRectF& square, qreal width, const QColor& colour)
{
    const QRectF inside = square.adjusted(width / 2, width / 2, -width / 2, -width / 2);
    const qreal radius = std::max(tileRadius(square.width()) - width / 2, 0.0);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, width));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(inside, radius, radius);
    painter.restore();
}

void drawPressedTile(QPainter& painter, const QRectF& square, double squareSize)
{
    const QRectF tile = tileRect(square, squareSize);
    const double radius = tileRadius(squareSize);
    QPainterPath outline;
    outline.addRoundedRect(tile, radius, radius);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(square, BoardPalette::boardBackground());
    painter.fillPath(outline, BoardPalette::openFill());
    painter.strokePath(outline, QPen(BoardPalette::boardEdge(0.6), 0.8));
    painter.restore();
}

} // namespace BoardDrawing
