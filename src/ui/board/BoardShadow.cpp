#include "ui/board/BoardShadow.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr double cornerRadius = 10.0;
// The blur radius is read as two standard deviations of a Gaussian; three of them cover all
// but a fraction of a per cent of the shadow.
constexpr double sigma = BoardShadow::blurRadius / 2;
constexpr double extent = 3 * sigma;

/// Widths of three box blurs whose repetition approximates a Gaussian of the given deviation.
std::array<int, 3> boxWidths(double deviation)
{
    constexpr int passes = 3;
    const double ideal = std::sqrt(12 * deviation * deviation / passes + 1);
    int lower = static_cast<int>(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    const int upper = lower + 2;
    const double m = std::round((12 * deviation * deviation - passes * lower * lower -
                                    4.0 * passes * lower - 3.0 * passes) /
        (-4.0 * lower - 4));
    std::array<int, 3> widths {};
    for (int i = 0; i < passes; ++i)
        widths[static_cast<std::size_t>(i)] = i < m ? lower : upper;
    return widths;
}

/// One running-sum box blur along lines of an 8-bit buffer; stride steps along a line and
/// lineStep from one line to the next. Outside the buffer counts as empty.
void boxBlur(
    std::vector<std::uint8_t>& pixels, int length, int lines, int stride, int lineStep, int radius)
{
    std::vector<int> line(static_cast<std::size_t>(length));
    const int window = 2 * radius + 1;
    for (int l = 0; l < lines; ++l) {
        std::uint8_t* base = pixels.data() + static_cast<std::ptrdiff_t>(l) * lineStep;
        for (int i = 0; i < length; ++i)
            line[static_cast<std::size_t>(i)] = base[static_cast<std::ptrdiff_t>(i) * stride];
        int sum = 0;
        for (int i = 0; i <= std::min(radius, length - 1); ++i)
            sum += line[static_cast<std::size_t>(i)];
        for (int i = 0; i < length; ++i) {
            base[static_cast<std::ptrdiff_t>(i) * stride] =
                static_cast<std::uint8_t>((sum + window / 2) / window);
            const int enter = i + radius + 1;
            const int leave = i - radius;
            if (enter < length)
                sum += line[static_cast<std::size_t>(enter)];
            if (leave >= 0)
                sum -= line[static_cast<std::size_t>(leave)];
        }
    }
}

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
        outline.addRoundedRect(
            QRectF(QPointF(extent, extent), boardSize), cornerRadius, cornerRadius);
        painter.fillPath(outline, Qt::black);
    }

    const int width = pixels.width();
    const int height = pixels.height();
    std::vector<std::uint8_t> alpha(
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        std::copy_n(
            mask.constScanLine(y), width, alpha.data() + static_cast<std::ptrdiff_t>(y) * width);
    for (const int box : boxWidths(sigma * pixelRatio)) {
        boxBlur(alpha, width, height, 1, width, box / 2);
        boxBlur(alpha, height, width, width, 1, box / 2);
    }

    QImage shadow(pixels, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(shadow.scanLine(y));
        const std::uint8_t* source = alpha.data() + static_cast<std::ptrdiff_t>(y) * width;
        for (int x = 0; x < width; ++x)
            row[x] = qRgba(0, 0, 0, static_cast<int>(std::lround(source[x] * opacity)));
    }
    return shadow;
}

} // namespace BoardShadow
