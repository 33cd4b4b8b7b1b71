// SPDX-License-Identifier: GPL-3.0-or-later
// Timings of the board's drawing: whole expert frames at pixel ratios 1 and 2, and the frames
// of the opening animation after a large flood, which repaint only the animating squares.
#include "BoardScenes.h"

#include "ui/board/BoardPainter.h"
#include "ui/board/BoardShadow.h"
#include "ui/board/OpeningAnimation.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr double squareSize = 40.0;

double threadMilliseconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct Timing {
    double median = 0;
    double fastest = 0;
};

/// The thread's processor time per call, median and fastest over runs: the machine this runs
/// on is often busy, and wall-clock times then measure the neighbours.
Timing millisecondsPerCall(int runs, const std::function<void()>& body)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = threadMilliseconds();
        body();
        times.push_back(threadMilliseconds() - start);
    }
    std::sort(times.begin(), times.end());
    return Timing { times[times.size() / 2], times.front() };
}

QImage canvasFor(const Board& board, double ratio)
{
    const QSize points(static_cast<int>(board.columns() * squareSize),
        static_cast<int>(board.rows() * squareSize));
    QImage image(points * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    return image;
}

void benchFullFrames(const Board& board, const OpeningAnimation& idle)
{
    for (const double ratio : { 1.0, 1.25, 1.5, 2.0 }) {
        QImage image = canvasFor(board, ratio);
        const QRegion all(0, 0, static_cast<int>(board.columns() * squareSize),
            static_cast<int>(board.rows() * squareSize));
        BoardPainter painter;
        const Timing first = millisecondsPerCall(1, [&] {
            QPainter p(&image);
            painter.drawBoard(p, board, squareSize, all, 0, idle);
        });
        const Timing steady = millisecondsPerCall(200, [&] {
            QPainter p(&image);
            painter.drawBoard(p, board, squareSize, all, 0, idle);
        });
        std::printf("full expert frame, ratio %.2f: median %.3f ms, fastest %.3f ms (first "
                    "frame, rendering the sprites: %.2f ms)\n",
            ratio, steady.median, steady.fastest, first.median);
    }
}

void benchAnimationFrames(const Board& flooded)
{
    Instant now = 0;
    OpeningAnimation opening([&now] { return now; });
    opening.detectOpened(flooded);
    QRegion dirty;
    for (const auto& [point, start] : opening.opened())
        dirty +=
            QRect(static_cast<int>(point.x * squareSize), static_cast<int>(point.y * squareSize),
                static_cast<int>(squareSize), static_cast<int>(squareSize));
    std::printf("large flood: %zu squares animating\n", opening.opened().size());

    for (const double ratio : { 1.0, 2.0 }) {
        QImage image = canvasFor(flooded, ratio);
        BoardPainter painter;
        {
            QPainter p(&image);
            painter.drawBoard(p, flooded, squareSize, QRegion(image.rect()), 0, opening);
        }
        // Every frame has a new progress, so the fading tile is rendered anew each time, as on
        // screen; the instants step through the animation's 0.22 s.
        int frame = 0;
        const Timing perFrame = millisecondsPerCall(200, [&] {
            now = 0.001 * (frame++ % 220);
            QPainter p(&image);
            p.setClipRegion(dirty);
            painter.drawBoard(p, flooded, squareSize, dirty, now, opening);
        });
        std::printf(
            "animation frame after the flood, ratio %.2f: median %.3f ms, fastest %.3f ms\n", ratio,
            perFrame.median, perFrame.fastest);
    }
}

void benchShadow()
{
    const Timing timing = millisecondsPerCall(
        10, [] { (void)BoardShadow::render(QSizeF(30 * squareSize, 16 * squareSize)); });
    std::printf(
        "expert board shadow, rendered once per board size: median %.2f ms\n", timing.median);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    BoardScene scene = BoardScenes::fresh(Difficulty::expert);
    BoardScenes::playMidGame(*scene.engine);
    const Board& board = scene.engine->board();
    std::printf("expert mid-game: %lld of 480 squares uncovered, %lld flags, %.0f-point squares\n",
        static_cast<long long>(board.revealedCount), static_cast<long long>(board.flagCount),
        squareSize);
    OpeningAnimation idle([] { return 0.0; });
    benchFullFrames(board, idle);
    benchAnimationFrames(BoardScenes::largestFlood(Difficulty::expert));
    benchShadow();
    return 0;
}
