// SPDX-License-Identifier: GPL-3.0-or-later
// drawBoard: the one routine that paints the board surface, square by square, from the board
// and the opening animation. It keeps only caches of its own.
#pragma once

#include "model/Board.h"
#include "model/Instant.h"
#include "ui/board/SquareSprites.h"

#include <QRegion>

#include <vector>

class OpeningAnimation;
class QPainter;

class BoardPainter {
public:
    /// Paints the squares that meet dirty (board coordinates, one unit per point) and the board's
    /// border where dirty reaches it. The painter's origin is the board's top-left corner.
    void drawBoard(QPainter& painter, const Board& board, double squareSize, const QRegion& dirty,
        Instant now, const OpeningAnimation& opening);

    /// How a square looks at rest, from its cell and the game's phase.
    [[nodiscard]] static SquareSprites::Look lookOf(const Board& board, Point point);

private:
    /// Square edges in device pixels from the board's origin, each on a whole device pixel so
    /// that sprites are copied without resampling and neighbours neither overlap nor leave seams.
    void snapEdges(std::vector<double>& edges, std::int64_t count, double squareSize,
        double deviceOrigin, double scale) const;

    SquareSprites m_sprites;
    std::vector<double> m_columnEdges;
    std::vector<double> m_rowEdges;
};
