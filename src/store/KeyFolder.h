// SPDX-License-Identifier: GPL-3.0-or-later
// One folder holding one file per key, "<key>.json", each replaced atomically on write so that a
// reader, a crash or a sync tool only ever sees a whole value. Both sides of the store are one.
// A sync folder is shared with other programs and other machines, so nothing but the program's
// own keys and its own temporaries is ever read, watched, written or removed.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class KeyFolder {
public:
    /// Larger files read as nothing and larger values are not written.
    static constexpr qint64 maxValueSize = qint64 { 1024 } * 1024;
    static inline const QString recordsKey = QStringLiteral("records");
    static inline const QString savedGameKey = QStringLiteral("savedGame");
    /// Every key the program stores, sorted.
    static inline const QStringList programKeys { recordsKey, savedGameKey };

    /// Whether prepare may create the folder's missing parents. A sync folder's parent may be
    /// a mount point that is not mounted: creating it would plant a local folder in its place.
    enum class Creation { withParents, lastFolderOnly };
    /// never suits a value written on every move; whenChanged leaves a value that is already
    /// there alone and otherwise makes the new one survive a power cut.
    enum class Flush { never, whenChanged };

    explicit KeyFolder(QString path);

    [[nodiscard]] const QString& path() const { return m_path; }
    /// Where a key's value lives.
    [[nodiscard]] QString filePath(const QString& key) const;

    /// Creates the folder when missing (as creation allows); false unless it then is a folder
    /// we can list and write. Also removes temporaries that killed writes left behind.
    [[nodiscard]] bool prepare(Creation creation) const;

    /// False when the key is not one of ours, the value is too large or the file could not be
    /// replaced. A replaced file keeps its permissions; a new one gets 0666 less the umask.
    bool write(const QString& key, const QByteArray& data, Flush flush = Flush::never) const;

    /// Nothing when the key is not one of ours, or the file is missing, unreadable, not a
    /// regular file or larger than maxValueSize.
    [[nodiscard]] std::optional<QByteArray> read(const QString& key) const;

    /// The program's keys that have a file here, whether or not it reads.
    [[nodiscard]] QStringList presentKeys() const;

    [[nodiscard]] static bool isValidKey(const QString& key) { return programKeys.contains(key); }
    /// A temporary is this prefix and six letters or digits; no other program makes such names.
    [[nodiscard]] static QString temporaryPrefix(const QString& key);

private:
    void removeStaleTemporaries() const;

    QString m_path;
};
