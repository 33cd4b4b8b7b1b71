// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/board/SquareSprites.h"

#include "ui/board/BoardDrawing.h"
#include "ui/board/BoardLayout.h"
#include "ui/board/BoardPalette.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <functional>

std::size_t SquareSprites::KeyHash::operator()(const Key& key) const noexcept
{
    std::size_t hash = std::hash<std::int64_t> {}(key.look.number);
    const auto mix = [&hash](std::size_t value) {
        hash ^= value + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
    };
    mix(static_cast<std::size_t>(key.look.base));
    mix(static_cast<std::size_t>(key.look.symbol));
    mix(static_cast<std::size_t>(key.width));
    mix(static_cast<std::size_t>(key.height));
    mix(static_cast<std::size_t>(key.corner));
    mix(std::hash<double> {}(key.progress));
    return hash;
}

void SquareSprites::prepare(double squareSize, double pixelRatio)
{
    if (squareSize == m_squareSize && pixelRatio == m_pixelRatio)
        return;
    m_squareSize = squareSize;
    m_pixelRatio = pixelRatio;
    m_squares.clear();
    m_openingTiles.clear();
}

void SquareSprites::beginFrame()
{
    m_openingTiles.clear();
}

const QImage& SquareSprites::square(const Look& requested, QSize pixels, Corner corner)
{
    // The cache holds one image per look, so a look is one of a fixed few: a number only
    // counts with its symbol, and only 1 to 8 exist, whatever a square's data says.
    Look look = requested;
    look.number = look.symbol == Symbol::number ? std::clamp<std::int64_t>(look.number, 1, 8) : 0;
    const Key key { look, pixels.width(), pixels.height(), corner, 0 };
    auto found = m_squares.find(key);
    if (found != m_squares.end())
        return found->second;
    QImage image = renderSquare(look, pixels);
    cutCorner(image, corner);
    return m_squares.emplace(key, std::move(image)).first->second;
}

const QImage& SquareSprites::openingTile(double t, QSize pixels, Corner corner)
{
    const Key key { Look {}, pixels.width(), pixels.height(), corner, t };
    auto found = m_openingTiles.find(key);
    if (found != m_openingTiles.end())
        return found->second;
    QImage image = renderOpeningTile(t, pixels);
    cutCorner(image, corner);
    return m_openingTiles.emplace(key, std::move(image)).first->second;
}

QImage SquareSprites::renderSquare(const Look& look, QSize pixels) const
{
    // Drawn in points on a canvas of whole device pixels: at ratios like 1.25 neighbouring
    // squares get 27 or 28 pixels, and each sprite is stretched by a hair to fill its own.
    QImage image(pixels, QImage::Format_RGB32);
    const double s = m_squareSize;
    const QRectF square(0, 0, s, s);
    const QRectF tile = BoardDrawing::tileRect(square, s);
    const QPointF centre = square.center();
    const QPointF textCentre = centre + QPointF(0, 0.02 * s);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(pixels.width() / s, pixels.height() / s);

    if (look.base == Base::tile) {
        painter.fillRect(square, BoardPalette::boardBackground());
        BoardDrawing::drawTile(painter, tile, BoardDrawing::tileRadius(s));
    } else {
        painter.fillRect(square,
            look.base == Base::exploded ? BoardPalette::explodedFill() : BoardPalette::openFill());
        QPen hairline(BoardPalette::openLine(0.6), 0.5);
        hairline.setJoinStyle(Qt::MiterJoin);
        painter.setPen(hairline);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(square.adjusted(0.25, 0.25, -0.25, -0.25));
    }

    switch (look.symbol) {
    case Symbol::none:
        break;
    case Symbol::flag:
        BoardDrawing::drawFlag(painter, centre, 0.46 * s, BoardPalette::flagRed());
        break;
    case Symbol::cross:
        BoardDrawing::drawCross(painter, centre, 0.46 * s, BoardPalette::wrongFlagCross());
        break;
    case Symbol::question:
        BoardDrawing::drawCentredText(
            painter, QStringLiteral("?"), textCentre, 0.58 * s, BoardPalette::questionInk());
        break;
    case Symbol::mine:
        BoardDrawing::drawMine(painter, tile);
        break;
    case Symbol::number:
        BoardDrawing::drawCentredText(painter, QString::number(look.number), textCentre, 0.58 * s,
            BoardPalette::numberColor(look.number));
        break;
    }
    painter.end();
    return image;
}

QImage SquareSprites::renderOpeningTile(double t, QSize pixels) const
{
    const double s = m_squareSize;
    const QRectF tile = BoardDrawing::tileRect(QRectF(0, 0, s, s), s);
    const double k = 1 - t;
    const QRectF shrunk = tile.adjusted(0.3 * t * tile.width(), 0.3 * t * tile.height(),
        -0.3 * t * tile.width(), -0.3 * t * tile.height());

    // The tile fades as one layer: drawn opaque first, then laid down at opacity k, so the
    // outline does not show the gradient through it.
    QImage layer(pixels, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter painter(&layer);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(pixels.width() / s, pixels.height() / s);
        BoardDrawing::drawTile(painter, shrunk, k * BoardDrawing::tileRadius(s));
    }
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setOpacity(k);
        painter.drawImage(0, 0, layer);
    }
    return image;
}

void SquareSprites::cutCorner(QImage& image, Corner corner) const
{
    if (corner == Corner::none)
        return;
    // Only the board's corner squares meet its rounded outline (the radius is below the
    // smallest square), so the rounding is baked into their sprites instead of clipping.
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const double w = image.width();
    const double h = image.height();
    const double radius = BoardLayout::cornerRadius * m_pixelRatio;
    const bool left = corner == Corner::topLeft || corner == Corner::bottomLeft;
    const bool top = corner == Corner::topLeft || corner == Corner::topRight;
    const QRectF outline(left ? 0 : -2 * w, top ? 0 : -2 * h, 3 * w, 3 * h);

    QPainterPath inside;
    inside.addRoundedRect(outline, radius, radius);
    QPainterPath outside;
    outside.addRect(QRectF(0, 0, w, h));
    // Clearing what lies outside the outline (rather than keeping what lies inside) touches
    // only the corner pixels, and leaves them with antialiased coverage.
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    painter.fillPath(outside.subtracted(inside), Qt::black);
}
