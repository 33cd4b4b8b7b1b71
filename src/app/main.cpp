// The program's entry: checks that there is a display to draw on, then hands over to the
// application wiring.
#include "app/DesktopIntegration.h"
#include "app/SapperlyApp.h"
#include "app/SingleInstance.h"
#include "store/CloudStore.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

QtMessageHandler previousHandler = nullptr;

// Qt ends the process with a fatal message when no platform plugin can start (for example
// DISPLAY names a server that is not there). Say plainly what is wrong and exit with 1 instead
// of aborting with a core dump.
void startupMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "Sapperly could not open a graphical display: %s\n", qPrintable(text));
        std::_Exit(1);
    }
    if (previousHandler)
        previousHandler(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

bool hasDisplay()
{
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY") ||
        qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char* argv[])
{
    if (!hasDisplay()) {
        std::fputs(
            "Sapperly needs a graphical display (no DISPLAY or WAYLAND_DISPLAY is set).\n", stderr);
        return 1;
    }
    // The settings file (window geometry) goes under $XDG_CONFIG_HOME/sapperly.
    QCoreApplication::setOrganizationName(QStringLiteral("sapperly"));
    QCoreApplication::setApplicationName(QStringLiteral("sapperly"));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(DesktopIntegration::applicationId));

    previousHandler = qInstallMessageHandler(startupMessageHandler);
    QApplication application(argc, argv);
    qInstallMessageHandler(previousHandler);

    // One running copy per data folder: a later launch brings the first to the front and ends
    // here, before it could touch the game's files.
    SingleInstance instance(CloudStore::standardSides(application.arguments()).localFolder);
    if (instance.claim() == SingleInstance::Claim::alreadyRunning)
        return 0;

    SapperlyApp sapperly(application);
    // The update and sync-folder menu items, raising the window, the launch benchmark's hook.
    DesktopIntegration desktop(sapperly, instance);
    sapperly.show();
    return QApplication::exec();
}
