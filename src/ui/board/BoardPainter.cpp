// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/board/BoardPainter.h"

#include "ui/board/BoardLayout.h"
#include "ui/board/BoardPalette.h"
#include "ui/board/OpeningAnimation.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

SquareSprites::Corner cornerOf(
    std::int64_t x, std::int64_t y, std::int64_t columns, std::int64_t rows)
{
    using Corner = SquareSprites::Corner;
    const bool left = x == 0;
    const bool right = x == columns - 1;
    const bool top = y == 0;
    const bool bottom = y == rows - 1;
    if (top && left)
        return Corner::topLeft;
    if (top && right)
        return Corner::topRight;
    if (bottom && left)
        return Corner::bottomLeft;
    if (bottom && right)
        return Corner::bottomRight;
    return Corner::none;
}

} // namespace

SquareSprites::Look BoardPainter::lookOf(const Board& board, Point point)
{
    using Base = SquareSprites::Base;
    using Symbol = SquareSprites::Symbol;
    const Cell& cell = board.cellAt(point.x, point.y);
    if (!cell.isRevealed) {
        switch (cell.mark) {
        case Mark::none:
            return { Base::tile, Symbol::none, 0 };
        case Mark::flag:
            // Only a lost game tells wrong flags apart; a won one flags every mine.
            return { Base::tile,
                board.phase != Board::Phase::lost || cell.isMine ? Symbol::flag : Symbol::cross,
                0 };
        case Mark::question:
            return { Base::tile, Symbol::question, 0 };
        }
    }
    const Base base = board.exploded == point ? Base::exploded : Base::open;
    if (cell.isMine)
        return { base, Symbol::mine, 0 };
    if (cell.adjacent > 0)
        return { base, Symbol::number, cell.adjacent };
    return { base, Symbol::none, 0 };
}

void BoardPainter::snapEdges(std::vector<double>& edges, std::int64_t count, double squareSize,
    double deviceOrigin, double scale) const
{
    edges.resize(static_cast<std::size_t>(count + 1));
    for (std::int64_t i = 0; i <= count; ++i) {
        const double device =
            std::round(deviceOrigin + static_cast<double>(i) * squareSize * scale);
        edges[static_cast<std::size_t>(i)] = device - deviceOrigin;
    }
}

void BoardPainter::drawBoard(QPainter& painter, const Board& board, double squareSize,
    const QRegion& dirty, Instant now, const OpeningAnimation& opening)
{
    const std::int64_t columns = board.columns();
    const std::int64_t rows = board.rows();
    // A board read from elsewhere with the wrong number of cells is not drawn rather than read
    // past its end; the decoder should never let one through.
    if (!board.hasConsistentSize() || squareSize <= 0)
        return;

    // Squares are copied in device pixels: with the painter scaled back by the device's own
    // scale, an image lands one pixel per pixel and the raster engine copies it row by row.
    // Going through a scaled image instead costs several times as much at ratios like 1.5.
    const QTransform device = painter.deviceTransform();
    const double scale = std::max(std::abs(device.m11()), 1e-6);
    m_sprites.prepare(squareSize, scale);
    m_sprites.beginFrame();
    snapEdges(m_columnEdges, columns, squareSize, device.dx(), scale);
    snapEdges(m_rowEdges, rows, squareSize, device.dy(), scale);

    const QRect bounds = dirty.boundingRect();
    const auto firstOf = [squareSize](int from) {
        return static_cast<std::int64_t>(std::floor(from / squareSize));
    };
    const std::int64_t x0 = std::max<std::int64_t>(0, firstOf(bounds.left()));
    const std::int64_t x1 = std::min(columns - 1, firstOf(bounds.right()));
    const std::int64_t y0 = std::max<std::int64_t>(0, firstOf(bounds.top()));
    const std::int64_t y1 = std::min(rows - 1, firstOf(bounds.bottom()));
    const bool checkRegion = dirty.rectCount() > 1;

    painter.save();
    painter.setWorldTransform(
        QTransform::fromScale(1 / scale, 1 / scale) * painter.worldTransform());
    for (std::int64_t y = y0; y <= y1; ++y) {
        const double top = m_rowEdges[static_cast<std::size_t>(y)];
        const int height =
            static_cast<int>(std::lround(m_rowEdges[static_cast<std::size_t>(y + 1)] - top));
        for (std::int64_t x = x0; x <= x1; ++x) {
            if (checkRegion) {
                const QRect square(static_cast<int>(static_cast<double>(x) * squareSize),
                    static_cast<int>(static_cast<double>(y) * squareSize),
                    static_cast<int>(std::ceil(squareSize)),
                    static_cast<int>(std::ceil(squareSize)));
                if (!dirty.intersects(square))
                    continue;
            }
            const double left = m_columnEdges[static_cast<std::size_t>(x)];
            const int width = static_cast<int>(
                std::lround(m_columnEdges[static_cast<std::size_t>(x + 1)] - left));
            const QSize pixels(width, height);
            const Point point { x, y };
            const SquareSprites::Corner corner = cornerOf(x, y, columns, rows);
            const QPointF at(left, top);
            painter.drawImage(at, m_sprites.square(lookOf(board, point), pixels, corner));

            // Covered squares never show the overlay, even with an entry left over.
            if (!board.cellAt(x, y).isRevealed)
                continue;
            if (const auto t = opening.progress(point, now))
                painter.drawImage(at, m_sprites.openingTile(*t, pixels, corner));
        }
    }
    painter.restore();

    // The border only needs painting where the dirty area reaches the outermost point.
    const QRectF boardRect(0, 0, m_columnEdges.back() / scale, m_rowEdges.back() / scale);
    const QRect inner = QRectF(1, 1, static_cast<double>(columns) * squareSize - 2,
        static_cast<double>(rows) * squareSize - 2)
                            .toRect();
    if (QRegion(bounds).subtracted(QRegion(inner)).isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(BoardPalette::boardEdge(0.6), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(boardRect.adjusted(0.5, 0.5, -0.5, -0.5),
        BoardLayout::cornerRadius - 0.5, BoardLayout::cornerRadius - 0.5);
    painter.restore();
}
