// SPDX-License-Identifier: GPL-3.0-or-later
// The "Sync Folder…" menu item: lets the player choose the folder their sync tool shares, or stop
// syncing, takes the choice into the game at once and remembers it for later launches.
#pragma once

#include "app/Settings.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class GameEngine;
class QAction;
class QWidget;

class SyncFolderCommand : public QObject {
    Q_OBJECT

public:
    /// Asks the player for a folder, starting at the given one; nothing when they cancel.
    using FolderChooser =
        std::function<std::optional<QString>(QWidget* parent, const QString& start)>;

    /// With overridden set (the folder of this run came from the command line or environment),
    /// choices are remembered for later launches but leave this run's game alone.
    SyncFolderCommand(GameEngine& engine, Settings settings, bool overridden, QWidget* window,
        QObject* parent = nullptr);

    /// Owned by this object; the caller places it in a menu.
    [[nodiscard]] QAction* action() const { return m_action; }

    /// Syncs through folder from now on and remembers it. When the game cannot use the folder,
    /// the player is told, nothing changes and the result is false.
    bool useFolder(const QString& folder);
    /// Stops syncing now and remembers that. False when the choice could not be saved.
    bool stopSyncing();

    /// The folder this run was asked to sync through by the command line or the environment,
    /// so that the dialog can say why it is not in use.
    void setRequestedFolder(std::optional<QString> folder) { m_requested = std::move(folder); }

    /// Tests replace the file dialog.
    void setFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }

private:
    void openDialog();
    void onDialogFinished(int choice);
    [[nodiscard]] static QString cannotSync(const QString& folder);
    void warn(const QString& text, const QString& detail);

    GameEngine& m_engine;
    Settings m_settings;
    bool m_overridden;
    std::optional<QString> m_requested;
    QPointer<QWidget> m_window;
    QAction* m_action;
    FolderChooser m_chooseFolder;
};
