// SPDX-License-Identifier: GPL-3.0-or-later
// Where the game is kept: the command line, the environment and the remembered setting in that
// order; choosing a folder while the game runs; the desktop pieces wired into the real window.
#include "TestEngine.h"

#include "app/CommandLine.h"
#include "app/DesktopIntegration.h"
#include "app/SapperlyApp.h"
#include "app/SingleInstance.h"
#include "app/SyncFolderCommand.h"
#include "ui/window/MainWindow.h"
#include "ui/window/SyncFolderDialog.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>

// What the player is asked, shown window-modal without a nested event loop.
template <typename T> T* modal()
{
    return qobject_cast<T*>(QApplication::activeModalWidget());
}

class DesktopTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_serial = 0;

    QString fresh(const char* name) { return m_dir.filePath(name + QString::number(++m_serial)); }
    QString freshConfig() { return fresh("config") + "/sapperly.conf"; }

private slots:
    void initTestCase() { QCoreApplication::setApplicationName("sapperly"); }

    void theCommandLine()
    {
        using A = CommandLine::Action;
        const QString home = QDir::homePath(), here = QDir::currentPath(), kept = "/remembered";
        const QString unknown = "sapperly: Unknown option 'bogus'.";
        // The sync folder ("-" for none) or the start of the message printed; a null environment
        // leaves the variable unset. Any folder but the remembered one overrides the setting.
        const std::tuple<QStringList, const char*, A, QString> rows[] = {
            { {}, nullptr, A::play, kept },
            { { "--sync-folder", "/a" }, nullptr, A::play, "/a" },
            { { "--sync-folder=/b/" }, nullptr, A::play, "/b" },
            { { "--sync-folder=/a", "--sync-folder=/b" }, nullptr, A::play, "/b" },
            { { "--sync-folder=rel" }, nullptr, A::play, here + "/rel" },
            { { "--sync-folder=~/Sync" }, nullptr, A::play, home + "/Sync" },
            { {}, "/env", A::play, "/env" },
            { {}, "", A::play, kept },
            { { "--sync-folder", "/a" }, "/env", A::play, "/a" },
            { { "--sync-folder=" }, "/env", A::play, "-" }, // the empty option: this machine only
            { { "-platform", "offscreen", "-reverse" }, nullptr, A::play, kept },
            { { "--help", "--bogus" }, nullptr, A::fail, unknown },
            { { "-h" }, nullptr, A::print, "Usage: " },
            { { "--version" }, nullptr, A::print, "sapperly " },
            { { "-v" }, nullptr, A::print, "sapperly " },
            { { "--bogus" }, nullptr, A::fail, unknown },
            { { "--sync-folder" }, nullptr, A::fail,
                "sapperly: Missing value after '--sync-folder'." },
            { { "file" }, nullptr, A::fail, "sapperly: unexpected argument 'file'." },
            { { "--", "--sync-folder=/x" }, nullptr, A::fail,
                "sapperly: unexpected argument '--sync-folder=/x'." },
        };
        Settings settings(freshConfig());
        QVERIFY(settings.setSyncFolder(kept));
        for (const auto& [arguments, environment, action, expected] : rows) {
            const QByteArray row = arguments.join(' ').toUtf8() + " / " + environment;
            qunsetenv("SAPPERLY_SYNC_FOLDER");
            if (environment)
                qputenv("SAPPERLY_SYNC_FOLDER", environment);
            const CommandLine line = CommandLine::parse(QStringList { "sapperly" } + arguments);
            QVERIFY2(line.action() == action, row);
            if (action != A::play) {
                QVERIFY2(line.message().startsWith(expected) && line.message().endsWith('\n'),
                    qPrintable(line.message()));
                continue;
            }
            QVERIFY2(line.syncFolderOverridden() == (expected != kept), row);
            QVERIFY2(line.folders(settings).syncFolder.value_or("-") == expected, row);
        }
        qunsetenv("SAPPERLY_SYNC_FOLDER");
    }

    void theSettingRemembersAFolderOrNone()
    {
        const QString file = freshConfig();
        Settings settings(file);
        QVERIFY(!settings.syncFolder());
        QVERIFY(settings.setSyncFolder(m_dir.filePath("sync/../Sync")));
        QCOMPARE(Settings(file).syncFolder(), m_dir.filePath("Sync"));
        QVERIFY(settings.setWindowGeometry("geometry") && settings.setSyncFolder(std::nullopt));
        QVERIFY(!Settings(file).syncFolder());
        QCOMPARE(Settings(file).windowGeometry(), QByteArray("geometry"));
        // A hand-edited relative path is not taken as a folder; an unwritable file is reported.
        QSettings(file, QSettings::IniFormat).setValue("syncFolder", "Sync");
        QVERIFY(!Settings(file).syncFolder());
        QVERIFY(!Settings("/proc/sapperly/sapperly.conf").setSyncFolder(QString("/tmp")));
    }

    void theDialogChoosesStopsAndRefuses()
    {
        TestMachine machine;
        GameEngine& engine = machine.launch(std::nullopt);
        const QString file = freshConfig(), sync = fresh("sync"), later = fresh("later");
        // The remembered folder has become a plain file, so this run stayed local.
        const QString notAFolder = fresh("file");
        QVERIFY(QFile(notAFolder).open(QIODevice::WriteOnly));
        QVERIFY(Settings(file).setSyncFolder(notAFolder));
        SyncFolderCommand command(engine, Settings(file), false, nullptr);
        int asked = 0;
        command.setFolderChooser([&](QWidget*, const QString&) {
            ++asked;
            return std::optional(sync);
        });
        const auto open = [&command] {
            command.action()->trigger();
            return modal<SyncFolderDialog>();
        };
        auto* dialog = open();
        QVERIFY(dialog && dialog->statusText().contains("it is a file, not a folder"));
        // Stopping forgets the folder, so later launches stop trying it.
        dialog->stopButton()->click();
        QVERIFY(!Settings(file).syncFolder());
        // Cancel does nothing; not syncing, there is nothing to stop.
        QVERIFY((dialog = open()) && !dialog->stopButton()->isEnabled());
        dialog->reject();
        QVERIFY((dialog = open()) && asked == 0);
        dialog->chooseButton()->click();
        QVERIFY(asked == 1 && engine.syncFolder() == sync && Settings(file).syncFolder() == sync);
        // A refusal says why and changes nothing.
        const QList<QPair<QString, QString>> refusals { { notAFolder, "read and write" },
            { machine.folders.local + "/.", "keeps its own files" } };
        for (const auto& [refused, why] : refusals) {
            QVERIFY(!command.useFolder(refused));
            QVERIFY(engine.syncFolder() == sync && Settings(file).syncFolder() == sync);
            auto* box = modal<QMessageBox>();
            QVERIFY(box && box->text().startsWith("Sapperly can't sync through"));
            QVERIFY2(box->informativeText().contains(why), qPrintable(box->informativeText()));
            box->close();
        }
        QVERIFY((dialog = open()) && dialog->stopButton()->isEnabled());
        dialog->stopButton()->click();
        QVERIFY(!engine.syncFolder() && !Settings(file).syncFolder());
        // Set from the command line, the run keeps its folder; the choice waits for later runs.
        QCOMPARE(engine.attachSyncFolder(sync), GameEngine::SyncFolderResult::attached);
        SyncFolderCommand overridden(engine, Settings(file), true, nullptr);
        QVERIFY(overridden.useFolder(later) && Settings(file).syncFolder() == later);
        QVERIFY(overridden.stopSyncing() && !Settings(file).syncFolder());
        QCOMPARE(engine.syncFolder(), sync);
    }

    void theWindowCarriesTheCommandsAndComesUpForASecondLaunch()
    {
        const QString data = fresh("data");
        SingleInstance instance(data);
        QCOMPARE(instance.claim(), SingleInstance::Claim::first);
        SapperlyApp app(*qApp, { data, std::nullopt }, false, Settings(freshConfig()));
        DesktopIntegration desktop(app, instance);
        QStringList items;
        for (const QAction* menu : app.window().menuBar()->actions())
            for (const QAction* action : menu->menu()->actions())
                items << action->text();
        QVERIFY(items.contains(u"Sync Folder\u2026") && items.contains(u"Check for Updates\u2026"));
        // The window is not shown yet; a second launch on the folder brings it up.
        QVERIFY(!app.window().isVisible());
        QCOMPARE(SingleInstance(data).claim(), SingleInstance::Claim::alreadyRunning);
        QTRY_VERIFY(app.window().isVisible());
    }
};

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
