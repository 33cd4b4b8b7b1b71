// Choosing the sync folder while the game runs: the remembered setting, the store and engine
// taking the folder at once, refusals, and the dialog's buttons.
#include "app/SyncFolderCommand.h"
#include "app/SyncFolderSetting.h"
#include "engine/GameEngine.h"
#include "model/RandomSource.h"
#include "model/RecordsCoding.h"
#include "model/SavedGameCoding.h"
#include "store/CloudStore.h"
#include "ui/window/SyncFolderDialog.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Writes the two stored keys into folder as another machine would have left them there.
void leaveInFolder(const QString& folder, const Records& records, const SavedGame& game)
{
    CloudStore other(CloudStore::Sides { folder, std::nullopt });
    other.set(QByteArray::fromStdString(encodeRecords(records)), QStringLiteral("records"));
    other.set(QByteArray::fromStdString(encodeSavedGame(game)), QStringLiteral("savedGame"));
}

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

private:
    QTemporaryDir m_dir;
    int m_serial = 0;

    QString freshPath(const char* name)
    {
        return m_dir.filePath(name + QString::number(++m_serial));
    }

    // An engine on its own local folder that has made one move at the given instant.
    std::unique_ptr<GameEngine> engineWithOneMove(Instant at)
    {
        GameEngine::Dependencies dependencies;
        dependencies.now = [at] { return at; };
        auto engine = std::make_unique<GameEngine>(
            CloudStore::Sides { freshPath("local"), std::nullopt }, std::move(dependencies));
        engine->newGame(Difficulty::beginner);
        engine->reveal(4, 4);
        return engine;
    }

