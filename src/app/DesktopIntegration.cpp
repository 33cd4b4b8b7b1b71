// SPDX-License-Identifier: GPL-3.0-or-later
// Wires the desktop pieces into the window built by SapperlyApp.
#include "app/DesktopIntegration.h"

#include "update/Updater.h"

#include "app/CheckForUpdatesButton.h"
#include "app/FirstFrameProbe.h"
#include "app/SapperlyApp.h"
#include "app/SingleInstance.h"
#include "app/SyncFolderCommand.h"
#include "engine/GameEngine.h"
#include "ui/window/MainWindow.h"

#include <QAction>

DesktopIntegration::DesktopIntegration(SapperlyApp& app, SingleInstance& instance, QObject* parent)
    : QObject(parent)
{
    MainWindow& window = app.window();
    auto* updates = new CheckForUpdatesButton(Updater::shared(), &window, this);
    window.insertHelpAction(updates->action());

    auto* sync = new SyncFolderCommand(
        app.engine(), app.settings(), app.syncFolderOverridden(), &window, this);
    sync->setRequestedFolder(app.requestedSyncFolder());
    window.insertGameAction(sync->action());

    instance.raiseOnRequest(window);
    FirstFrameProbe::installIfRequested(window);
}
