// One folder holding one file per key, "<key>.json", each replaced atomically on write so that a
// reader, a crash or a sync tool only ever sees a whole value. Both sides of the store are one.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class KeyFolder {
public:
    /// Larger files read as nothing and larger values are not written.
    static constexpr qint64 maxValueSize = qint64 { 1024 } * 1024;
    static constexpr qsizetype maxKeyLength = 100;

    explicit KeyFolder(QString path);

    [[nodiscard]] const QString& path() const { return m_path; }
    /// Where a valid key's value lives.
    [[nodiscard]] QString filePath(const QString& key) const;

    /// Creates the folder when missing; false unless it then is a folder we can list and write.
    /// Also removes temporaries that killed writes left behind.
    [[nodiscard]] bool prepare() const;

    /// False when the key is refused, the value is too large or the file could not be replaced.
    bool write(const QString& key, const QByteArray& data) const;

    /// Nothing when the key is refused, or the file is missing, unreadable, not a regular file
    /// or larger than maxValueSize.
    [[nodiscard]] std::optional<QByteArray> read(const QString& key) const;

    /// The valid keys that have a file here, whether or not it reads.
    [[nodiscard]] QStringList keys() const;

    /// A key is 1 to maxKeyLength of A-Z, a-z, 0-9, '-' and '_'. Such a name is a plain file
    /// name on every system a sync tool may carry it to, and none of the temporaries or conflict
    /// copies that sync tools leave beside it (they add '.', ' ', '~' or '(') passes for a key.
    [[nodiscard]] static bool isValidKey(const QString& key);
    /// The key a file name stands for; nothing for any other file.
    [[nodiscard]] static std::optional<QString> keyOf(const QString& fileName);

private:
    void removeStaleTemporaries() const;

    QString m_path;
};
