// SPDX-License-Identifier: GPL-3.0-or-later
// The rounded, bordered panel shape that the status bar, the counters, the face button and the
// result banner are drawn on.
#pragma once

#include <QBrush>
#include <QColor>
#include <QRectF>

class QPainter;

/// The rounding of the panels' corners, in points.
inline constexpr qreal panelCornerRadius = 14;

/// Fills rect as a rounded rectangle, then strokes a border of borderWidth entirely inside its
/// edge (the shape inset by half the width), so the border never spills past rect.
void paintPanel(QPainter& painter, const QRectF& rect, qreal radius, const QBrush& fill,
    const QColor& border, qreal borderWidth);
