// SPDX-License-Identifier: GPL-3.0-or-later
// The two sides are folders of the same kind; only the sync folder is watched, and what the
// watch finds goes out as a signal naming the folder it was found in.
#include "CloudStore.h"

#include "store/FolderWatch.h"
#include "store/KeyFolder.h"

#include <QDir>
#include <QFileInfo>

#include <cassert>

CloudStore::CloudStore(const Sides& sides, QObject* parent)
    : QObject(parent)
    , m_local(std::make_unique<KeyFolder>(sides.localFolder))
    , m_settle(FolderWatch::defaultSettle)
    , m_poll(FolderWatch::defaultPoll)
{
    assert(!sides.localFolder.isEmpty() && "an empty folder would mean the working directory");
    if (!m_local->prepare(KeyFolder::Creation::withParents))
        qWarning("Sapperly: cannot use the data folder %s; nothing will be kept.",
            qUtf8Printable(sides.localFolder));
    const FolderResult cloud =
        sides.cloudFolder ? attachCloud(*sides.cloudFolder) : FolderResult::done;
    // The data folder named as the sync folder stays so, however often it is tried again.
    if (cloud == FolderResult::localFolder)
        qWarning("Sapperly: the sync folder %s is the data folder itself; the game is kept on "
                 "this machine only.",
            qUtf8Printable(*sides.cloudFolder));
    if (cloud == FolderResult::unusable) {
        qWarning("Sapperly: cannot use the sync folder %s; the game is kept on this machine "
                 "until it can be used.",
            qUtf8Printable(*sides.cloudFolder));
        m_waitingFolder = sides.cloudFolder;
        m_waitTimer = new QTimer(this);
        m_waitTimer->setTimerType(Qt::CoarseTimer);
        m_waitTimer->setInterval(m_poll);
        connect(m_waitTimer, &QTimer::timeout, this, &CloudStore::attachWaitingFolder);
        m_waitTimer->start();
    }
}

CloudStore::~CloudStore() = default;

void CloudStore::set(const QByteArray& data, const QString& key)
{
    if (!KeyFolder::isValidKey(key))
        return;
    // The data folder is ours to recreate if it was removed while we run. The sync folder is
    // not: recreating it could plant a local folder where a network mount belongs.
    const auto flush =
        key == KeyFolder::recordsKey ? KeyFolder::Flush::whenChanged : KeyFolder::Flush::never;
    if (!m_local->write(key, data, flush) && m_local->prepare(KeyFolder::Creation::withParents))
        m_local->write(key, data, flush);
    if (m_cloud && m_cloud->write(key, data, flush))
        m_watch->noteWritten(key, data);
}

std::optional<QByteArray> CloudStore::readLocal(const QString& key) const
{
    return m_local->read(key);
}

std::optional<QByteArray> CloudStore::readCloud(const QString& key) const
{
    if (!m_cloud)
        return std::nullopt;
    return m_cloud->read(key);
}

bool CloudStore::hasCloud() const
{
    return m_cloud != nullptr;
}

std::optional<QString> CloudStore::cloudFolder() const
{
    if (!m_cloud)
        return std::nullopt;
    return m_cloud->path();
}

CloudStore::FolderResult CloudStore::setCloudFolder(const std::optional<QString>& folder)
{
    if (folder) {
        if (const FolderResult result = attachCloud(*folder); result != FolderResult::done)
            return result;
    }
    // The player's choice replaces the folder that was being waited for.
    m_waitingFolder.reset();
    if (m_waitTimer)
        m_waitTimer->stop();
    if (!folder) {
        m_watch.reset();
        m_cloud.reset();
        return FolderResult::done;
    }
    const QStringList present = m_watch->knownKeys();
    if (!present.isEmpty())
        emit keysChanged(m_cloud->path(), present);
    return FolderResult::done;
}

void CloudStore::setWatchIntervals(std::chrono::milliseconds settle, std::chrono::milliseconds poll)
{
    m_settle = settle;
    m_poll = poll;
    if (m_waitTimer)
        m_waitTimer->setInterval(poll);
    if (m_watch)
        m_watch->setIntervals(settle, poll);
}

void CloudStore::rescan()
{
    if (m_watch)
        m_watch->rescan();
    else
        attachWaitingFolder();
}

void CloudStore::attachWaitingFolder()
{
    if (!m_waitingFolder)
        return;
    const QString folder = *m_waitingFolder;
    if (setCloudFolder(folder) == FolderResult::done)
        qInfo("Sapperly: the sync folder %s can be used now.", qUtf8Printable(folder));
}

CloudStore::FolderResult CloudStore::attachCloud(const QString& folder)
{
    const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    auto cloud = std::make_unique<KeyFolder>(path);
    if (!cloud->prepare(KeyFolder::Creation::lastFolderOnly))
        return FolderResult::unusable;
    // The same folder on both sides would read our own writes back as another machine's.
    if (QFileInfo(path).canonicalFilePath() == QFileInfo(m_local->path()).canonicalFilePath())
        return FolderResult::localFolder;
    m_watch.reset();
    m_cloud = std::move(cloud);
    m_watch = std::make_unique<FolderWatch>(*m_cloud);
    m_watch->setIntervals(m_settle, m_poll);
    connect(m_watch.get(), &FolderWatch::keysChanged, this,
        [this](const QStringList& keys) { emit keysChanged(m_cloud->path(), keys); });
    return FolderResult::done;
}
