// SPDX-License-Identifier: GPL-3.0-or-later
// Checks a picture of the game window: at least its smallest size, and a fresh board on it (a
// block of covered tiles). Usage: window_shot_check FILE.png; exits 0 when both hold.
#include "ui/board/BoardPalette.h"

#include <QImage>

#include <cstdio>
#include <cstdlib>

namespace {

bool isNear(QColor a, QColor b)
{
    constexpr int tolerance = 12;
    return std::abs(a.red() - b.red()) <= tolerance &&
        std::abs(a.green() - b.green()) <= tolerance && std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: window_shot_check FILE.png\n");
        return 2;
    }
    const QImage image(QString::fromLocal8Bit(argv[1]));
    if (image.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    if (image.width() < 460 || image.height() < 520) {
        std::fprintf(stderr, "the window is %dx%d, smaller than its smallest size\n", image.width(),
            image.height());
        return 1;
    }
    // Every covered tile shows its light gradient; 81 tiles of at least 22 points leave far more
    // than this many pixels of it.
    const QColor top = BoardPalette::tileTop();
    const QColor bottom = BoardPalette::tileBottom();
    long tilePixels = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (isNear(pixel, top) || isNear(pixel, bottom))
                ++tilePixels;
        }
    }
    constexpr long enough = 81 * 100;
    if (tilePixels < enough) {
        std::fprintf(stderr, "only %ld pixels of covered tiles\n", tilePixels);
        return 1;
    }
    std::printf("%dx%d, %ld pixels of covered tiles\n", image.width(), image.height(), tilePixels);
    return 0;
}
