// SPDX-License-Identifier: GPL-3.0-or-later
// The program's entry: reads the command line (help and version need no display), checks that
// there is a display to draw on, then hands over to the application wiring.
#include "app/CommandLine.h"
#include "app/DesktopIntegration.h"
#include "app/SapperlyApp.h"
#include "app/Settings.h"
#include "app/SingleInstance.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

QtMessageHandler previousHandler = nullptr;
// Qt's own complaints while the platform starts, held back until it is known whether they
// lead to the fatal end, where the one plain message below replaces them.
QStringList heldMessages;

/// The variables that named the display that could not be opened, for example "DISPLAY=:99".
QString namedDisplay()
{
    QStringList named;
    for (const char* variable : { "QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY" }) {
        if (qEnvironmentVariableIsSet(variable))
            named << QStringLiteral("%1=%2").arg(
                QLatin1String(variable), qEnvironmentVariable(variable));
    }
    return named.join(QStringLiteral(", "));
}

// Qt ends the process with a fatal message when no platform plugin can start (for example
// DISPLAY names a server that is not there), telling the player to reinstall. Say plainly what
// is wrong and exit with 1 instead of aborting with a core dump.
void startupMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "Sapperly needs a graphical display (%s cannot be opened).\n",
            qPrintable(namedDisplay()));
        std::_Exit(1);
    }
    heldMessages << qFormatLogMessage(type, context, text);
}

/// Passes on what Qt said while starting, now that it did start.
void releaseHeldMessages()
{
    for (const QString& message : std::as_const(heldMessages))
        std::fprintf(stderr, "%s\n", qPrintable(message));
    heldMessages.clear();
}

bool hasDisplay()
{
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY") ||
        qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char* argv[])
{
    // The settings file goes under $XDG_CONFIG_HOME/sapperly.
    QCoreApplication::setOrganizationName(QStringLiteral("sapperly"));
    QCoreApplication::setApplicationName(QStringLiteral("sapperly"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SAPPERLY_VERSION));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(DesktopIntegration::applicationId));

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine commandLine = CommandLine::parse(arguments);
    switch (commandLine.action()) {
    case CommandLine::Action::print:
        std::fputs(qPrintable(commandLine.message()), stdout);
        return 0;
    case CommandLine::Action::fail:
        std::fputs(qPrintable(commandLine.message()), stderr);
        return 2;
    case CommandLine::Action::play:
        break;
    }

    if (!hasDisplay()) {
        std::fputs(
            "Sapperly needs a graphical display (no DISPLAY or WAYLAND_DISPLAY is set).\n", stderr);
        return 1;
    }
    previousHandler = qInstallMessageHandler(startupMessageHandler);
    QApplication application(argc, argv);
    qInstallMessageHandler(previousHandler);
    releaseHeldMessages();

    const Settings settings;
    const GameFolders folders = commandLine.folders(settings);
    // One running copy per data folder: a later launch brings the first to the front and ends
    // here, before it could touch the game's files.
    SingleInstance instance(folders.dataFolder);
    if (instance.claim() == SingleInstance::Claim::alreadyRunning)
        return 0;

    SapperlyApp sapperly(application, folders, commandLine.syncFolderOverridden(), settings);
    // The update and sync-folder menu items, raising the window, the launch benchmark's hook.
    DesktopIntegration desktop(sapperly, instance);
    sapperly.show();
    return QApplication::exec();
}
