// SPDX-License-Identifier: GPL-3.0-or-later
// The watcher only says that something in the folder moved; what changed is found by reading
// the program's keys' files and comparing them with what this store last wrote or reported.
// Whatever else the folder holds is never opened, so a folder full of other files costs a
// directory event and two small reads.
#include "FolderWatch.h"

#include "store/KeyFolder.h"

#include <QCryptographicHash>
#include <QFileInfo>

#include <algorithm>
#include <iterator>

namespace {

QByteArray digestOf(const QByteArray& data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256);
}

} // namespace

FolderWatch::FolderWatch(const KeyFolder& folder, QObject* parent)
    : QObject(parent)
    , m_folder(folder)
{
    // A burst of events (a sync tool writing several files, a temporary then its rename) ends
    // in one rescan once the folder has been quiet for a moment.
    m_settle.setSingleShot(true);
    m_settle.setInterval(defaultSettle);
    m_poll.setTimerType(Qt::CoarseTimer);
    m_poll.setInterval(defaultPoll);
    connect(&m_settle, &QTimer::timeout, this, &FolderWatch::rescan);
    connect(&m_poll, &QTimer::timeout, this, &FolderWatch::rescan);
    const auto settleLater = [this] { m_settle.start(); };
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, settleLater);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, settleLater);

    takeSnapshot();
    // The watcher hears nothing on network and FUSE mounts, and loses the folder when it is
    // deleted; the poll catches both, however busy the folder keeps the settle timer.
    m_poll.start();
}

void FolderWatch::setIntervals(std::chrono::milliseconds settle, std::chrono::milliseconds poll)
{
    m_settle.setInterval(settle);
    m_poll.setInterval(poll);
}

void FolderWatch::noteWritten(const QString& key, const QByteArray& data)
{
    m_knownDigests.insert(key, digestOf(data));
}

QStringList FolderWatch::knownKeys() const
{
    QStringList keys = m_knownDigests.keys();
    keys.sort();
    return keys;
}

void FolderWatch::rescan()
{
    m_settle.stop();
    const QStringList changed = takeSnapshot();
    if (!changed.isEmpty())
        emit keysChanged(changed);
}

QStringList FolderWatch::takeSnapshot()
{
    // A folder that is gone is looked at again on the next poll; its keys stay known, so a
    // folder restored with the same contents reports nothing.
    if (!QFileInfo(m_folder.path()).isDir())
        return {};
    const QStringList keys = m_folder.presentKeys();
    QStringList changed;
    for (const QString& key : keys) {
        // A file that does not read is no news: the owner would find nothing in it.
        const std::optional<QByteArray> data = m_folder.read(key);
        if (!data)
            continue;
        const QByteArray digest = digestOf(*data);
        const auto known = m_knownDigests.constFind(key);
        if (known != m_knownDigests.cend() && *known == digest)
            continue;
        m_knownDigests.insert(key, digest);
        changed.append(key);
    }
    watchFolder(keys);
    return changed;
}

void FolderWatch::watchFolder(const QStringList& keys)
{
    // The folder's own watch hears files appear, vanish and be renamed over, but not a file
    // rewritten in place, so every key's file is watched as well. A watch is dropped when its
    // target is deleted or replaced by rename, hence the re-adding on every rescan.
    QStringList wanted { m_folder.path() };
    for (const QString& key : keys)
        wanted.append(m_folder.filePath(key));
    const QStringList watched = m_watcher.directories() + m_watcher.files();
    QStringList missing;
    std::copy_if(wanted.cbegin(), wanted.cend(), std::back_inserter(missing),
        [&watched](const QString& path) { return !watched.contains(path); });
    if (!missing.isEmpty())
        m_watcher.addPaths(missing);
}
