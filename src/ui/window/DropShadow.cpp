// Shadow images: the shape filled into an alpha mask, then three box blurs, which together
// come close to a Gaussian.
#include "ui/window/DropShadow.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// One box-blur pass of an alpha mask along rows (horizontal) or columns.
void boxBlurAlpha(QImage& image, int radius, bool horizontal)
{
    const int width = image.width();
    const int height = image.height();
    const int lines = horizontal ? height : width;
    const int length = horizontal ? width : height;
    std::vector<int> source(static_cast<std::size_t>(length));
    for (int line = 0; line < lines; ++line) {
        auto alphaAt = [&](int i) -> uchar& {
            const int x = horizontal ? i : line;
            const int y = horizontal ? line : i;
            return image.scanLine(y)[x];
        };
        for (int i = 0; i < length; ++i)
            source[static_cast<std::size_t>(i)] = alphaAt(i);
        int sum = 0;
        const int window = 2 * radius + 1;
        for (int i = -radius; i <= radius; ++i)
            sum += (i >= 0 && i < length) ? source[static_cast<std::size_t>(i)] : 0;
        for (int i = 0; i < length; ++i) {
            alphaAt(i) = static_cast<uchar>(sum / window);
            const int leaving = i - radius;
            const int entering = i + radius + 1;
            if (leaving >= 0)
                sum -= source[static_cast<std::size_t>(leaving)];
            if (entering < length)
                sum += source[static_cast<std::size_t>(entering)];
        }
    }
}

} // namespace

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
    // The blur radius reads as about two standard deviations; three box passes of this
    // half-width give a deviation of roughly radius / 2.
    const int boxRadius = std::max(1, int(std::lround(m_blurRadius / 2 * devicePixelRatio)));
    for (int pass = 0; pass < 3; ++pass) {
        boxBlurAlpha(mask, boxRadius, true);
        boxBlurAlpha(mask, boxRadius, false);
    }
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
