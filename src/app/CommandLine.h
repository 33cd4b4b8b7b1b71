// SPDX-License-Identifier: GPL-3.0-or-later
// The command line, read once at start-up before anything needs a display, and the folders the
// game is kept in for this run: "--sync-folder", then SAPPERLY_SYNC_FOLDER, then the folder the
// player chose in the game.
#pragma once

#include "engine/GameEngine.h"

#include <QString>
#include <QStringList>

#include <optional>

class Settings;

class CommandLine {
public:
    enum class Action {
        play,
        /// Print message on standard output and exit with 0.
        print,
        /// Print message on standard error and exit with 2.
        fail,
    };

    /// Reads arguments (the program's name first). Qt's own options (-platform, -style, …)
    /// are accepted and left to QApplication.
    [[nodiscard]] static CommandLine parse(const QStringList& arguments);

    /// $XDG_DATA_HOME/sapperly.
    [[nodiscard]] static QString standardDataFolder();

    [[nodiscard]] Action action() const { return m_action; }
    /// The help text, the version line or the error, ending in a newline.
    [[nodiscard]] const QString& message() const { return m_message; }

    /// Whether this run's sync folder is set from outside: by "--sync-folder" (even an empty
    /// one, which means this machine only) or by a non-empty SAPPERLY_SYNC_FOLDER. Folders chosen
    /// in the game are then remembered for later launches but leave this run alone.
    [[nodiscard]] bool syncFolderOverridden() const;
    /// The standard data folder, and the sync folder from the command line, the environment or
    /// else settings. "~" is expanded and relative paths are made absolute.
    [[nodiscard]] GameFolders folders(const Settings& settings) const;

private:
    Action m_action = Action::play;
    QString m_message;
    /// As given on the command line, or else by a non-empty SAPPERLY_SYNC_FOLDER; empty when
    /// "--sync-folder=" asked for no syncing.
    std::optional<QString> m_syncFolder;
};
