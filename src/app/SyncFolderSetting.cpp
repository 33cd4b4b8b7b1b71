// Reading and writing the remembered sync folder.
#include "app/SyncFolderSetting.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString key = QStringLiteral("syncFolder");
const QString option = QStringLiteral("--sync-folder");

} // namespace

QString SyncFolderSetting::standardFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QStringLiteral("/sapperly/sapperly.conf");
}

SyncFolderSetting::SyncFolderSetting(QString file)
    : m_file(std::move(file))
{
}

std::optional<QString> SyncFolderSetting::folder() const
{
    const QSettings settings(m_file, QSettings::IniFormat);
    // The file is the player's to edit: only an absolute path is taken as a folder.
    const QString value = settings.value(key).toString().trimmed();
    if (value.isEmpty() || !QDir::isAbsolutePath(value))
        return std::nullopt;
    return QDir::cleanPath(value);
}

bool SyncFolderSetting::setFolder(const std::optional<QString>& folder)
{
    QSettings settings(m_file, QSettings::IniFormat);
    // An empty value rather than a removed key: "stopped syncing" is a choice to keep.
    settings.setValue(
        key, folder ? QDir::cleanPath(QFileInfo(*folder).absoluteFilePath()) : QString());
    settings.sync();
    return settings.status() == QSettings::NoError;
}

bool SyncFolderSetting::isOverridden(const QStringList& arguments)
{
    // Read as the store reads it: options end at "--"; the program's name comes first.
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == u"--")
            break;
        if ((argument == option && i + 1 < arguments.size()) || argument.startsWith(option + u'='))
            return true;
    }
    return !qEnvironmentVariable("SAPPERLY_SYNC_FOLDER").isEmpty();
}

CloudStore::Sides SyncFolderSetting::sides(const QStringList& arguments) const
{
    CloudStore::Sides sides = CloudStore::standardSides(arguments);
    if (!isOverridden(arguments))
        sides.cloudFolder = folder();
    return sides;
}
