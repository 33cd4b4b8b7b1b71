// Reading goes through a raw descriptor so that a value is checked on the very file it comes
// from: between a separate size check and the open, a sync tool may have replaced it.
#include "KeyFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
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

} // namespace

KeyFolder::KeyFolder(QString path)
    : m_path(std::move(path))
{
}

bool KeyFolder::prepare() const
{
    // An empty path would silently mean the working directory.
    if (m_path.isEmpty() || !QDir().mkpath(m_path))
        return false;
    const QFileInfo info(m_path);
    return info.isDir() && info.isReadable() && info.isWritable() && info.isExecutable();
}

bool KeyFolder::write(const QString& key, const QByteArray& data) const
{
    if (m_path.isEmpty() || !isValidKey(key) || data.size() > maxValueSize)
        return false;
    // QSaveFile writes a temporary beside the file and renames it over the old one on commit,
    // after flushing it to disk; it never falls back to writing the file in place.
    QSaveFile file(filePath(key));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    // The file may have grown since fstat: read one byte past the limit to notice.
    QByteArray data = file.read(maxValueSize + 1);
    if (file.error() != QFileDevice::NoError || data.size() > maxValueSize)
        return std::nullopt;
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
