// Wires the desktop pieces into the window built by SapperlyApp.
#include "ui/window/DesktopIntegration.h"

#include "engine/GameEngine.h"
#include "ui/window/CheckForUpdatesButton.h"
#include "ui/window/FirstFrameProbe.h"
#include "ui/window/MainWindow.h"
#include "ui/window/SapperlyApp.h"
#include "ui/window/SingleInstance.h"
#include "ui/window/SyncFolderCommand.h"
#include "ui/window/Updater.h"

#include <QAction>
#include <QCoreApplication>

DesktopIntegration::DesktopIntegration(SapperlyApp& app, SingleInstance& instance, QObject* parent)
    : QObject(parent)
{
    MainWindow& window = app.window();
    auto* updates = new CheckForUpdatesButton(Updater::shared(), &window, this);
    window.insertHelpAction(updates->action());

    const bool overridden = SyncFolderSetting::isOverridden(QCoreApplication::arguments());
    auto* sync =
        new SyncFolderCommand(app.engine().store(), SyncFolderSetting(), overridden, &window, this);
    window.insertGameAction(sync->action());

    instance.raiseOnRequest(window);
    FirstFrameProbe::installIfRequested(window);
}
