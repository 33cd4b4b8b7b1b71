// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/board/ShadowBlur.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

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
/// lineStep from one line to the next.
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

void blurAlpha(QImage& mask, double deviation)
{
    const int width = mask.width();
    const int height = mask.height();
    if (width == 0 || height == 0 || deviation <= 0)
        return;
    // Scan lines are padded; the blur runs on a packed copy.
    std::vector<std::uint8_t> alpha(
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        std::copy_n(
            mask.constScanLine(y), width, alpha.data() + static_cast<std::ptrdiff_t>(y) * width);
    for (const int box : boxWidths(deviation)) {
        boxBlur(alpha, width, height, 1, width, box / 2);
        boxBlur(alpha, height, width, width, 1, box / 2);
    }
    for (int y = 0; y < height; ++y)
        std::copy_n(alpha.data() + static_cast<std::ptrdiff_t>(y) * width, width, mask.scanLine(y));
}
