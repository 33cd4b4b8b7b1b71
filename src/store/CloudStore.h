// The program's only storage: every value is written to the local data folder and, when the
// player syncs, to a folder that their sync tool shares with their other machines. Keys that
// other machines change in the sync folder are reported to the owner.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
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

    /// The default local folder ($XDG_DATA_HOME/sapperly) and the sync folder named by
    /// "--sync-folder DIR" in arguments or, failing that, by SAPPERLY_SYNC_FOLDER.
    [[nodiscard]] static Sides standardSides(const QStringList& arguments);

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
    /// with std::nullopt.
    /// Returns false and changes nothing when the folder cannot be used. Every key already in
    /// the new folder is then reported through onExternalChange, as if another machine had
    /// just written it.
    bool setCloudFolder(const std::optional<QString>& folder);

    /// How long the sync folder must stay quiet before it is read after a change, and how often
    /// it is read regardless (for mounts whose changes the watcher never hears). Tests shorten
    /// both.
    void setWatchIntervals(std::chrono::milliseconds settle, std::chrono::milliseconds poll);

    /// Called, always as its own later step on the main thread, with the keys that changed in
    /// the cloud folder from outside. Set once by the owner after it has read both sides.
    std::function<void(const QStringList&)> onExternalChange;

    /// Looks at the cloud folder now instead of waiting for the watcher (the application
    /// calls this when it becomes active again).
    void rescan();

private:
    [[nodiscard]] bool attachCloud(const QString& folder);
    void attachWaitingFolder();
    void reportLater(const QStringList& keys);

    std::unique_ptr<KeyFolder> m_local;
    std::unique_ptr<KeyFolder> m_cloud;
    // Declared after m_cloud, which it watches, so that it goes first.
    std::unique_ptr<FolderWatch> m_watch;
    // Bumped on every attach and detach, so that reports still queued for the folder that was
    // left are dropped.
    std::uint64_t m_generation = 0;
    std::chrono::milliseconds m_settle;
    std::chrono::milliseconds m_poll;
    // The sync folder asked for at start-up while it cannot be used (an unmounted share), and
    // the poll that looks for it.
    std::optional<QString> m_waitingFolder;
    QTimer* m_waitTimer = nullptr;
};
