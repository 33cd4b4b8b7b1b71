// SPDX-License-Identifier: GPL-3.0-or-later
// A hook for the launch benchmark: with SAPPERLY_EXIT_AFTER_FIRST_FRAME=1 set, the program prints
// "first-frame-ns N" (N: CLOCK_MONOTONIC in nanoseconds) once its window has painted for the first
// time, and quits. For the smoke tests, SAPPERLY_SCREENSHOT=FILE.png instead saves what the
// window shows (drawn by Qt, whatever the platform) once it has painted, prints
// "screenshot FILE platform NAME", and quits. Without either variable it does nothing.
#pragma once

#include <QObject>
#include <QString>

class QWidget;

class FirstFrameProbe : public QObject {
    Q_OBJECT

public:
    static constexpr const char* variable = "SAPPERLY_EXIT_AFTER_FIRST_FRAME";
    static constexpr const char* screenshotVariable = "SAPPERLY_SCREENSHOT";

    /// Watches window when either variable is set.
    static void installIfRequested(QWidget& window);

    /// An empty screenshotFile reports the first frame's time instead.
    FirstFrameProbe(QWidget& window, QString screenshotFile);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void report();

    QWidget& m_window;
    QString m_screenshotFile;
    bool m_seen = false;
};
