// SPDX-License-Identifier: GPL-3.0-or-later
// The size rule: how big a square is for the space the board is offered, and whether the board
// then has to scroll.
#pragma once

#include "model/Difficulty.h"

#include <QSizeF>

struct BoardLayout {
    /// The smallest side of a square; below it the board scrolls instead of shrinking.
    static constexpr double minCell = 22.0;
    /// The rounding of the board's outer corners, in points.
    static constexpr double cornerRadius = 10.0;

    double squareSize = minCell;
    /// columns × squareSize by rows × squareSize.
    QSizeF boardSize;
    /// True when the board at squareSize does not fit the offered area (half a point of slack).
    bool scrolls = false;

    /// Squares are whole points unless minCell applies; a board that fits sits at the top,
    /// centred horizontally.
    [[nodiscard]] static BoardLayout forArea(QSizeF offered, Difficulty difficulty);
};
