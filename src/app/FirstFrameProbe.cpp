// The first paint of any widget in the window means the first frame is being drawn; the report
// waits one turn of the event loop so that it comes after the frame has reached the screen.
#include "app/FirstFrameProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <cstdio>
#include <ctime>

void FirstFrameProbe::installIfRequested(QWidget& window)
{
    if (qEnvironmentVariable(variable) == u"1")
        new FirstFrameProbe(window);
}

FirstFrameProbe::FirstFrameProbe(QWidget& window)
    : QObject(&window)
    , m_window(window)
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool FirstFrameProbe::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == &m_window) {
        m_seen = true;
        QMetaObject::invokeMethod(
            this,
            [] {
                timespec now {};
                clock_gettime(CLOCK_MONOTONIC, &now);
                std::printf("first-frame-ns %lld\n",
                    static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec);
                std::fflush(stdout);
                QCoreApplication::exit(0);
            },
            Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}
