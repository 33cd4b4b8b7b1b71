// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing the settings file. Its values are the player's to edit, so each is checked
// on the way in.
#include "app/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QVariant>

namespace {

const QString syncFolderKey = QStringLiteral("syncFolder");
const QString geometryKey = QStringLiteral("window/geometry");

bool store(const QString& file, const QString& key, const QVariant& value)
{
    QSettings settings(file, QSettings::IniFormat);
    settings.setValue(key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace

QString Settings::standardFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QStringLiteral("/sapperly/sapperly.conf");
}

Settings::Settings(QString file)
    : m_file(std::move(file))
{
}

std::optional<QString> Settings::syncFolder() const
{
    const QSettings settings(m_file, QSettings::IniFormat);
    // Only an absolute path is taken as a folder.
    const QString value = settings.value(syncFolderKey).toString().trimmed();
    if (value.isEmpty() || !QDir::isAbsolutePath(value))
        return std::nullopt;
    return QDir::cleanPath(value);
}

bool Settings::setSyncFolder(const std::optional<QString>& folder)
{
    // An empty value rather than a removed key: "stopped syncing" is a choice to keep.
    return store(m_file, syncFolderKey,
        folder ? QDir::cleanPath(QFileInfo(*folder).absoluteFilePath()) : QString());
}

QByteArray Settings::windowGeometry() const
{
    return QSettings(m_file, QSettings::IniFormat).value(geometryKey).toByteArray();
}

bool Settings::setWindowGeometry(const QByteArray& geometry)
{
    return store(m_file, geometryKey, geometry);
}
