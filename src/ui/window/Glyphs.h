// SPDX-License-Identifier: GPL-3.0-or-later
// The small vector symbols of the window, drawn with QPainter paths so they look the same on
// every desktop whatever its icon theme.
#pragma once

#include <QColor>
#include <QIcon>

namespace Glyphs {

/// A three-by-three grid of small squares, for the board-size menu.
[[nodiscard]] QIcon grid3x3(const QColor& colour, int side = 16);
/// An open circle with an arrowhead turning clockwise, for "Play Again".
[[nodiscard]] QIcon clockwiseArrow(const QColor& colour, int side = 16);

} // namespace Glyphs
