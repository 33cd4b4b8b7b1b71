// SPDX-License-Identifier: GPL-3.0-or-later
// The program's only storage: every value is written to the local data folder and, when the
// player syncs, to a folder that their sync tool shares with their other machines. Keys that
// other machines change in the sync folder are reported to the owner by a signal.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>

class KeyFolder;
class FolderWatch;

class CloudStore : public QObject {
    Q_OBJECT

public:
    /// Where the two sides live. No cloud folder means local-only.
    struct Sides {
        QString localFolder;
        std::optional<QString> cloudFolder;
    };

    /// What setCloudFolder made of a folder.
    enum class FolderResult {
        done,
        /// It cannot be created, read or written.
        unusable,
        /// It is the local folder itself, which would read our own writes back as another
        /// machine's.
        localFolder,
    };

    /// A cloud folder that cannot be used leaves the store local-only, with a warning on
    /// standard error; it is looked at again on every rescan and poll, and attached (its keys
    /// reported as by setCloudFolder) once it can be used. A missing folder is created only
    /// when its parent exists.
    explicit CloudStore(const Sides& sides, QObject* parent = nullptr);
    ~CloudStore() override;

    /// Writes the local side, then the cloud side when present. Failures go unnoticed. Only
    /// the program's keys are written; the statistics are flushed to disk when they change.
    void set(const QByteArray& data, const QString& key);
    /// The bytes under key on each side; nothing when missing, unreadable or over 1 MiB.
    [[nodiscard]] std::optional<QByteArray> readLocal(const QString& key) const;
    [[nodiscard]] std::optional<QByteArray> readCloud(const QString& key) const;
    [[nodiscard]] bool hasCloud() const;
    /// The sync folder in use, as given (made absolute); nothing when local-only.
    [[nodiscard]] std::optional<QString> cloudFolder() const;

    /// Starts syncing through folder (created when missing and its parent exists), or stops
    /// with std::nullopt. Changes nothing when the folder cannot be used. Every key already in
    /// the new folder is then reported through keysChanged, as if another machine had just
    /// written it.
    FolderResult setCloudFolder(const std::optional<QString>& folder);

    /// How long the sync folder must stay quiet before it is read after a change, and how often
    /// it is read regardless (for mounts whose changes the watcher never hears). Tests shorten
    /// both.
    void setWatchIntervals(std::chrono::milliseconds settle, std::chrono::milliseconds poll);

    /// Looks at the cloud folder now instead of waiting for the watcher (the application
    /// calls this when it becomes active again).
    void rescan();

signals:
    /// Keys that changed from outside in the cloud folder at folder. Emitted from inside the
    /// store's own work (a rescan, an attach): owners connect with Qt::QueuedConnection, and drop
    /// a report whose folder is no longer the one in use.
    void keysChanged(const QString& folder, const QStringList& keys);

private:
    [[nodiscard]] FolderResult attachCloud(const QString& folder);
    void attachWaitingFolder();

    std::unique_ptr<KeyFolder> m_local;
    std::unique_ptr<KeyFolder> m_cloud;
    // Declared after m_cloud, which it watches, so that it goes first.
    std::unique_ptr<FolderWatch> m_watch;
    std::chrono::milliseconds m_settle;
    std::chrono::milliseconds m_poll;
    // The sync folder asked for at start-up while it cannot be used (an unmounted share), and
    // the poll that looks for it.
    std::optional<QString> m_waitingFolder;
    QTimer* m_waitTimer = nullptr;
};
