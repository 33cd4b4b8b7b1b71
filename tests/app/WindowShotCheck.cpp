// SPDX-License-Identifier: GPL-3.0-or-later
// Checks a picture of the game window: at least its smallest size, and a fresh board on it (a
// block of covered tiles). Usage: window_shot_check FILE.png; exits 0 when both hold.
#include "ui/board/BoardPalette.h"

#include <QImage>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const QImage image(argc == 2 ? QString::fromLocal8Bit(argv[1]) : QString());
    if (image.isNull()) {
        std::fprintf(stderr, "usage: window_shot_check FILE.png (a readable picture)\n");
        return 2;
    }
    if (image.width() < 460 || image.height() < 520) {
        std::fprintf(stderr, "the window is %dx%d, smaller than its smallest size\n", image.width(),
            image.height());
        return 1;
    }
    // Every covered tile shows its light gradient; 81 tiles of at least 22 points leave far more
    // than this many pixels of it.
    const auto isNear = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) <= 12 && std::abs(a.green() - b.green()) <= 12 &&
            std::abs(a.blue() - b.blue()) <= 12;
    };
    const QColor top = BoardPalette::tileTop(), bottom = BoardPalette::tileBottom();
    long tilePixels = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            tilePixels +=
                isNear(image.pixelColor(x, y), top) || isNear(image.pixelColor(x, y), bottom);
    if (tilePixels < 81 * 100) {
        std::fprintf(stderr, "only %ld pixels of covered tiles\n", tilePixels);
        return 1;
    }
    std::printf("%dx%d, %ld pixels of covered tiles\n", image.width(), image.height(), tilePixels);
    return 0;
}
