// SPDX-License-Identifier: GPL-3.0-or-later
// Notices the keys that something other than this store changed in a synced folder: a watcher
// for prompt news, a slow poll for the mounts where the watcher hears nothing, and a memory of
// each key's last known content so that only real changes are reported.
#pragma once

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <chrono>

class KeyFolder;

class FolderWatch : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds defaultSettle { 250 };
    static constexpr std::chrono::milliseconds defaultPoll { 60'000 };

    /// Takes the snapshot of what the folder holds now: only later changes are reported.
    explicit FolderWatch(const KeyFolder& folder, QObject* parent = nullptr);

    /// settle: how long the folder must stay quiet before a rescan; poll: the rescan period.
    void setIntervals(std::chrono::milliseconds settle, std::chrono::milliseconds poll);

    /// Remembers a value this store wrote itself, so that the rescan does not report it back.
    void noteWritten(const QString& key, const QByteArray& data);

    /// The keys whose file held a readable value when last looked at, sorted.
    [[nodiscard]] QStringList knownKeys() const;

    /// Reads the folder now and emits keysChanged when a key's content changed.
    void rescan();

signals:
    /// The keys whose content differs from what was last written or reported, sorted.
    void keysChanged(const QStringList& keys);

private:
    /// Returns the keys whose content is new.
    QStringList takeSnapshot();
    void watchFolder(const QStringList& keys);

    const KeyFolder& m_folder;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QTimer m_poll;
    QHash<QString, QByteArray> m_knownDigests;
};
