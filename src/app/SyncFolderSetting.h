// The sync folder the player chose in the game, remembered in the per-user configuration file
// and used at start-up when neither "--sync-folder" nor SAPPERLY_SYNC_FOLDER names one.
#pragma once

#include "store/CloudStore.h"

#include <QString>
#include <QStringList>

#include <optional>

class SyncFolderSetting {
public:
    /// $XDG_CONFIG_HOME/sapperly/sapperly.conf, the file that also keeps the window's place.
    [[nodiscard]] static QString standardFile();

    explicit SyncFolderSetting(QString file = standardFile());

    [[nodiscard]] const QString& file() const { return m_file; }

    /// Nothing when the player chose not to sync, or never chose.
    [[nodiscard]] std::optional<QString> folder() const;
    /// Remembers folder (made absolute), or that the player stopped syncing. False when the file
    /// could not be written.
    bool setFolder(const std::optional<QString>& folder);

    /// Whether this run's sync folder is set from outside: by "--sync-folder" (even an empty
    /// one, which means local only) or by a non-empty SAPPERLY_SYNC_FOLDER.
    [[nodiscard]] static bool isOverridden(const QStringList& arguments);

    /// The store's standard sides, with this setting's folder when nothing overrides it.
    [[nodiscard]] CloudStore::Sides sides(const QStringList& arguments) const;

private:
    QString m_file;
};
