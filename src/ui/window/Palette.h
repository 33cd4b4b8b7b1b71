// SPDX-License-Identifier: GPL-3.0-or-later
// The window's named colours, in one place so every widget of the window paints from the same
// set. Components are sRGB in 0–1; opacities are applied where a colour is used.
#pragma once

#include "ui/board/BoardPalette.h"

#include <QColor>

namespace Palette {

[[nodiscard]] inline QColor rgb(double red, double green, double blue, double opacity = 1.0)
{
    return QColor::fromRgbF(float(red), float(green), float(blue), float(opacity));
}

[[nodiscard]] inline QColor windowBackground()
{
    return rgb(0.11, 0.12, 0.14);
}
[[nodiscard]] inline QColor panelFill()
{
    return rgb(0.15, 0.165, 0.19);
}
[[nodiscard]] inline QColor panelBorder()
{
    return rgb(1.0, 1.0, 1.0, 0.1);
}
[[nodiscard]] inline QColor titleInk()
{
    return rgb(0.95, 0.96, 0.97);
}
[[nodiscard]] inline QColor secondaryInk()
{
    return rgb(0.60, 0.64, 0.70);
}
[[nodiscard]] inline QColor accent()
{
    return rgb(0.98, 0.73, 0.20);
}
[[nodiscard]] inline QColor ledLit()
{
    return rgb(1.00, 0.25, 0.20);
}
/// The fill of a button whose action throws something away.
[[nodiscard]] inline QColor destructive()
{
    return rgb(0.72, 0.18, 0.16);
}
[[nodiscard]] inline QColor ledGhost()
{
    return rgb(0.22, 0.05, 0.04);
}
// The face button is a tile like the board's covered squares, so it takes their colours.
[[nodiscard]] inline QColor tileTop()
{
    return BoardPalette::tileTop();
}
[[nodiscard]] inline QColor tileBottom()
{
    return BoardPalette::tileBottom();
}

/// The colour with its alpha multiplied, for the places that use a palette colour translucent.
[[nodiscard]] inline QColor withOpacity(QColor colour, double opacity)
{
    colour.setAlphaF(float(colour.alphaF() * opacity));
    return colour;
}

} // namespace Palette
