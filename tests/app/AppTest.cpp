// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own services: the command line, the settings, the window's commands, and one
// running copy per data folder, across crashes, full or read-only disks and other accounts.
#include "app/CommandLine.h"
#include "app/DesktopIntegration.h"
#include "app/SapperlyApp.h"
#include "app/SingleInstance.h"
#include "app/SyncFolderCommand.h"
#include "ui/window/MainWindow.h"
#include "ui/window/SyncFolderDialog.h"

#include <QtTest>
#include <QtWidgets>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using Claim = SingleInstance::Claim;

class AppTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const char* name) { return m_dir.filePath(name); }
    bool says(QProcess& p, QByteArray s) { return p.waitForReadyRead(9000) && p.readLine() == s; }
    template <typename T> static T* modal() { return qobject_cast<T*>(qApp->activeModalWidget()); }
    // Starts this program as "--hold FOLDER" (see main), as another account through asOther.
    bool hold(QProcess& p, const QString& folder, QStringList asOther = {})
    {
        asOther << QCoreApplication::applicationFilePath() << "--hold" << folder;
        p.start(asOther.takeFirst(), asOther);
        return says(p, "holding\n");
    }

private slots:
    void initTestCase() { ::umask(022), QCoreApplication::setApplicationName("sapperly"); }
    void cleanupTestCase() { QProcess::execute("umount", { "-l", m_dir.filePath("crash full") }); }

    void theCommandLineAndTheSettings()
    {
        const QString home = QDir::homePath(), here = QDir::currentPath();
        // Arguments, the environment (null: unset), and the sync folder ("-": none, "kept": not
        // overridden) or the exit status and start of the message. "=" alone: this machine only.
        using Row = std::tuple<QString, const char*, QString>;
        const Row rows[] = { { "", {}, "kept /remembered" }, { "--sync-folder /a", {}, "/a" },
            { "--sync-folder=/b/", {}, "/b" }, { "--sync-folder=/a --sync-folder=/b", {}, "/b" },
            { "--sync-folder=rel", {}, here + "/rel" },
            { "--sync-folder=~/Sync", {}, home + "/Sync" }, { "", "/env", "/env" },
            { "", "", "kept /remembered" }, { "--sync-folder /a", "/env", "/a" },
            { "--sync-folder=", "/env", "-" },
            { "-platform offscreen -reverse", {}, "kept /remembered" },
            { "--help --bogus", {}, "2 sapperly: Unknown option 'bogus'." }, // even with --help
            { "-h", {}, "0 Usage: " }, { "--version", {}, "0 sapperly " },
            { "--sync-folder", {}, "2 sapperly: Missing value after '--sync-folder'." },
            { "file", {}, "2 sapperly: unexpected argument 'file'." },
            { "-- --sync-folder", {}, "2 sapperly: unexpected argument '--sync-folder'." } };
        const QString file = path("settings.conf");
        Settings settings(file);
        QVERIFY(settings.setSyncFolder(QString("/remembered")));
        for (const auto& [arguments, environment, expected] : rows) {
            environment ? qputenv("SAPPERLY_SYNC_FOLDER", environment)
                        : qunsetenv("SAPPERLY_SYNC_FOLDER");
            const auto line =
                CommandLine::parse(("sapperly " + arguments).split(' ', Qt::SkipEmptyParts));
            const QString got = line.action() == CommandLine::Action::play
                ? (line.syncFolderOverridden() ? "" : "kept ") +
                    line.folders(settings).syncFolder.value_or("-")
                : (line.action() == CommandLine::Action::fail ? "2 " : "0 ") + line.message();
            QVERIFY2(got == expected || (got.startsWith(expected) && got.endsWith('\n')),
                qPrintable(got));
        }
        qunsetenv("SAPPERLY_SYNC_FOLDER");
        // Kept cleaned; forgetting it keeps the rest; a hand-edited relative path is no folder.
        QVERIFY(settings.setSyncFolder(m_dir.filePath("sync/../Sync")));
        QCOMPARE(Settings(file).syncFolder(), m_dir.filePath("Sync"));
        QVERIFY(settings.setWindowGeometry("geometry") && settings.setSyncFolder(std::nullopt));
        QVERIFY(!Settings(file).syncFolder() && Settings(file).windowGeometry() == "geometry");
        QSettings(file, QSettings::IniFormat).setValue("syncFolder", "Sync");
        QVERIFY(!Settings(file).syncFolder());
        QVERIFY(!Settings("/proc/sapperly/sapperly.conf").setSyncFolder(QString("/tmp")));
    }

    void theWindowsCommandsAndASecondLaunch()
    {
        // The remembered folder has become a plain file, so this run stays local.
        const QString data = path("data"), file = path("conf"), notAFolder = path("file");
        const QString sync = path("sync"), later = path("later");
        QVERIFY(QFile(notAFolder).open(QIODevice::WriteOnly) &&
            Settings(file).setSyncFolder(notAFolder));
        SingleInstance instance(data);
        QVERIFY(instance.claim() == Claim::first);
        SapperlyApp app(*qApp, { data, std::nullopt }, false, Settings(file));
        DesktopIntegration desktop(app, instance);
        // The window is not shown yet; a second launch on the folder brings it up.
        QVERIFY(SingleInstance(data).claim() == Claim::alreadyRunning);
        QTRY_VERIFY(app.window().isVisible());
        QHash<QString, QAction*> items;
        for (const QAction* menu : app.window().menuBar()->actions())
            for (QAction* action : menu->menu()->actions())
                items[action->text()] = action;
        QVERIFY(items.contains(QString::fromUtf8("Check for Updates\u2026")));
        const auto open = [](QAction* a) { return a->trigger(), modal<SyncFolderDialog>(); };
        auto* dialog = open(items.value(QString::fromUtf8("Sync Folder\u2026")));
        QVERIFY(dialog && dialog->statusText().contains("it is a file, not a folder"));
        // Stopping forgets the folder, so later launches stop trying it.
        dialog->stopButton()->click();
        QVERIFY(!Settings(file).syncFolder());
        // Cancel does nothing (it would choose sync); not syncing, there is nothing to stop.
        SyncFolderCommand command(app.engine(), Settings(file), false, nullptr);
        command.setFolderChooser([&](QWidget*, const QString&) { return std::optional(sync); });
        QVERIFY((dialog = open(command.action())) && !dialog->stopButton()->isEnabled());
        dialog->reject();
        QVERIFY(!app.engine().syncFolder() && (dialog = open(command.action())));
        dialog->chooseButton()->click();
        QVERIFY(app.engine().syncFolder() == sync && Settings(file).syncFolder() == sync);
        // A refusal says why and changes nothing.
        for (const auto& [refused, why] : { std::pair { notAFolder, "read and write" },
                 { data + "/.", "keeps its own files" } }) {
            QVERIFY(!command.useFolder(refused) && app.engine().syncFolder() == sync &&
                Settings(file).syncFolder() == sync);
            auto* box = modal<QMessageBox>();
            QVERIFY(box && box->text().startsWith("Sapperly can't sync through") &&
                box->informativeText().contains(why));
            box->close();
        }
        QVERIFY((dialog = open(command.action())) && dialog->stopButton()->isEnabled());
        dialog->stopButton()->click();
        QVERIFY(!app.engine().syncFolder() && !Settings(file).syncFolder());
        // Set from the command line, the run keeps its folder; the choice waits for later runs.
        QCOMPARE(app.engine().attachSyncFolder(sync), GameEngine::SyncFolderResult::attached);
        SyncFolderCommand overridden(app.engine(), Settings(file), true, nullptr);
        QVERIFY(overridden.useFolder(later) && Settings(file).syncFolder() == later);
        QVERIFY(overridden.stopSyncing() && !Settings(file).syncFolder());
        QCOMPARE(app.engine().syncFolder(), sync);
    }

    void inOneProcessWithTheSocketOutOfOtherAccountsReach()
    {
        // $XDG_RUNTIME_DIR holds the socket only if it is ours alone; else it goes beside the lock.
        const QString folder = path("a"), runtime = path("run"), open = path("open");
        QVERIFY(::mkdir(QFile::encodeName(runtime), 0700) == 0 &&
            ::mkdir(QFile::encodeName(open), 0755) == 0);
        for (const auto& [environment, at] : { std::pair { runtime, runtime }, { open, folder } }) {
            qputenv("XDG_RUNTIME_DIR", environment.toLocal8Bit());
            const QString socket = SingleInstance::socketPath(folder);
            QCOMPARE(QFileInfo(socket).absolutePath(), at);
            SingleInstance first(folder), second(runtime + "/../a/"), other(path("b"));
            QSignalSpy raised(&first, &SingleInstance::raiseRequested);
            QVERIFY(first.claim() == Claim::first && second.claim() == Claim::alreadyRunning);
            QVERIFY(raised.wait(5000) && other.claim() == Claim::first);
            struct stat info { };
            QVERIFY(::lstat(QFile::encodeName(socket), &info) == 0 && S_ISSOCK(info.st_mode) &&
                (info.st_mode & 077) == 0);
        }
    }

    void laterLaunchesAreKeptOutAndRaiseTheCopyThatRuns()
    {
        // Permission bits do not bind root, so as root later launches on a read-only folder run as
        // nobody, with a private runtime folder of their own.
        QStringList asOther;
        const QString runtime = m_dir.filePath("runtime-other");
        QVERIFY(::mkdir(QFile::encodeName(runtime), 0700) == 0);
        if (::geteuid() == 0) {
            asOther = QStringList { "setpriv", "--reuid=65534", "--regid=65534", "--clear-groups" };
            QVERIFY(::chmod(QFile::encodeName(m_dir.path()), 0755) == 0 &&
                ::chown(QFile::encodeName(runtime), 65534, 65534) == 0);
        }
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
        // The first copy lives on or crashes, leaving its lock and socket; after a crash the next
        // runs, unlocked if it cannot clear it, and keeps later ones out. A full disk needs root.
        for (const QString row :
            { "live", "crash", "live read-only", "crash read-only", "crash full" }) {
            const bool died = row.startsWith("crash"), readOnly = row.endsWith("only");
            const QString top = m_dir.filePath(row), folder = top + "/data";
            QVERIFY(QDir().mkpath(top));
            if (row.endsWith("full") &&
                QProcess::execute("mount", { "-t", "tmpfs", "-o", "size=128k", "tmpfs", top })) {
                QVERIFY2(qgetenv("CI") != "true", "a tmpfs could not be mounted (needs root)");
                QSKIP("a tmpfs could not be mounted (needs root)");
            }
            QProcess first, next, last;
            QVERIFY(hold(first, folder));
            if (died)
                first.kill(), first.waitForFinished();
            QVERIFY(QFileInfo::exists(folder + "/sapperly.lock"));
            if (row.endsWith("full")) // until the disk is full
                QProcess::execute("dd", { "if=/dev/zero", "of=" + top + "/filler", "bs=4k" });
            QVERIFY(::chmod(QFile::encodeName(folder), readOnly ? 0555 : 0755) == 0);
            const QStringList later = readOnly ? asOther : QStringList {};
            QVERIFY2(!died || hold(next, folder, later), qPrintable(row));
            QVERIFY(!hold(last, folder, later) && last.waitForFinished() && last.exitCode() == 3);
            // A live owner keeps its folder even where later launches cannot reach its socket.
            QVERIFY2((!died && readOnly) || says(died ? next : first, "raised\n"), qPrintable(row));
            first.kill(), next.kill(), first.waitForFinished(), next.waitForFinished();
            QVERIFY(!(died && readOnly) || next.readAllStandardError().contains("cannot clear it"));
            QVERIFY(::chmod(QFile::encodeName(folder), 0755) == 0);
        }
    }
};

// As "--hold FOLDER" this program stands in for a running game: it holds the folder and prints
// "holding", then "raised" for every request to come to the front; 3 when it is taken.
int main(int argc, char* argv[])
{
    if (argc != 3 || qstrcmp(argv[1], "--hold") != 0) {
        QApplication application(argc, argv);
        AppTest test;
        return QTest::qExec(&test, argc, argv);
    }
    QCoreApplication application(argc, argv);
    SingleInstance instance(QString::fromLocal8Bit(argv[2]));
    if (instance.claim() != Claim::first)
        return 3;
    const auto say = [](const char* line) { std::puts(line), std::fflush(stdout); };
    QObject::connect(&instance, &SingleInstance::raiseRequested, [&] { say("raised"); });
    say("holding");
    return QCoreApplication::exec();
}
#include "AppTest.moc"
