// SPDX-License-Identifier: GPL-3.0-or-later
// The application-level wiring: the one engine for the life of the process, the window, the
// dark theme, and a rescan of the sync folder whenever the application becomes active again.
#pragma once

#include "app/Settings.h"

#include <QObject>

#include <memory>
#include <optional>

class GameEngine;
struct GameFolders;
class MainWindow;
class QApplication;

class SapperlyApp : public QObject {
    Q_OBJECT

public:
    /// Opens the engine on folders, then builds the window (not yet shown). syncOverridden: the
    /// sync folder came from the command line or the environment, not from settings.
    SapperlyApp(QApplication& application, const GameFolders& folders, bool syncOverridden,
        Settings settings = Settings());
    ~SapperlyApp() override;

    [[nodiscard]] GameEngine& engine() const { return *m_engine; }
    [[nodiscard]] MainWindow& window() const { return *m_window; }
    [[nodiscard]] const Settings& settings() const { return m_settings; }
    [[nodiscard]] bool syncFolderOverridden() const { return m_syncOverridden; }
    /// The sync folder this run was started with, whether or not it could be used.
    [[nodiscard]] const std::optional<QString>& requestedSyncFolder() const { return m_requested; }

    /// Shows the window at the size and place it had when last closed.
    void show();

private:
    Settings m_settings;
    bool m_syncOverridden;
    std::optional<QString> m_requested;
    std::unique_ptr<GameEngine> m_engine;
    std::unique_ptr<MainWindow> m_window;
};
