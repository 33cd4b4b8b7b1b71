// Start-up wiring.
#include "app/SapperlyApp.h"

#include "app/GeometryReport.h"
#include "app/SyncFolderSetting.h"
#include "engine/GameEngine.h"
#include "ui/window/ContentView.h"
#include "ui/window/MainWindow.h"
#include "ui/window/WindowTheme.h"
// Complete for the engine's default-constructed dependencies.
#include "model/RandomSource.h"
#include "store/CloudStore.h"

#include <QApplication>

SapperlyApp::SapperlyApp(QApplication& application)
    : QObject(&application)
    // The sync folder chosen in the game applies unless the command line or environment names
    // one.
    , m_engine(std::make_unique<GameEngine>(SyncFolderSetting().sides(application.arguments())))
{
    QApplication::setApplicationVersion(QStringLiteral(SAPPERLY_VERSION));
    applyWindowTheme();
    m_window = std::make_unique<MainWindow>(*m_engine);
    // Sync tools may have delivered files while the program sat in the background.
    connect(&application, &QGuiApplication::applicationStateChanged, this,
        [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                m_engine->store().rescan();
        });
    if (qEnvironmentVariableIsSet(GeometryReport::variable))
        new GeometryReport(m_window->contentView().boardView(), *m_engine);
}

SapperlyApp::~SapperlyApp() = default;

void SapperlyApp::show()
{
    m_window->restoreWindowGeometry();
    m_window->show();
}
