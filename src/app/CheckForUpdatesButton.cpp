// SPDX-License-Identifier: GPL-3.0-or-later
// Binds the menu item to the updater.
#include "app/CheckForUpdatesButton.h"

#include "update/Updater.h"

#include "ui/window/UpdateResultDialog.h"

#include <QAction>

CheckForUpdatesButton::CheckForUpdatesButton(Updater& updater, QWidget* window, QObject* parent)
    : QObject(parent)
    , m_updater(updater)
    , m_window(window)
    , m_action(new QAction(tr("Check for Updates\u2026"), this))
{
    m_action->setMenuRole(QAction::ApplicationSpecificRole);
    m_action->setEnabled(m_updater.canCheckForUpdates());
    connect(&m_updater, &Updater::canCheckForUpdatesChanged, this,
        [this] { m_action->setEnabled(m_updater.canCheckForUpdates()); });
    connect(m_action, &QAction::triggered, &m_updater, &Updater::checkForUpdates);
    connect(&m_updater, &Updater::checkFinished, this, &CheckForUpdatesButton::showResult);
}

void CheckForUpdatesButton::showResult(const UpdateCheckResult& result)
{
    // Shown window-modal without a nested event loop, so the game keeps drawing behind it.
    auto* dialog = new UpdateResultDialog(result, m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}
