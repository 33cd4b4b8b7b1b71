// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/board/BoardShadow.h"

#include "ui/board/BoardLayout.h"
#include "ui/board/ShadowBlur.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

// The blur radius is read as two standard deviations of a Gaussian; three of them cover all
// but a fraction of a per cent of the shadow.
constexpr double sigma = BoardShadow::blurRadius / 2;
constexpr double extent = 3 * sigma;

} // namespace

namespace BoardShadow {

QMarginsF reach()
{
    return QMarginsF(extent, extent - offsetY, extent, extent + offsetY);
}

QImage render(QSizeF boardSize)
{
    const double pixelRatio = pixelsPerPoint;
    const QSize pixels = ((boardSize + QSizeF(2 * extent, 2 * extent)) * pixelRatio).toSize();
    if (pixels.isEmpty())
        return {};

    QImage mask(pixels, QImage::Format_Alpha8);
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(pixelRatio, pixelRatio);
        QPainterPath outline;
        outline.addRoundedRect(QRectF(QPointF(extent, extent), boardSize),
            BoardLayout::cornerRadius, BoardLayout::cornerRadius);
        painter.fillPath(outline, Qt::black);
    }

    blurAlpha(mask, sigma * pixelRatio);

    QImage shadow(pixels, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < pixels.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(shadow.scanLine(y));
        const uchar* source = mask.constScanLine(y);
        for (int x = 0; x < pixels.width(); ++x)
            row[x] = qRgba(0, 0, 0, static_cast<int>(std::lround(source[x] * opacity)));
    }
    return shadow;
}

} // namespace BoardShadow
