// SPDX-License-Identifier: GPL-3.0-or-later
// Shadow images: the shape filled into an alpha mask, then blurred like the board's.
#include "ui/window/DropShadow.h"

#include "ui/board/ShadowBlur.h"

#include <QPainter>

#include <cmath>

DropShadow::DropShadow(
    QSizeF size, qreal cornerRadius, qreal blurRadius, QColor colour, QPointF offset)
    : m_size(size)
    , m_cornerRadius(cornerRadius)
    , m_blurRadius(blurRadius)
    , m_colour(colour)
    , m_offset(offset)
{
}

void DropShadow::render(qreal devicePixelRatio)
{
    const int margin = int(std::ceil(m_blurRadius * 1.5));
    const QSize pixels = (m_size + QSizeF(2 * margin, 2 * margin)).toSize() * devicePixelRatio;
    QImage mask(pixels, QImage::Format_Alpha8);
    mask.fill(Qt::transparent);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(devicePixelRatio, devicePixelRatio);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawRoundedRect(
            QRectF(QPointF(margin, margin), m_size), m_cornerRadius, m_cornerRadius);
    }
    // The blur radius reads as about two standard deviations.
    blurAlpha(mask, m_blurRadius / 2 * devicePixelRatio);
    // Colour the mask: keep the blurred alpha, take the colour's own alpha on top of it.
    QImage shadow(mask.size(), QImage::Format_ARGB32_Premultiplied);
    shadow.fill(Qt::transparent);
    {
        QPainter painter(&shadow);
        painter.drawImage(0, 0, mask);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(shadow.rect(), m_colour);
    }
    shadow.setDevicePixelRatio(devicePixelRatio);
    m_image = shadow;
}

void DropShadow::paint(QPainter& painter, const QRectF& shapeRect)
{
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    if (m_image.isNull() || !qFuzzyCompare(m_image.devicePixelRatio(), ratio))
        render(ratio);
    const int margin = int(std::ceil(m_blurRadius * 1.5));
    painter.drawImage(shapeRect.topLeft() + m_offset - QPointF(margin, margin), m_image);
}
