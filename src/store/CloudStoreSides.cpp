// Where the two sides of the store live by default: the local folder under the XDG data
// directory, and the sync folder the player named on the command line or in the environment.
#include "store/CloudStore.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString optionName = QStringLiteral("--sync-folder");

/// A folder as the player typed it, made absolute; "~" is expanded here because a shell does
/// not do it after "=" or inside an environment variable.
std::optional<QString> folderFrom(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    QString path = text;
    if (path == u"~" || path.startsWith(u"~/"))
        path.replace(0, 1, QDir::homePath());
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

/// The value of the last "--sync-folder" option, if any. An empty value ("--sync-folder=")
/// is an answer too: it keeps the game local whatever the environment says.
std::optional<QString> optionValue(const QStringList& arguments)
{
    std::optional<QString> result;
    const QString prefix = optionName + u'=';
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == u"--")
            break;
        if (argument == optionName && i + 1 < arguments.size())
            result = arguments[++i];
        else if (argument.startsWith(prefix))
            result = argument.mid(prefix.size());
    }
    return result;
}

} // namespace

CloudStore::Sides CloudStore::standardSides(const QStringList& arguments)
{
    Sides sides;
    sides.localFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
        QStringLiteral("/sapperly");
    if (const std::optional<QString> option = optionValue(arguments))
        sides.cloudFolder = folderFrom(*option);
    else
        sides.cloudFolder = folderFrom(qEnvironmentVariable("SAPPERLY_SYNC_FOLDER"));
    return sides;
}
