// A hook for the launch benchmark: with SAPPERLY_EXIT_AFTER_FIRST_FRAME=1 set, the program prints
// "first-frame-ns N" (N: CLOCK_MONOTONIC in nanoseconds) once its window has painted for the first
// time, and quits. Without the variable it does nothing.
#pragma once

#include <QObject>

class QWidget;

class FirstFrameProbe : public QObject {
    Q_OBJECT

public:
    static constexpr const char* variable = "SAPPERLY_EXIT_AFTER_FIRST_FRAME";

    /// Watches window when the variable is set to 1.
    static void installIfRequested(QWidget& window);

    explicit FirstFrameProbe(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_window;
    bool m_seen = false;
};
