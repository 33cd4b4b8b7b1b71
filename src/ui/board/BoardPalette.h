// SPDX-License-Identifier: GPL-3.0-or-later
// The board's colours in one place: the named colours it uses and the colours of the counts.
// The window keeps its own colours; only the tile colours are shared with the status bar's face.
#pragma once

#include <QColor>

#include <cstdint>

namespace BoardPalette {

inline QColor rgb(double red, double green, double blue, double alpha = 1.0)
{
    return QColor::fromRgbF(static_cast<float>(red), static_cast<float>(green),
        static_cast<float>(blue), static_cast<float>(alpha));
}

inline QColor tileTop()
{
    return rgb(0.97, 0.98, 0.99);
}
inline QColor tileBottom()
{
    return rgb(0.84, 0.87, 0.91);
}
inline QColor boardBackground()
{
    return rgb(0.62, 0.66, 0.73);
}
inline QColor boardEdge(double alpha = 1.0)
{
    return rgb(0.50, 0.55, 0.63, alpha);
}
inline QColor openFill()
{
    return rgb(0.69, 0.73, 0.79);
}
inline QColor openLine(double alpha = 1.0)
{
    return rgb(0.61, 0.65, 0.72, alpha);
}
inline QColor explodedFill()
{
    return rgb(0.95, 0.32, 0.27);
}
inline QColor flagRed()
{
    return rgb(0.90, 0.20, 0.17);
}
inline QColor questionInk()
{
    return rgb(0.30, 0.34, 0.42);
}
/// Rings drawn over squares (the keyboard cursor, the post-mortem outline): the window's accent.
inline QColor accent()
{
    return rgb(0.98, 0.73, 0.20);
}
/// The cross on a flag that turned out wrong when the game was lost.
inline QColor wrongFlagCross()
{
    return rgb(0.88, 0.12, 0.10);
}

/// The colour of a neighbour count; anything outside 1–7 (that is 8) is grey.
inline QColor numberColor(std::int64_t count)
{
    switch (count) {
    case 1:
        return rgb(0.10, 0.22, 0.95);
    case 2:
        return rgb(0.05, 0.50, 0.12);
    case 3:
        return rgb(0.88, 0.12, 0.10);
    case 4:
        return rgb(0.08, 0.08, 0.55);
    case 5:
        return rgb(0.52, 0.08, 0.08);
    case 6:
        return rgb(0.05, 0.52, 0.52);
    case 7:
        return rgb(0.0, 0.0, 0.0);
    default:
        return rgb(0.40, 0.40, 0.40);
    }
}

} // namespace BoardPalette
