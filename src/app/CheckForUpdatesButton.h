// SPDX-License-Identifier: GPL-3.0-or-later
// The "Check for Updates…" menu item: enabled exactly while the updater may check, starting one
// check when chosen and showing its answer.
#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QWidget;
class Updater;
struct UpdateCheckResult;

class CheckForUpdatesButton : public QObject {
    Q_OBJECT

public:
    /// Answers are shown as dialogs over window (which may be null).
    CheckForUpdatesButton(Updater& updater, QWidget* window, QObject* parent = nullptr);

    /// Owned by this object; the caller places it in a menu.
    [[nodiscard]] QAction* action() const { return m_action; }

private:
    void showResult(const UpdateCheckResult& result);

    Updater& m_updater;
    QPointer<QWidget> m_window;
    QAction* m_action;
};
