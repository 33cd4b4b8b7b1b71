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

    // An engine on its own local folder that has made one move at the given instant.
    std::unique_ptr<GameEngine> engineWithOneMove(Instant at)
    {
        FakeClock clock;
        clock.set(at);
        auto engine = makeEngine({ freshPath("local"), std::nullopt }, clock);
        engine->newGame(Difficulty::beginner);
        engine->reveal(4, 4);
        return engine;
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

    void theCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("environment");
        QTest::addColumn<int>("action");
        // The sync folder, or "-" for none, or the start of the message printed.
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("overridden");
        const auto play = static_cast<int>(CommandLine::Action::play);
        const auto print = static_cast<int>(CommandLine::Action::print);
        const auto fail = static_cast<int>(CommandLine::Action::fail);
        const QString home = QDir::homePath();
        const QString here = QDir::currentPath();
        QTest::newRow("nothing: remembered")
            << QStringList() << QByteArray() << play << "/remembered" << false;
        QTest::newRow("option") << QStringList { "--sync-folder", "/a" } << QByteArray() << play
                                << "/a" << true;
        QTest::newRow("option with =")
            << QStringList { "--sync-folder=/b/" } << QByteArray() << play << "/b" << true;
        QTest::newRow("last option wins") << QStringList { "--sync-folder=/a", "--sync-folder=/b" }
                                          << QByteArray() << play << "/b" << true;
        QTest::newRow("relative") << QStringList { "--sync-folder=rel" } << QByteArray() << play
                                  << here + "/rel" << true;
        QTest::newRow("tilde") << QStringList { "--sync-folder=~/Sync" } << QByteArray() << play
                               << home + "/Sync" << true;
        QTest::newRow("environment")
            << QStringList() << QByteArray("/env") << play << "/env" << true;
        QTest::newRow("empty environment")
            << QStringList() << QByteArray("") << play << "/remembered" << false;
        QTest::newRow("option over environment")
            << QStringList { "--sync-folder", "/a" } << QByteArray("/env") << play << "/a" << true;
        QTest::newRow("empty option: local")
            << QStringList { "--sync-folder=" } << QByteArray("/env") << play << "-" << true;
        QTest::newRow("Qt's own options") << QStringList { "-platform", "offscreen", "-reverse" }
                                          << QByteArray() << play << "/remembered" << false;
        QTest::newRow("help") << QStringList { "--help", "--bogus" } << QByteArray() << fail
                              << "sapperly: Unknown option 'bogus'." << false;
        QTest::newRow("-h") << QStringList { "-h" } << QByteArray() << print << "Usage: " << false;
        QTest::newRow("--version")
            << QStringList { "--version" } << QByteArray() << print << "sapperly " << false;
        QTest::newRow("-v") << QStringList { "-v" } << QByteArray() << print << "sapperly "
                            << false;
        QTest::newRow("unknown") << QStringList { "--bogus" } << QByteArray() << fail
                                 << "sapperly: Unknown option 'bogus'." << false;
        QTest::newRow("dangling") << QStringList { "--sync-folder" } << QByteArray() << fail
                                  << "sapperly: Missing value after '--sync-folder'." << false;
        QTest::newRow("argument") << QStringList { "file" } << QByteArray() << fail
                                  << "sapperly: unexpected argument 'file'." << false;
        QTest::newRow("after --") << QStringList { "--", "--sync-folder=/x" } << QByteArray()
                                  << fail << "sapperly: unexpected argument '--sync-folder=/x'."
                                  << false;
    }

    void theCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, environment);
        QFETCH(int, action);
        QFETCH(QString, expected);
        QFETCH(bool, overridden);
        Settings settings(freshPath("config") + "/sapperly.conf");
        QVERIFY(settings.setSyncFolder(QString("/remembered")));
        if (!environment.isNull())
            qputenv("SAPPERLY_SYNC_FOLDER", environment);
        const CommandLine line = CommandLine::parse(QStringList { "sapperly" } + arguments);
        QCOMPARE(static_cast<int>(line.action()), action);
        if (line.action() != CommandLine::Action::play) {
            QVERIFY2(line.message().startsWith(expected), qPrintable(line.message()));
            QVERIFY(action == static_cast<int>(CommandLine::Action::fail) ||
                line.message().contains("--sync-folder") == expected.startsWith("Usage"));
            QVERIFY(line.message().endsWith(u'\n'));
            return;
        }
        QCOMPARE(line.syncFolderOverridden(), overridden);
        const GameFolders folders = line.folders(settings);
        QCOMPARE(folders.dataFolder, CommandLine::standardDataFolder());
        QCOMPARE(folders.syncFolder.value_or("-"), expected);
    }

    void theSettingRemembersAFolderOrNone()
    {
        const QString file = freshPath("config") + "/sapperly.conf";
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

    void aChosenFolderMergesRecordsAndAdoptsOnlyANewerGame()
    {
        auto engine = engineWithOneMove(1000);
        const QString file = freshPath("config") + "/sapperly.conf";
        SyncFolderCommand command(*engine, Settings(file), false, nullptr);

        // Another machine left statistics and a game saved later than ours.
        const QString newer = freshPath("sync");
        QDir().mkpath(newer);
        writeStored(
            newer, recordsKey, recordsBytes({ { Difficulty::intermediate, Record { 4, 1, 99 } } }));
        writeStoredGame(newer, { Board::fresh(Difficulty::expert), 0, 2000 });
        QVERIFY(command.useFolder(newer));
        QCOMPARE(engine->syncFolder(), newer);
        QCOMPARE(Settings(file).syncFolder(), newer);
        QTRY_COMPARE(engine->board().difficulty, Difficulty::expert);
        QTRY_COMPARE(engine->records().at(Difficulty::intermediate), (Record { 4, 1, 99 }));

        // A folder holding an older game: its statistics still merge, its game stays out.
        const QString older = freshPath("sync");
        QDir().mkpath(older);
        writeStored(
            older, recordsKey, recordsBytes({ { Difficulty::beginner, Record { 7, 3, 12 } } }));
        writeStoredGame(older, { Board::fresh(Difficulty::intermediate), 0, 500 });
        QVERIFY(command.useFolder(older));
        QTRY_VERIFY(engine->records().count(Difficulty::beginner) == 1);
        QCOMPARE(engine->records().at(Difficulty::beginner), (Record { 7, 3, 12 }));
        QCOMPARE(engine->records().at(Difficulty::intermediate), (Record { 4, 1, 99 }));
        QCOMPARE(engine->board().difficulty, Difficulty::expert);
        QCOMPARE(engine->lastSavedAt(), 2000.0);
    }

    void refusedFoldersChangeNothing()
    {
        TwoFolders folders;
        FakeClock clock;
        auto engine = makeEngine(folders.localOnly(), clock);
        const QString file = freshPath("config") + "/sapperly.conf";
        const QString good = freshPath("sync");
        SyncFolderCommand command(*engine, Settings(file), false, nullptr);
        QVERIFY(command.useFolder(good));

        // A plain file where the folder should be, and the data folder itself.
        const QString notAFolder = freshPath("file");
        QFile(notAFolder).open(QIODevice::WriteOnly);
        QCOMPARE(engine->attachSyncFolder(notAFolder), GameEngine::SyncFolderResult::unusable);
        QCOMPARE(engine->attachSyncFolder(folders.local + "/."),
            GameEngine::SyncFolderResult::dataFolder);
        for (const QString& refused : { notAFolder, folders.local }) {
            QVERIFY(!command.useFolder(refused));
            QCOMPARE(engine->syncFolder(), good);
            QCOMPARE(Settings(file).syncFolder(), good);
            QVERIFY(visibleTopLevel<QMessageBox>());
            cleanup();
        }
    }

    void theDialogSaysWhyTheRememberedFolderIsNotUsed()
    {
        auto engine = engineWithOneMove(1000);
        const QString file = freshPath("config") + "/sapperly.conf";
        // The remembered folder has become a plain file, so this run stayed local.
        const QString notAFolder = freshPath("file");
        QFile(notAFolder).open(QIODevice::WriteOnly);
        QVERIFY(Settings(file).setSyncFolder(notAFolder));
        SyncFolderCommand command(*engine, Settings(file), false, nullptr);
        command.action()->trigger();
        auto* dialog = visibleTopLevel<SyncFolderDialog>();
        QVERIFY(dialog);
        QVERIFY2(dialog->statusText().contains(QStringLiteral("it is a file, not a folder")),
            qPrintable(dialog->statusText()));
        // Stopping forgets the folder, so later launches stop trying it.
        dialog->stopButton()->click();
        QVERIFY(!Settings(file).syncFolder());
    }

    void stoppingAndOverriddenRuns()
    {
        auto engine = engineWithOneMove(1000);
        const QString file = freshPath("config") + "/sapperly.conf";
        const QString sync = freshPath("sync");
        SyncFolderCommand command(*engine, Settings(file), false, nullptr);
        QVERIFY(command.useFolder(sync));
        QVERIFY(command.stopSyncing());
        QVERIFY(!engine->syncFolder());
        QVERIFY(!Settings(file).syncFolder());

        // Set from the command line, the run keeps its folder; the choice waits for later runs.
        QCOMPARE(engine->attachSyncFolder(sync), GameEngine::SyncFolderResult::attached);
        SyncFolderCommand overridden(*engine, Settings(file), true, nullptr);
        const QString later = freshPath("later");
        QVERIFY(overridden.useFolder(later));
        QCOMPARE(engine->syncFolder(), sync);
        QCOMPARE(Settings(file).syncFolder(), later);
        QVERIFY(overridden.stopSyncing());
        QCOMPARE(engine->syncFolder(), sync);
        QVERIFY(!Settings(file).syncFolder());
    }

    void theDialogLeadsToTheChosenFolder()
    {
        auto engine = engineWithOneMove(1000);
        const QString sync = freshPath("sync");
        SyncFolderCommand command(
            *engine, Settings(freshPath("config") + "/sapperly.conf"), false, nullptr);
        int asked = 0;
        command.setFolderChooser([&](QWidget*, const QString&) -> std::optional<QString> {
            ++asked;
            return sync;
        });
        const auto openDialog = [&command] {
            command.action()->trigger();
            return visibleTopLevel<SyncFolderDialog>();
        };

        // Cancel does nothing; not syncing yet, there is nothing to stop.
        auto* dialog = openDialog();
        QVERIFY(dialog);
        QVERIFY(!dialog->stopButton()->isEnabled());
        dialog->reject();
        QCOMPARE(asked, 0);

        dialog = openDialog();
        QVERIFY(dialog);
        dialog->chooseButton()->click();
        QCOMPARE(asked, 1);
        QCOMPARE(engine->syncFolder(), sync);

        dialog = openDialog();
        QVERIFY(dialog && dialog->stopButton()->isEnabled());
        dialog->stopButton()->click();
        QVERIFY(!engine->syncFolder());
    }
};

QTEST_MAIN(SyncFolderTest)
#include "SyncFolderTest.moc"
