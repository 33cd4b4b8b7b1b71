// SPDX-License-Identifier: GPL-3.0-or-later
// One QCommandLineParser for the whole program. It runs before QApplication exists, so that
// "--help" and "--version" work without a display; Qt's own options are therefore known to it
// too, hidden from the help.
#include "app/CommandLine.h"

#include "app/Settings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString syncFolderName = QStringLiteral("sync-folder");
constexpr const char* environmentName = "SAPPERLY_SYNC_FOLDER";

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

void addQtOptions(QCommandLineParser& parser)
{
    const auto add = [&parser](const QString& name, bool takesValue) {
        QCommandLineOption option(name);
        if (takesValue)
            option.setValueName(QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    };
    for (const char* name : { "platform", "platformpluginpath", "platformtheme", "plugin",
             "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "display", "geometry",
             "style", "stylesheet", "qmljsdebugger" })
        add(QString::fromLatin1(name), true);
    for (const char* name : { "reverse", "widgetcount", "nograb", "dograb", "sync" })
        add(QString::fromLatin1(name), false);
}

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A mine-sweeping puzzle game."));
    // Qt's options are single-dash words; "-h" and "-v" still work.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // Not addHelpOption(): its "--help-all" promises Qt's options, which are kept out of the help.
    const QCommandLineOption help(
        { QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Displays this help."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption syncFolder(syncFolderName,
        QStringLiteral("Keep the game in <folder> too, a folder that a sync tool shares with "
                       "your other machines. An empty <folder> keeps it on this machine only."),
        QStringLiteral("folder"));
    parser.addOption(syncFolder);
    addQtOptions(parser);

    CommandLine line;
    const auto fail = [&line](const QString& error) {
        line.m_action = Action::fail;
        line.m_message =
            QStringLiteral("sapperly: %1\nTry 'sapperly --help' for more.\n").arg(error);
        return line;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(help)) {
        line.m_action = Action::print;
        // Without a QCoreApplication the parser cannot know the program's name.
        line.m_message = parser.helpText().replace(
            QStringLiteral("<executable_name>"), QCoreApplication::applicationName());
        return line;
    }
    if (parser.isSet(version)) {
        line.m_action = Action::print;
        line.m_message = QCoreApplication::applicationName() + u' ' +
            QCoreApplication::applicationVersion() + u'\n';
        return line;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument '%1'.")
                        .arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(syncFolder))
        line.m_syncFolder = parser.values(syncFolder).constLast();
    else if (const QString named = qEnvironmentVariable(environmentName); !named.isEmpty())
        line.m_syncFolder = named;
    return line;
}

QString CommandLine::standardDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
        QStringLiteral("/sapperly");
}

bool CommandLine::syncFolderOverridden() const
{
    return m_syncFolder.has_value();
}

GameFolders CommandLine::folders(const Settings& settings) const
{
    return { standardDataFolder(),
        m_syncFolder ? folderFrom(*m_syncFolder) : settings.syncFolder() };
}
