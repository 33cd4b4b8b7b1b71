// SPDX-License-Identifier: GPL-3.0-or-later
// The vector drawing of one square's pieces: the raised tile, the mine, the flag and cross
// glyphs and centred text. The sprite cache renders squares with these once per size; the
// outlines and press feedback drawn over single squares live here too.
#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>

class QPainter;

namespace BoardDrawing {

/// The square rectangle inset by half the gap between tiles on every side.
[[nodiscard]] QRectF tileRect(const QRectF& square, double squareSize);
[[nodiscard]] double tileRadius(double squareSize);

/// A raised tile: gradient fill, a darker band along the bottom, a light outline.
void drawTile(QPainter& painter, const QRectF& rect, double radius);
void drawMine(QPainter& painter, const QRectF& rect);
/// A filled flag on a pole, sized like a bold glyph of the given font size, centred on centre.
void drawFlag(QPainter& painter, QPointF centre, double fontSize, const QColor& colour);
/// A diagonal cross made of two rounded strokes, sized like a bold glyph of fontSize.
void drawCross(QPainter& painter, QPointF centre, double fontSize, const QColor& colour);
/// Heavy sans-serif text whose line box is centred on centre.
void drawCentredText(
    QPainter& painter, const QString& text, QPointF centre, double fontSize, const QColor& colour);

/// An outline of the given width drawn entirely inside the square's edge, its corners rounded
/// like a tile's: marks one square (the keyboard cursor, the post-mortem's square) without
/// hiding what it shows.
void drawSquareRing(QPainter& painter, const QRectF& square, qreal width, const QColor& colour);
/// A covered square held down under the pointer: flat and sunken instead of raised.
void drawPressedTile(QPainter& painter, const QRectF& square, double squareSize);

} // namespace BoardDrawing
