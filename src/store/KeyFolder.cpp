// SPDX-License-Identifier: GPL-3.0-or-later
// Reading goes through a raw descriptor so that a value is checked on the very file it comes
// from: between a separate size check and the open, a sync tool may have replaced it.
#include "KeyFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

const QString suffix = QStringLiteral(".json");
constexpr int temporaryTagLength = 6;
constexpr char tagCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool isTagCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
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

/// Creates a temporary beside the file, named prefix + tag; the kernel applies the umask (and
/// any default ACL) to the 0666 asked for, exactly as for any new file.
int createTemporary(const QString& prefix, QByteArray& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = QFile::encodeName(prefix);
        for (int i = 0; i < temporaryTagLength; ++i)
            name += tagCharacters[QRandomGenerator::global()->bounded(
                static_cast<int>(sizeof tagCharacters - 1))];
        const int fd =
            ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool syncFolder(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

} // namespace

KeyFolder::KeyFolder(QString path)
    : m_path(std::move(path))
{
}

QString KeyFolder::temporaryPrefix(const QString& key)
{
    return QStringLiteral(".sapperly-") + key + suffix + u'.';
}

void KeyFolder::removeStaleTemporaries() const
{
    // A write killed between creating its temporary and the rename leaves one behind. It is
    // never read, but a sync tool would carry it to every machine. A minute old is long past
    // any write in progress, also one from another copy sharing the sync folder. The folder is
    // listed with readdir: it may hold tens of thousands of other people's files.
    DIR* folder = ::opendir(QFile::encodeName(m_path).constData());
    if (!folder)
        return;
    QList<QByteArray> prefixes;
    for (const QString& key : programKeys)
        prefixes.append(QFile::encodeName(temporaryPrefix(key)));
    const std::time_t staleBefore = std::time(nullptr) - 60;
    while (const dirent* entry = ::readdir(folder)) {
        const QByteArray name(entry->d_name);
        const bool shaped =
            std::any_of(prefixes.cbegin(), prefixes.cend(), [&name](const QByteArray& prefix) {
                return name.size() == prefix.size() + temporaryTagLength &&
                    name.startsWith(prefix) &&
                    std::all_of(name.cbegin() + prefix.size(), name.cend(), isTagCharacter);
            });
        struct stat status { };
        if (shaped &&
            ::fstatat(::dirfd(folder), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(status.st_mode) && status.st_mtime < staleBefore)
            ::unlinkat(::dirfd(folder), entry->d_name, 0);
    }
    ::closedir(folder);
}

bool KeyFolder::prepare(Creation creation) const
{
    // An empty path would silently mean the working directory.
    if (m_path.isEmpty())
        return false;
    const QFileInfo info(m_path);
    if (!info.exists()) {
        const bool created = creation == Creation::withParents
            ? QDir().mkpath(m_path)
            : QFileInfo(info.absolutePath()).isDir() && QDir().mkdir(m_path);
        if (!created)
            return false;
    }
    const QFileInfo made(m_path);
    if (!made.isDir() || !made.isReadable() || !made.isWritable() || !made.isExecutable())
        return false;
    removeStaleTemporaries();
    return true;
}

bool KeyFolder::write(const QString& key, const QByteArray& data, Flush flush) const
{
    if (m_path.isEmpty() || !isValidKey(key) || data.size() > maxValueSize)
        return false;
    // A flushed value that is already in place is not written again: replacing it would cost
    // the flush for nothing, and a power cut in between could leave neither.
    if (flush == Flush::whenChanged && read(key) == data)
        return true;
    // The value goes to a hidden temporary beside the file and is renamed over it, so readers,
    // sync tools and a killed program only ever see the old value or the new one, whole. The
    // saved game is not flushed to disk: it is written on every click, a flush costs several
    // milliseconds, and file systems order a rename that replaces a file after its data (ext4's
    // auto_da_alloc, btrfs). The statistics change once a game and cannot be rebuilt, so they
    // are flushed, and the folder after the rename.
    const QByteArray target = QFile::encodeName(filePath(key));
    QByteArray temporary;
    const int fd = createTemporary(m_path + u'/' + temporaryPrefix(key), temporary);
    if (fd < 0)
        return false;
    // In a shared folder the file's group or other readers must keep their access.
    struct stat replaced { };
    if (::lstat(target.constData(), &replaced) == 0 && S_ISREG(replaced.st_mode))
        ::fchmod(fd, replaced.st_mode & 0777);
    bool written = writeAll(fd, data);
    if (written && flush == Flush::whenChanged)
        written = ::fdatasync(fd) == 0;
    if (::close(fd) != 0 || !written || ::rename(temporary.constData(), target.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    if (flush == Flush::whenChanged)
        syncFolder(m_path);
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

QStringList KeyFolder::presentKeys() const
{
    QStringList result;
    if (m_path.isEmpty())
        return result;
    for (const QString& key : programKeys) {
        struct stat status { };
        if (::stat(QFile::encodeName(filePath(key)).constData(), &status) == 0)
            result.append(key);
    }
    return result;
}

QString KeyFolder::filePath(const QString& key) const
{
    return m_path + u'/' + key + suffix;
}
