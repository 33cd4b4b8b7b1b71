// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up wiring.
#include "app/SapperlyApp.h"

#include "app/GeometryReport.h"
#include "engine/GameEngine.h"
#include "ui/window/ContentView.h"
#include "ui/window/MainWindow.h"
#include "ui/window/WindowTheme.h"

#include <QApplication>

SapperlyApp::SapperlyApp(
    QApplication& application, const GameFolders& folders, bool syncOverridden, Settings settings)
    : QObject(&application)
    , m_settings(std::move(settings))
    , m_syncOverridden(syncOverridden)
    , m_requested(folders.syncFolder)
    , m_engine(std::make_unique<GameEngine>(folders))
{
    applyWindowTheme();
    m_window = std::make_unique<MainWindow>(*m_engine);
    // Sync tools may have delivered files while the program sat in the background.
    connect(&application, &QGuiApplication::applicationStateChanged, this,
        [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                m_engine->rescanSyncFolder();
        });
    connect(m_window.get(), &MainWindow::closing, this,
        [this](const QByteArray& geometry) { m_settings.setWindowGeometry(geometry); });
    if (qEnvironmentVariableIsSet(GeometryReport::variable))
        new GeometryReport(m_window->contentView().boardView(), *m_engine);
}

SapperlyApp::~SapperlyApp() = default;

void SapperlyApp::show()
{
    m_window->restoreWindowGeometry(m_settings.windowGeometry());
    m_window->show();
}
