// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the board view to PNG files for looking at: an expert game in progress, a lost game
// and a won game, each at pixel ratios 1, 1.5 and 2. Then the whole window content of each size
// at its smallest and at the default window, with and without the result banner, the board-size
// menu open and the new-game question, at the screen's pixel ratio (QT_SCALE_FACTOR=2 for 2x).
// Usage: board_snapshots OUTPUT_FOLDER
#include "BoardScenes.h"

#include "ui/board/BoardView.h"
#include "ui/window/BoardSizeMenu.h"
#include "ui/window/ContentView.h"
#include "ui/window/GameColumn.h"
#include "ui/window/MainWindow.h"
#include "ui/window/NewGameDialog.h"
#include "ui/window/WindowTheme.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
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

bool save(const QString& folder, const QString& name, const QPixmap& picture)
{
    const QString path = QDir(folder).filePath(
        QStringLiteral("%1@%2x.png").arg(name).arg(picture.devicePixelRatio()));
    if (!picture.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

bool windowSnapshots(const QString& folder)
{
    applyWindowTheme();
    bool written = true;
    for (const Difficulty difficulty : allDifficulties) {
        const QSize smallest(difficulty == Difficulty::expert ? 692 : 460, 520);
        for (const QSize size : { smallest, QSize(620, 700) }) {
            for (const bool over : { false, true }) {
                BoardScene scene = BoardScenes::fresh(difficulty);
                // The opening flood is laid out for the expert board; smaller ones start fresh.
                if (difficulty == Difficulty::expert)
                    BoardScenes::playMidGame(*scene.engine);
                else if (over)
                    scene.engine->reveal(columns(difficulty) / 2, rows(difficulty) / 2);
                if (over)
                    BoardScenes::loseGame(*scene.engine);
                ContentView view(*scene.engine);
                view.resize(size);
                view.show();
                view.gameColumn().settle();
                const QString name = QStringLiteral("window-%1-%2x%3%4")
                                         .arg(QString::fromUtf8(title(difficulty).data()))
                                         .arg(size.width())
                                         .arg(size.height())
                                         .arg(over ? QStringLiteral("-over") : QString());
                written = save(folder, name.toLower(), view.grab()) && written;
                if (difficulty != Difficulty::beginner || size != smallest || over)
                    continue;
                QMenu* menu = view.boardSizeMenu().menu();
                menu->ensurePolished();
                menu->adjustSize();
                written = save(folder, QStringLiteral("size-menu"), menu->grab()) && written;
                written =
                    save(folder, QStringLiteral("size-button"), view.boardSizeMenu().grab()) &&
                    written;
                MainWindow window(*scene.engine);
                QMenu* difficultyMenu = window.menuBar()->actions().at(1)->menu();
                difficultyMenu->ensurePolished();
                difficultyMenu->adjustSize();
                written = save(folder, QStringLiteral("difficulty-menu"), difficultyMenu->grab()) &&
                    written;
                NewGameDialog dialog(&view);
                dialog.show();
                written =
                    save(folder, QStringLiteral("new-game-question"), dialog.grab()) && written;
            }
        }
    }
    return written;
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
            BoardScenes::playMidGame) &&
        windowSnapshots(folder);
    return written ? 0 : 1;
}
