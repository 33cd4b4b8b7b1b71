// SPDX-License-Identifier: GPL-3.0-or-later
// The first paint of any widget in the window means the first frame is being drawn; the report
// waits one turn of the event loop so that it comes after the frame has reached the screen.
#include "app/FirstFrameProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPixmap>
#include <QWidget>

#include <cstdio>
#include <ctime>
#include <utility>

void FirstFrameProbe::installIfRequested(QWidget& window)
{
    const QString screenshotFile = qEnvironmentVariable(screenshotVariable);
    if (!screenshotFile.isEmpty() || qEnvironmentVariable(variable) == u"1")
        new FirstFrameProbe(window, screenshotFile);
}

FirstFrameProbe::FirstFrameProbe(QWidget& window, QString screenshotFile)
    : QObject(&window)
    , m_window(window)
    , m_screenshotFile(std::move(screenshotFile))
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool FirstFrameProbe::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == &m_window) {
        m_seen = true;
        QMetaObject::invokeMethod(this, &FirstFrameProbe::report, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void FirstFrameProbe::report()
{
    if (!m_screenshotFile.isEmpty()) {
        const bool saved = m_window.grab().save(m_screenshotFile, "PNG");
        std::printf("screenshot %s platform %s\n", qPrintable(m_screenshotFile),
            qPrintable(QGuiApplication::platformName()));
        std::fflush(stdout);
        QCoreApplication::exit(saved ? 0 : 1);
        return;
    }
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("first-frame-ns %lld\n",
        static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec);
    std::fflush(stdout);
    QCoreApplication::exit(0);
}
