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
    if (!m_local->prepare())
        qWarning("Sapperly: cannot use the data folder %s; nothing will be kept.",
            qUtf8Printable(sides.localFolder));
    if (sides.cloudFolder && attachCloud(*sides.cloudFolder) != FolderResult::done)
        qWarning("Sapperly: cannot use the sync folder %s; the game is kept on this machine only.",
            qUtf8Printable(*sides.cloudFolder));
}

CloudStore::~CloudStore() = default;

void CloudStore::set(const QByteArray& data, const QString& key)
{
    if (!KeyFolder::isValidKey(key))
        return;
    // The data folder is ours to recreate if it was removed while we run. The sync folder is
    // not: recreating it could plant a local folder where a network mount belongs.
    if (!m_local->write(key, data) && m_local->prepare())
        m_local->write(key, data);
    if (m_cloud && m_cloud->write(key, data))
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
    if (!folder) {
        m_watch.reset();
        m_cloud.reset();
        return FolderResult::done;
    }
    if (const FolderResult result = attachCloud(*folder); result != FolderResult::done)
        return result;
    const QStringList present = m_watch->knownKeys();
    if (!present.isEmpty())
        emit keysChanged(m_cloud->path(), present);
    return FolderResult::done;
}

void CloudStore::setWatchIntervals(std::chrono::milliseconds settle, std::chrono::milliseconds poll)
{
    m_settle = settle;
    m_poll = poll;
    if (m_watch)
        m_watch->setIntervals(settle, poll);
}

void CloudStore::rescan()
{
    if (m_watch)
        m_watch->rescan();
}

CloudStore::FolderResult CloudStore::attachCloud(const QString& folder)
{
    const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    auto cloud = std::make_unique<KeyFolder>(path);
    if (!cloud->prepare())
        return FolderResult::unusable;
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
