// Reading goes through a raw descriptor so that a value is checked on the very file it comes
// from: between a separate size check and the open, a sync tool may have replaced it.
#include "KeyFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

const QString suffix = QStringLiteral(".json");

bool isKeyCharacter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
        c == u'-' || c == u'_';
}

bool writeAll(int fd, const QByteArray& data)
{
    const char* next = data.constData();
    auto left = static_cast<std::size_t>(data.size());
    while (left > 0) {
        const ssize_t done = ::write(fd, next, left);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        next += done;
        left -= static_cast<std::size_t>(done);
    }
    return true;
}

} // namespace

KeyFolder::KeyFolder(QString path)
    : m_path(std::move(path))
{
}

void KeyFolder::removeStaleTemporaries() const
{
    // A write killed between creating its temporary and the rename leaves ".<key>.json.XXXXXX"
    // behind. It is never read, but a sync tool would carry it to every machine. A minute old
    // is long past any write in progress, also one from another copy sharing the sync folder.
    const QDateTime staleBefore = QDateTime::currentDateTimeUtc().addSecs(-60);
    const QFileInfoList entries = QDir(m_path).entryInfoList(
        { QStringLiteral(".*") + suffix + QStringLiteral(".??????") }, QDir::Files | QDir::Hidden);
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        const QString key = name.mid(1, name.size() - 1 - suffix.size() - 7);
        if (isValidKey(key) && entry.lastModified().toUTC() < staleBefore)
            QFile::remove(entry.filePath());
    }
}

bool KeyFolder::prepare() const
{
    // An empty path would silently mean the working directory.
    if (m_path.isEmpty() || !QDir().mkpath(m_path))
        return false;
    const QFileInfo info(m_path);
    if (!info.isDir() || !info.isReadable() || !info.isWritable() || !info.isExecutable())
        return false;
    removeStaleTemporaries();
    return true;
}

bool KeyFolder::write(const QString& key, const QByteArray& data) const
{
    if (m_path.isEmpty() || !isValidKey(key) || data.size() > maxValueSize)
        return false;
    // The value goes to a hidden temporary beside the file and is renamed over it, so readers,
    // sync tools and a killed program only ever see the old value or the new one, whole. There
    // is deliberately no flush to disk: the game saves on every click and a flush costs several
    // milliseconds; file systems order a rename that replaces a file after its data (ext4's
    // auto_da_alloc, btrfs), and the hidden name is never taken for a key.
    QByteArray temporary =
        QFile::encodeName(m_path + QStringLiteral("/.") + key + suffix + QStringLiteral(".XXXXXX"));
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, data);
    if (::close(fd) != 0 || !written ||
        ::rename(temporary.constData(), QFile::encodeName(filePath(key)).constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

std::optional<QByteArray> KeyFolder::read(const QString& key) const
{
    if (m_path.isEmpty() || !isValidKey(key))
        return std::nullopt;
    const QByteArray name = QFile::encodeName(filePath(key));
    // Non-blocking, so that a fifo under a key's name cannot hang the program in open().
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    struct stat status { };
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > maxValueSize) {
        ::close(fd);
        return std::nullopt;
    }
    // Read what is there, not the limit: a value is normally a few kilobytes. The file may have
    // grown since fstat, so reading stops one byte past the limit to notice.
    QByteArray data;
    data.reserve(static_cast<qsizetype>(status.st_size) + 1);
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 || data.size() + got > maxValueSize) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0)
            break;
        data.append(chunk, static_cast<qsizetype>(got));
    }
    ::close(fd);
    return data;
}

QStringList KeyFolder::keys() const
{
    if (m_path.isEmpty())
        return {};
    QStringList result;
    const QStringList names =
        QDir(m_path).entryList({ QStringLiteral("*") + suffix }, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        if (const std::optional<QString> key = keyOf(name))
            result.append(*key);
    }
    return result;
}

bool KeyFolder::isValidKey(const QString& key)
{
    return !key.isEmpty() && key.size() <= maxKeyLength &&
        std::all_of(key.cbegin(), key.cend(), isKeyCharacter);
}

std::optional<QString> KeyFolder::keyOf(const QString& fileName)
{
    if (!fileName.endsWith(suffix))
        return std::nullopt;
    QString key = fileName.chopped(suffix.size());
    if (!isValidKey(key))
        return std::nullopt;
    return key;
}

QString KeyFolder::filePath(const QString& key) const
{
    return m_path + u'/' + key + suffix;
}
