// Renders the board view to PNG files for looking at: an expert game in progress, a lost game
// and a won game, each at pixel ratios 1, 1.5 and 2. Usage: board_snapshots OUTPUT_FOLDER
#include "BoardScenes.h"

#include "ui/board/BoardView.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <functional>

namespace {

bool snapshot(const QString& folder, const QString& name, Difficulty difficulty, QSize area,
    const std::function<void(GameEngine&)>& play)
{
    BoardScene scene = BoardScenes::fresh(difficulty);
    play(*scene.engine);
    Instant now = 0;
    BoardView view(*scene.engine, [&now] { return now; });
    view.resize(area);
    view.show();
    // Past the opening animation that the first showing starts.
    now = 1;
    for (const double ratio : { 1.0, 1.5, 2.0 }) {
        QImage image(area * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        // The window's background, so the shadow and the corners read as they will on screen.
        image.fill(QColor::fromRgbF(0.11f, 0.12f, 0.14f));
        {
            QPainter painter(&image);
            view.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        }
        const QString path =
            QDir(folder).filePath(QStringLiteral("%1@%2x.png").arg(name).arg(ratio));
        if (!image.save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return false;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: board_snapshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    const QSize expertArea(30 * 40 + 60, 16 * 40 + 10);
    const bool written = snapshot(folder, QStringLiteral("expert-mid-game"), Difficulty::expert,
                             expertArea, BoardScenes::playMidGame) &&
        snapshot(folder, QStringLiteral("expert-lost"), Difficulty::expert, expertArea,
            [](GameEngine& engine) {
                BoardScenes::playMidGame(engine);
                BoardScenes::loseGame(engine);
            }) &&
        snapshot(folder, QStringLiteral("beginner-won"), Difficulty::beginner, QSize(500, 420),
            [](GameEngine& engine) {
                engine.toggleMark(0, 0);
                BoardScenes::winGame(engine);
            }) &&
        snapshot(folder, QStringLiteral("expert-scrolling"), Difficulty::expert, QSize(500, 300),
            BoardScenes::playMidGame);
    return written ? 0 : 1;
}
