// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for the launch benchmark: a bare Qt Widgets window with one painted widget, which
// reports its first frame and quits exactly as the game does under the same hook.
#include "app/FirstFrameProbe.h"

#include <QApplication>
#include <QPainter>
#include <QWidget>

namespace {

class PaintedWidget : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor::fromRgbF(0.11f, 0.12f, 0.14f));
        painter.setBrush(QColor::fromRgbF(0.84f, 0.87f, 0.91f));
        painter.drawRoundedRect(rect().adjusted(16, 16, -16, -16), 8, 8);
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    PaintedWidget window;
    window.resize(620, 700);
    FirstFrameProbe::installIfRequested(window);
    window.show();
    return QApplication::exec();
}
