// The application-level wiring: the one engine for the life of the process, the window, the
// dark theme, and a rescan of the sync folder whenever the application becomes active again.
#pragma once

#include <QObject>

#include <memory>

class GameEngine;
class MainWindow;
class QApplication;

class SapperlyApp : public QObject {
    Q_OBJECT

public:
    /// Opens the engine on the standard local folder and the sync folder named by
    /// "--sync-folder DIR" or SAPPERLY_SYNC_FOLDER, then builds the window (not yet shown).
    explicit SapperlyApp(QApplication& application);
    ~SapperlyApp() override;

    [[nodiscard]] GameEngine& engine() const { return *m_engine; }
    [[nodiscard]] MainWindow& window() const { return *m_window; }

    /// Shows the window at the size and place it had when last closed.
    void show();

private:
    std::unique_ptr<GameEngine> m_engine;
    std::unique_ptr<MainWindow> m_window;
};
