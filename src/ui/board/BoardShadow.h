// SPDX-License-Identifier: GPL-3.0-or-later
// The board's drop shadow, rendered once per board size and pixel ratio: a blurred copy of the
// board's rounded outline in translucent black. A widget effect would blur on every repaint.
#pragma once

#include <QImage>
#include <QMarginsF>
#include <QSizeF>

namespace BoardShadow {

inline constexpr double opacity = 0.35;
inline constexpr double blurRadius = 18.0;
inline constexpr double offsetY = 8.0;
/// How far the visible shadow reaches past the board on each side, offset included.
[[nodiscard]] QMarginsF reach();

/// Pixels per point of the rendered shadow. It holds nothing sharp, so half a point per pixel
/// is plenty at any screen's pixel ratio and makes rendering a sixteenth of the work of 2x.
inline constexpr double pixelsPerPoint = 0.5;

/// The shadow of a board of boardSize points, to be drawn smoothly scaled over the board's
/// rectangle grown by the reach.
[[nodiscard]] QImage render(QSizeF boardSize);

} // namespace BoardShadow
