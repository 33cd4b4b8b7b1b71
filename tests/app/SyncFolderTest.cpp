// SPDX-License-Identifier: GPL-3.0-or-later
// Where the game is kept: the command line, the environment and the remembered setting in that
// order; choosing a folder while the game runs, refusals, and the dialog's buttons.
#include "TestEngine.h"

#include "app/CommandLine.h"
#include "app/Settings.h"
#include "app/SyncFolderCommand.h"
#include "ui/window/SyncFolderDialog.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace {

template <typename T> T* visibleTopLevel()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<T*>(widget); found && found->isVisible())
            return found;
    return nullptr;
}

} // namespace

class SyncFolderTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_serial = 0;

    QString freshPath(const char* name)
    {
        return m_dir.filePath(name + QString::number(++m_serial));
    }
    QString freshConfig() { return freshPath("config") + "/sapperly.conf"; }

    // An engine on its own local folder that has made one move.
    std::unique_ptr<GameEngine> engineWithOneMove(const QString& local)
    {
        FakeClock clock;
        clock.set(1000);
        auto engine = makeEngine({ local, std::nullopt }, clock);
        engine->newGame(Difficulty::beginner);
        engine->reveal(4, 4);
        return engine;
    }

    // A folder another machine left: one record and a game saved at the given instant.
    QString otherMachine(Difficulty recordOn, Record record, Difficulty game, Instant savedAt)
    {
        const QString folder = freshPath("sync");
        QDir().mkpath(folder);
        writeStored(folder, recordsKey, recordsBytes({ { recordOn, record } }));
        writeStoredGame(folder, { Board::fresh(game), 0, savedAt });
        return folder;
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName("sapperly");
        QCoreApplication::setApplicationVersion("1.2.3");
    }

    void cleanup()
    {
        while (QWidget* box = visibleTopLevel<QMessageBox>())
            box->close();
        qunsetenv("SAPPERLY_SYNC_FOLDER");
    }

    void theCommandLine()
    {
        using A = CommandLine::Action;
        const QString home = QDir::homePath(), here = QDir::currentPath();
        const QString unknown = "sapperly: Unknown option 'bogus'.";
        // The sync folder ("-" for none) or the start of the message printed; a null environment
        // leaves the variable unset.
        const struct {
            QStringList arguments;
            const char* environment;
            A action;
            QString expected;
            bool overridden;
        } rows[] = {
            { {}, nullptr, A::play, "/remembered", false },
            { { "--sync-folder", "/a" }, nullptr, A::play, "/a", true },
            { { "--sync-folder=/b/" }, nullptr, A::play, "/b", true },
            { { "--sync-folder=/a", "--sync-folder=/b" }, nullptr, A::play, "/b", true },
            { { "--sync-folder=rel" }, nullptr, A::play, here + "/rel", true },
            { { "--sync-folder=~/Sync" }, nullptr, A::play, home + "/Sync", true },
            { {}, "/env", A::play, "/env", true },
            { {}, "", A::play, "/remembered", false },
            { { "--sync-folder", "/a" }, "/env", A::play, "/a", true },
            { { "--sync-folder=" }, "/env", A::play, "-", true }, // the empty option: local only
            { { "-platform", "offscreen", "-reverse" }, nullptr, A::play, "/remembered", false },
            { { "--help", "--bogus" }, nullptr, A::fail, unknown, false },
            { { "-h" }, nullptr, A::print, "Usage: ", false },
            { { "--version" }, nullptr, A::print, "sapperly ", false },
            { { "-v" }, nullptr, A::print, "sapperly ", false },
            { { "--bogus" }, nullptr, A::fail, unknown, false },
            { { "--sync-folder" }, nullptr, A::fail,
                "sapperly: Missing value after '--sync-folder'.", false },
            { { "file" }, nullptr, A::fail, "sapperly: unexpected argument 'file'.", false },
            { { "--", "--sync-folder=/x" }, nullptr, A::fail,
                "sapperly: unexpected argument '--sync-folder=/x'.", false },
        };
        for (const auto& [arguments, environment, action, expected, overridden] : rows) {
            const QByteArray row =
                arguments.join(' ').toUtf8() + " / " + (environment ? environment : "unset");
            Settings settings(freshConfig());
            QVERIFY(settings.setSyncFolder(QString("/remembered")));
            cleanup();
            if (environment)
                qputenv("SAPPERLY_SYNC_FOLDER", environment);
            const CommandLine line = CommandLine::parse(QStringList { "sapperly" } + arguments);
            QVERIFY2(line.action() == action, row);
            if (action != A::play) {
                QVERIFY2(line.message().startsWith(expected), qPrintable(line.message()));
                // Only the usage text lists the option.
                QVERIFY2(action == A::fail ||
                        line.message().contains("--sync-folder") == expected.startsWith("Usage"),
                    row);
                QVERIFY2(line.message().endsWith(u'\n'), row);
                continue;
            }
            QVERIFY2(line.syncFolderOverridden() == overridden, row);
            const GameFolders folders = line.folders(settings);
            QCOMPARE(folders.dataFolder, CommandLine::standardDataFolder());
            QVERIFY2(folders.syncFolder.value_or("-") == expected, row);
        }
    }

    void theSettingRemembersAFolderOrNone()
    {
        const QString file = freshConfig();
        Settings settings(file);
        QVERIFY(!settings.syncFolder());
        QVERIFY(settings.setSyncFolder(m_dir.filePath("sync/../Sync")));
        QCOMPARE(Settings(file).syncFolder(), m_dir.filePath("Sync"));
        QVERIFY(settings.setWindowGeometry("geometry"));
        QVERIFY(settings.setSyncFolder(std::nullopt));
        QVERIFY(!Settings(file).syncFolder());
        QCOMPARE(Settings(file).windowGeometry(), QByteArray("geometry"));
        // A hand-edited relative path is not taken as a folder.
        QSettings(file, QSettings::IniFormat).setValue("syncFolder", "Sync");
        QVERIFY(!Settings(file).syncFolder());
        // A file that cannot be written is reported.
        QVERIFY(!Settings("/proc/sapperly/sapperly.conf").setSyncFolder(QString("/tmp")));
    }

    void aChosenFolderMergesRecordsAdoptsOnlyANewerGameAndRefusalsChangeNothing()
    {
        const QString local = freshPath("local");
        auto engine = engineWithOneMove(local);
        const QString file = freshConfig();
        SyncFolderCommand command(*engine, Settings(file), false, nullptr);
        // Another machine left statistics and a game saved later than ours.
        const QString newer =
            otherMachine(Difficulty::intermediate, { 4, 1, 99 }, Difficulty::expert, 2000);
        QVERIFY(command.useFolder(newer));
        QCOMPARE(engine->syncFolder(), newer);
        QCOMPARE(Settings(file).syncFolder(), newer);
        QTRY_COMPARE(engine->board().difficulty, Difficulty::expert);
        QTRY_COMPARE(engine->records().at(Difficulty::intermediate), (Record { 4, 1, 99 }));
        // A folder holding an older game: its statistics still merge, its game stays out.
        QVERIFY(command.useFolder(
            otherMachine(Difficulty::beginner, { 7, 3, 12 }, Difficulty::intermediate, 500)));
        QTRY_VERIFY(engine->records().count(Difficulty::beginner) == 1);
        QCOMPARE(engine->records().at(Difficulty::beginner), (Record { 7, 3, 12 }));
        QCOMPARE(engine->records().at(Difficulty::intermediate), (Record { 4, 1, 99 }));
        QCOMPARE(engine->board().difficulty, Difficulty::expert);
        QCOMPARE(engine->lastSavedAt(), 2000.0);
        // A plain file where the folder should be, and the data folder itself.
        const QString notAFolder = freshPath("file"), chosen = *engine->syncFolder();
        QFile(notAFolder).open(QIODevice::WriteOnly);
        QCOMPARE(engine->attachSyncFolder(notAFolder), GameEngine::SyncFolderResult::unusable);
        QCOMPARE(engine->attachSyncFolder(local + "/."), GameEngine::SyncFolderResult::dataFolder);
        for (const QString& refused : { notAFolder, local }) {
            QVERIFY(!command.useFolder(refused));
            QCOMPARE(engine->syncFolder(), chosen);
            QCOMPARE(Settings(file).syncFolder(), chosen);
            QVERIFY(visibleTopLevel<QMessageBox>());
            cleanup();
        }
    }

    void theDialogAndStopping()
    {
        auto engine = engineWithOneMove(freshPath("local"));
        const QString file = freshConfig(), sync = freshPath("sync"), later = freshPath("later");
        // The remembered folder has become a plain file, so this run stayed local.
        const QString notAFolder = freshPath("file");
        QFile(notAFolder).open(QIODevice::WriteOnly);
        QVERIFY(Settings(file).setSyncFolder(notAFolder));
        SyncFolderCommand command(*engine, Settings(file), false, nullptr);
        int asked = 0;
        command.setFolderChooser([&](QWidget*, const QString&) -> std::optional<QString> {
            ++asked;
            return sync;
        });
        const auto openDialog = [&command] {
            command.action()->trigger();
            return visibleTopLevel<SyncFolderDialog>();
        };
        auto* dialog = openDialog();
        QVERIFY(dialog);
        QVERIFY2(dialog->statusText().contains(QStringLiteral("it is a file, not a folder")),
            qPrintable(dialog->statusText()));
        // Stopping forgets the folder, so later launches stop trying it.
        dialog->stopButton()->click();
        QVERIFY(!Settings(file).syncFolder());
        // Cancel does nothing; not syncing, there is nothing to stop.
        dialog = openDialog();
        QVERIFY(dialog && !dialog->stopButton()->isEnabled());
        dialog->reject();
        QCOMPARE(asked, 0);
        dialog = openDialog();
        QVERIFY(dialog);
        dialog->chooseButton()->click();
        QCOMPARE(asked, 1);
        QCOMPARE(engine->syncFolder(), sync);
        QCOMPARE(Settings(file).syncFolder(), sync);
        dialog = openDialog();
        QVERIFY(dialog && dialog->stopButton()->isEnabled());
        dialog->stopButton()->click();
        QVERIFY(!engine->syncFolder());
        QVERIFY(!Settings(file).syncFolder());
        // Set from the command line, the run keeps its folder; the choice waits for later runs.
        QCOMPARE(engine->attachSyncFolder(sync), GameEngine::SyncFolderResult::attached);
        SyncFolderCommand overridden(*engine, Settings(file), true, nullptr);
        QVERIFY(overridden.useFolder(later));
        QCOMPARE(engine->syncFolder(), sync);
        QCOMPARE(Settings(file).syncFolder(), later);
        QVERIFY(overridden.stopSyncing());
        QCOMPARE(engine->syncFolder(), sync);
        QVERIFY(!Settings(file).syncFolder());
    }
};

QTEST_MAIN(SyncFolderTest)
#include "SyncFolderTest.moc"