private slots:
    void cleanup()
    {
        while (QWidget* box = visibleTopLevel<QMessageBox>())
            box->close();
        qunsetenv("SAPPERLY_SYNC_FOLDER");
    }

    void theSettingRemembersAFolderOrNone()
    {
        const QString file = freshPath("config") + "/sapperly.conf";
        SyncFolderSetting setting(file);
        QVERIFY(!setting.folder());
        QVERIFY(setting.setFolder(m_dir.filePath("sync/../Sync")));
        QCOMPARE(SyncFolderSetting(file).folder(), m_dir.filePath("Sync"));
        QVERIFY(setting.setFolder(std::nullopt));
        QVERIFY(!SyncFolderSetting(file).folder());
        // A hand-edited relative path is not taken as a folder.
        QSettings(file, QSettings::IniFormat).setValue("syncFolder", "Sync");
        QVERIFY(!SyncFolderSetting(file).folder());
        // A file that cannot be written is reported.
        QVERIFY(!SyncFolderSetting("/proc/sapperly/sapperly.conf").setFolder(QString("/tmp")));
    }

    void theCommandLineAndEnvironmentComeFirst()
    {
        const QString file = freshPath("config") + "/sapperly.conf";
        SyncFolderSetting setting(file);
        QVERIFY(setting.setFolder(m_dir.filePath("remembered")));
        const QString program = "sapperly";

        // Nothing given: the remembered folder.
        QCOMPARE(setting.sides({ program }).cloudFolder, m_dir.filePath("remembered"));
        // An option, in both spellings; an empty one means local only.
        QVERIFY(SyncFolderSetting::isOverridden({ program, "--sync-folder", "/x" }));
        QCOMPARE(setting.sides({ program, "--sync-folder=/x" }).cloudFolder, QString("/x"));
        QCOMPARE(setting.sides({ program, "--sync-folder=" }).cloudFolder, std::nullopt);
        // A dangling option or one after "--" is no option.
        QVERIFY(!SyncFolderSetting::isOverridden({ program, "--sync-folder" }));
        QVERIFY(!SyncFolderSetting::isOverridden({ program, "--", "--sync-folder=/x" }));
        // The environment, when set to something.
        qputenv("SAPPERLY_SYNC_FOLDER", "");
        QVERIFY(!SyncFolderSetting::isOverridden({ program }));
        qputenv("SAPPERLY_SYNC_FOLDER", "/y");
        QCOMPARE(setting.sides({ program }).cloudFolder, QString("/y"));
    }

    void aChosenFolderMergesRecordsAndAdoptsOnlyANewerGame()
    {
        auto engine = engineWithOneMove(1000);
        const QString file = freshPath("config") + "/sapperly.conf";
        SyncFolderCommand command(engine->store(), SyncFolderSetting(file), false, nullptr);

        // Another machine left statistics and a game saved later than ours.
        const QString newer = freshPath("sync");
        const Records theirs { { Difficulty::intermediate, Record { 4, 1, 99 } } };
        leaveInFolder(newer, theirs, SavedGame { Board::fresh(Difficulty::expert), 0, 2000 });
        QVERIFY(command.useFolder(newer));
        QCOMPARE(engine->store().cloudFolder(), newer);
        QCOMPARE(SyncFolderSetting(file).folder(), newer);
        QTRY_COMPARE(engine->board().difficulty, Difficulty::expert);
        QTRY_COMPARE(engine->records().at(Difficulty::intermediate), (Record { 4, 1, 99 }));

        // A folder holding an older game: its statistics still merge, its game stays out.
        const QString older = freshPath("sync");
        const Records more { { Difficulty::beginner, Record { 7, 3, 12 } } };
        leaveInFolder(older, more, SavedGame { Board::fresh(Difficulty::intermediate), 0, 500 });
        QVERIFY(command.useFolder(older));
        QTRY_VERIFY(engine->records().count(Difficulty::beginner) == 1);
        QCOMPARE(engine->records().at(Difficulty::beginner), (Record { 7, 3, 12 }));
        QCOMPARE(engine->records().at(Difficulty::intermediate), (Record { 4, 1, 99 }));
        QCOMPARE(engine->board().difficulty, Difficulty::expert);
        QCOMPARE(engine->lastSavedAt(), 2000.0);
    }

    void anUnusableFolderChangesNothing()
    {
        auto engine = engineWithOneMove(1000);
        const QString file = freshPath("config") + "/sapperly.conf";
        const QString good = freshPath("sync");
        SyncFolderCommand command(engine->store(), SyncFolderSetting(file), false, nullptr);
        QVERIFY(command.useFolder(good));

        // A plain file where the folder should be.
        const QString notAFolder = freshPath("file");
        QFile(notAFolder).open(QIODevice::WriteOnly);
        QVERIFY(!command.useFolder(notAFolder));
        QCOMPARE(engine->store().cloudFolder(), good);
        QCOMPARE(SyncFolderSetting(file).folder(), good);
        QVERIFY(visibleTopLevel<QMessageBox>());
    }

    void theDialogSaysWhyTheRememberedFolderIsNotUsed()
    {
        auto engine = engineWithOneMove(1000);
        const QString file = freshPath("config") + "/sapperly.conf";
        // The remembered folder has become a plain file, so this run stayed local.
        const QString notAFolder = freshPath("file");
        QFile(notAFolder).open(QIODevice::WriteOnly);
        QVERIFY(SyncFolderSetting(file).setFolder(notAFolder));
        SyncFolderCommand command(engine->store(), SyncFolderSetting(file), false, nullptr);
        command.action()->trigger();
        auto* dialog = visibleTopLevel<SyncFolderDialog>();
        QVERIFY(dialog);
        QVERIFY2(dialog->statusText().contains(QStringLiteral("it is a file, not a folder")),
            qPrintable(dialog->statusText()));
        // Stopping forgets the folder, so later launches stop trying it.
        dialog->stopButton()->click();
        QVERIFY(!SyncFolderSetting(file).folder());
    }

    void stoppingAndOverriddenRuns()
    {
        auto engine = engineWithOneMove(1000);
        const QString file = freshPath("config") + "/sapperly.conf";
        const QString sync = freshPath("sync");
        SyncFolderCommand command(engine->store(), SyncFolderSetting(file), false, nullptr);
        QVERIFY(command.useFolder(sync));
        QVERIFY(command.stopSyncing());
        QVERIFY(!engine->store().cloudFolder());
        QVERIFY(!SyncFolderSetting(file).folder());

        // Set from the command line, the run keeps its folder; the choice waits for later runs.
        QVERIFY(engine->store().setCloudFolder(sync));
        SyncFolderCommand overridden(engine->store(), SyncFolderSetting(file), true, nullptr);
        const QString later = freshPath("later");
        QVERIFY(overridden.useFolder(later));
        QCOMPARE(engine->store().cloudFolder(), sync);
        QCOMPARE(SyncFolderSetting(file).folder(), later);
        QVERIFY(overridden.stopSyncing());
        QCOMPARE(engine->store().cloudFolder(), sync);
        QVERIFY(!SyncFolderSetting(file).folder());
    }

    void theDialogLeadsToTheChosenFolder()
    {
        auto engine = engineWithOneMove(1000);
        const QString file = freshPath("config") + "/sapperly.conf";
        const QString sync = freshPath("sync");
        SyncFolderCommand command(engine->store(), SyncFolderSetting(file), false, nullptr);
        int asked = 0;
        command.setFolderChooser([&](QWidget*, const QString&) -> std::optional<QString> {
            ++asked;
            return sync;
        });

        // Cancel does nothing; not syncing yet, there is nothing to stop.
        command.action()->trigger();
        auto* dialog = visibleTopLevel<SyncFolderDialog>();
        QVERIFY(dialog);
        QVERIFY(!dialog->stopButton()->isEnabled());
        dialog->reject();
        QCOMPARE(asked, 0);

        command.action()->trigger();
        dialog = visibleTopLevel<SyncFolderDialog>();
        QVERIFY(dialog);
        dialog->chooseButton()->click();
        QCOMPARE(asked, 1);
        QCOMPARE(engine->store().cloudFolder(), sync);

        command.action()->trigger();
        dialog = visibleTopLevel<SyncFolderDialog>();
        QVERIFY(dialog);
        QVERIFY(dialog->stopButton()->isEnabled());
        dialog->stopButton()->click();
        QVERIFY(!engine->store().cloudFolder());
    }
};

QTEST_MAIN(SyncFolderTest)
#include "SyncFolderTest.moc"
