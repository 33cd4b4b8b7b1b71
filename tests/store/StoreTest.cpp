// SPDX-License-Identifier: GPL-3.0-or-later
// The store on real folders in temporary directories. One folder of key files: whole values,
// permissions, refusals, and a sweep that touches nothing but the program's own temporaries.
// Both sides together: what reaches each side, and which outside changes are reported.
#include "store/CloudStore.h"
#include "store/KeyFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

const QString records = KeyFolder::recordsKey;
const QString savedGame = KeyFolder::savedGameKey;

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(data), data.size());
}

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

/// Every name in a folder, hidden ones included.
QStringList everythingIn(const QString& folder)
{
    QStringList names = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

/// Moves a file's modification time by seconds.
void touch(const QString& path, qint64 seconds)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(
        QDateTime::currentDateTimeUtc().addSecs(seconds), QFileDevice::FileModificationTime));
}

struct stat statOf(const QString& path)
{
    struct stat status { };
    ::stat(QFile::encodeName(path).constData(), &status);
    return status;
}

// Short enough to keep the tests fast, long enough for a loop of writes to fall inside it.
constexpr std::chrono::milliseconds settle = 100ms;
// Never reached inside a test, so only the watcher or an explicit rescan looks.
constexpr std::chrono::milliseconds noPoll = 1h;

/// Runs whatever has been queued, such as a report scheduled by a rescan.
void runQueued()
{
    QCoreApplication::processEvents();
}

/// One player's machine: its own data folder, and the sync folder it shares.
struct Machine {
    explicit Machine(const std::optional<QString>& syncFolder,
        std::chrono::milliseconds poll = noPoll, std::chrono::milliseconds quiet = settle)
        : store(CloudStore::Sides { local.path(), syncFolder })
    {
        store.setWatchIntervals(quiet, poll);
        // Queued, as the engine connects: a report is a later step of its own.
        QObject::connect(
            &store, &CloudStore::keysChanged, &store,
            [this](const QString&, const QStringList& keys) { reports.append(keys); },
            Qt::QueuedConnection);
    }

    /// Rescans, and runs the report that schedules.
    void look()
    {
        store.rescan();
        runQueued();
    }

    QTemporaryDir local;
    CloudStore store;
    QList<QStringList> reports;
};

/// The inotify watches this process holds, as the kernel counts them.
int inotifyWatches()
{
    int watches = 0;
    for (const QString& fd : QDir(QStringLiteral("/proc/self/fdinfo")).entryList(QDir::Files)) {
        const QList<QByteArray> lines =
            contentsOf(QStringLiteral("/proc/self/fdinfo/") + fd).split('\n');
        for (const QByteArray& line : lines)
            watches += line.startsWith("inotify wd:") ? 1 : 0;
    }
    return watches;
}

} // namespace

class StoreTest : public QObject {
    Q_OBJECT

private slots:
    void writesReplaceWholeValuesAndKeepModes()
    {
        QTemporaryDir dir;
        const KeyFolder folder(dir.path() + QStringLiteral("/nested/store"));
        QVERIFY(folder.prepare(KeyFolder::Creation::withParents));

        // A value reads back byte for byte, a shorter one replaces it whole, and an empty
        // value is a value, not nothing.
        const QByteArray binary("{\"a\":1}\0\xff\n", 11);
        QVERIFY(folder.write(records, binary));
        QCOMPARE(folder.read(records), binary);
        QVERIFY(folder.write(records, "[]"));
        QCOMPARE(folder.read(records), QByteArray("[]"));
        QVERIFY(folder.write(savedGame, QByteArray()));
        QCOMPARE(folder.read(savedGame), QByteArray());
        // Only the key files remain: no temporary is left behind.
        QCOMPARE(everythingIn(folder.path()),
            QStringList({ QStringLiteral("records.json"), QStringLiteral("savedGame.json") }));
        QCOMPARE(folder.presentKeys(), KeyFolder::programKeys);

        // A new file gets 0666 less the umask; a replaced one keeps its mode, so a group that
        // shares the folder keeps its access.
        QFile::remove(folder.filePath(records));
        const mode_t saved = ::umask(002);
        QVERIFY(folder.write(records, "[1]"));
        ::umask(saved);
        QCOMPARE(statOf(folder.filePath(records)).st_mode & 07777, mode_t(0664));
        QCOMPARE(::chmod(QFile::encodeName(folder.filePath(records)).constData(), 0640), 0);
        QVERIFY(folder.write(records, "[2]"));
        QCOMPARE(statOf(folder.filePath(records)).st_mode & 07777, mode_t(0640));

        // A flushed value that is already there is left alone; a new one replaces the file.
        const ino_t before = statOf(folder.filePath(records)).st_ino;
        QVERIFY(folder.write(records, "[2]", KeyFolder::Flush::whenChanged));
        QCOMPARE(statOf(folder.filePath(records)).st_ino, before);
        QVERIFY(folder.write(records, "[3]", KeyFolder::Flush::whenChanged));
        QVERIFY(statOf(folder.filePath(records)).st_ino != before);
        QCOMPARE(folder.read(records), QByteArray("[3]"));
    }

    void unusableFilesAndForeignKeysReadAsNothing()
    {
        QTemporaryDir dir;
        const KeyFolder folder(dir.path());

        // Missing; exactly the limit reads, one byte more neither reads nor is written.
        QCOMPARE(folder.read(records), std::nullopt);
        const QByteArray limit(KeyFolder::maxValueSize, 'x');
        QVERIFY(folder.write(records, limit));
        QCOMPARE(folder.read(records)->size(), KeyFolder::maxValueSize);
        QVERIFY(!folder.write(records, limit + 'x'));
        writeFile(folder.filePath(records), limit + 'x');
        QCOMPARE(folder.read(records), std::nullopt);
        // A fifo under a key's name reads as nothing instead of waiting for a writer; so does a
        // file we may not read (root reads everything, so that read is done as nobody).
        QCOMPARE(::mkfifo(QFile::encodeName(folder.filePath(savedGame)).constData(), 0600), 0);
        QCOMPARE(folder.read(savedGame), std::nullopt);
        QVERIFY(folder.write(records, "1"));
        QFile::setPermissions(folder.filePath(records), {});
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0711), 0);
        const passwd* nobody = ::getpwnam("nobody");
        const bool root = ::geteuid() == 0;
        QVERIFY(!root || (nobody && ::seteuid(nobody->pw_uid) == 0));
        const auto unreadable = folder.read(records);
        QVERIFY(!root || ::seteuid(0) == 0);
        QCOMPARE(unreadable, std::nullopt);

        // Only the program's keys are ever written or read: not other files that look like
        // keys, nor paths that climb out.
        QTemporaryDir clean;
        const KeyFolder store(clean.path() + QStringLiteral("/store"));
        QVERIFY(store.prepare(KeyFolder::Creation::withParents));
        for (const QString& key : { QString(), QStringLiteral("notes"), QStringLiteral("Records"),
                 QStringLiteral("records.json"), QStringLiteral("../records"),
                 QStringLiteral(".records"), QStringLiteral("records\n") }) {
            writeFile(store.filePath(key), "1");
            QCOMPARE(store.read(key), std::nullopt);
            QVERIFY(!store.write(key, "2"));
            QFile::remove(store.filePath(key));
        }
        QCOMPARE(everythingIn(store.path()), QStringList());
        QCOMPARE(everythingIn(clean.path()), QStringList({ QStringLiteral("store") }));
    }

    void missingFoldersAreCreatedOnlyWhereAllowed()
    {
        QTemporaryDir dir;
        // A sync folder whose parent is missing (an unmounted share) is not planted locally.
        const QString unmounted = dir.path() + QStringLiteral("/nas/sapperly");
        QVERIFY(!KeyFolder(unmounted).prepare(KeyFolder::Creation::lastFolderOnly));
        QCOMPARE(everythingIn(dir.path()), QStringList());
        // Its last folder alone is made; the data folder gets its parents too.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("nas")));
        QVERIFY(KeyFolder(unmounted).prepare(KeyFolder::Creation::lastFolderOnly));
        QVERIFY(KeyFolder(dir.path() + QStringLiteral("/a/b/c"))
                    .prepare(KeyFolder::Creation::withParents));
        // Nothing can be made under a regular file, and then nothing is written.
        const KeyFolder underFile(unmounted + QStringLiteral("/x"));
        writeFile(underFile.path(), "x");
        const KeyFolder below(underFile.path() + QStringLiteral("/below"));
        QVERIFY(!below.prepare(KeyFolder::Creation::withParents));
        QVERIFY(!below.write(records, "1"));
    }

    void sweepRemovesOnlyOurOwnStaleTemporaries()
    {
        QTemporaryDir dir;
        const QString ours = KeyFolder::temporaryPrefix(savedGame);
        QCOMPARE(ours, QStringLiteral(".sapperly-savedGame.json."));
        const QString stale = ours + QStringLiteral("a1B2c3");
        const QString fresh = KeyFolder::temporaryPrefix(records) + QStringLiteral("x9Y8z7");
        // Other people's files with names of a similar shape, all an hour old.
        const QStringList foreign {
            QStringLiteral(".eslintrc.json.backup"),
            QStringLiteral(".Notes.JSON.Backup"),
            QStringLiteral(".photo-2023.json.orig01"),
            QStringLiteral(".savedGame.json.a1B2c3"),
            QStringLiteral(".syncthing.savedGame.json.tmp"),
            QStringLiteral(".sapperly-notes.json.a1B2c3"),
            QStringLiteral(".SAPPERLY-savedGame.json.a1B2c3"),
            QStringLiteral(".sapperly-savedgame.json.a1B2c3"),
            ours + QStringLiteral("a1B2c"),
            ours + QStringLiteral("a1B2c34"),
            ours + QStringLiteral("a1B-c3"),
        };
        for (const QString& name : foreign + QStringList { stale, fresh })
            writeFile(dir.filePath(name), "{}");
        for (const QString& name : foreign + QStringList { stale })
            touch(dir.filePath(name), -3600);
        // A folder and a link of our shape are not regular files: the link's target survives.
        QVERIFY(QDir(dir.path()).mkdir(ours + QStringLiteral("Folder")));
        const QString victim = dir.filePath(QStringLiteral("victim"));
        writeFile(victim, "keep");
        QVERIFY(QFile::link(victim, dir.filePath(ours + QStringLiteral("Linked"))));

        QVERIFY(KeyFolder(dir.path()).prepare(KeyFolder::Creation::lastFolderOnly));
        QVERIFY(!QFile::exists(dir.filePath(stale)));
        QStringList left = foreign +
            QStringList { fresh, ours + QStringLiteral("Folder"), ours + QStringLiteral("Linked"),
                QStringLiteral("victim") };
        left.sort();
        QCOMPARE(everythingIn(dir.path()), left);
        QCOMPARE(contentsOf(victim), "keep");
    }

    void setWritesEachSideAlike()
    {
        // Local only: one side, and never a report.
        Machine alone(std::nullopt);
        QVERIFY(!alone.store.hasCloud());
        alone.store.set("[1]", records);
        alone.look();
        QCOMPARE(alone.store.readLocal(records), QByteArray("[1]"));
        QCOMPARE(alone.store.readCloud(records), std::nullopt);
        QVERIFY(alone.reports.isEmpty());

        // Synced: both sides hold the same bytes, the second value replaces the first on both,
        // and neither is left with a temporary.
        QTemporaryDir sync;
        Machine machine(sync.path());
        machine.store.set(R"(["beginner",{"played":1,"won":0}])", records);
        machine.store.set("[]", records);
        for (const QString& folder : { machine.local.path(), sync.path() }) {
            QCOMPARE(contentsOf(folder + QStringLiteral("/records.json")), "[]");
            QCOMPARE(everythingIn(folder), QStringList { QStringLiteral("records.json") });
        }
        QCOMPARE(machine.store.readCloud(records), QByteArray("[]"));
        // A refused key writes nothing on either side.
        machine.store.set("1", QStringLiteral("../escape"));
        QCOMPARE(everythingIn(sync.path()), QStringList { QStringLiteral("records.json") });
    }

    void reportsOnlyChangesFromOutside()
    {
        QTemporaryDir sync;
        Machine here(sync.path());
        Machine there(sync.path());

        // The other machine's write is reported once, with exactly its key.
        there.store.set("[2]", records);
        QTRY_COMPARE(here.reports, QList<QStringList>({ { records } }));
        QCOMPARE(here.store.readCloud(records), QByteArray("[2]"));

        // Our own writes are never reported back to us.
        here.store.set("[3]", records);
        here.store.set("{}", savedGame);
        there.store.rescan();
        QTRY_COMPARE(there.reports.size(), 1);
        here.look();
        QCOMPARE(here.reports.size(), 1);
        QVERIFY(there.reports.last().contains(savedGame));
        QVERIFY(there.store.readCloud(savedGame).has_value());

        // Writing the value a key already holds, or touching its file, is no change.
        const qsizetype reportsBefore = there.reports.size();
        here.store.set("{}", savedGame);
        touch(sync.path() + QStringLiteral("/savedGame.json"), 5);
        here.store.rescan();
        there.look();
        QCOMPARE(here.reports.size(), 1);
        QCOMPARE(there.reports.size(), reportsBefore);

        // A key file that vanishes is not reported: there is nothing to read.
        QVERIFY(QFile::remove(sync.path() + QStringLiteral("/records.json")));
        here.look();
        QCOMPARE(here.reports.size(), 1);
    }

    void ignoresEverythingButTheProgramsKeys()
    {
        QTemporaryDir sync;
        // Sync tools' temporaries, conflict copies, a folder under a key's name, and many files
        // that look like keys of some other program: none is read, reported or watched.
        const QStringList strangers {
            QStringLiteral(".syncthing.records.json.tmp"),
            QStringLiteral("records.json.Xy12Ab"),
            QStringLiteral("records.sync-conflict-20261206-193000-ABCDEFG.json"),
            QStringLiteral("records (conflicted copy 2026-12-06).json"),
            QStringLiteral("Records.json"),
        };
        for (const QString& name : strangers)
            writeFile(sync.path() + u'/' + name, "[9]");
        for (int i = 0; i < 50; ++i)
            writeFile(sync.path() + QStringLiteral("/notes%1.json").arg(i), "[9]");
        QVERIFY(QDir(sync.path()).mkpath(QStringLiteral("savedGame.json/inner")));
        const int watchesBefore = inotifyWatches();
        Machine machine(sync.path());
        machine.store.set("[1]", records);
        machine.look();
        // The folder and the key files, not one watch per file.
        QVERIFY2(
            inotifyWatches() - watchesBefore <= 3, qPrintable(QString::number(inotifyWatches())));
        writeFile(sync.path() + QStringLiteral("/notes1.json"), "[10]");
        machine.look();
        QVERIFY(machine.reports.isEmpty());
        QCOMPARE(machine.store.readCloud(savedGame), std::nullopt);
    }

    void noticesRenamesAndRewritesWithoutRescan()
    {
        QTemporaryDir sync;
        Machine machine(sync.path());
        const QString target = sync.path() + QStringLiteral("/records.json");
        const QString temporary = sync.path() + QStringLiteral("/.syncthing.records.json.tmp");

        // The way sync tools deliver a file: a temporary renamed over the old one, twice, so the
        // second rename lands on a file the first one replaced.
        for (const QByteArray& value : { QByteArray("[1]"), QByteArray("[2]") }) {
            writeFile(temporary, value);
            QCOMPARE(std::rename(QFile::encodeName(temporary).constData(),
                         QFile::encodeName(target).constData()),
                0);
            QTRY_COMPARE(machine.reports.size(), value == "[1]" ? 1 : 2);
            QCOMPARE(machine.store.readCloud(records), value);
        }

        // A file rewritten in place, as a plain editor or copy would.
        writeFile(target, "[3]");
        QTRY_COMPARE(machine.reports.size(), 3);
        QCOMPARE(machine.reports.last(), QStringList { records });
    }

    void burstOfWritesIsOneReport()
    {
        QTemporaryDir sync;
        // A generous quiet time: the burst must fall inside it even on a loaded machine.
        Machine machine(sync.path(), noPoll, 300ms);
        // The watcher's news is let in between the writes, as it would be between a sync tool's.
        for (int i = 0; i < 20; ++i) {
            writeFile(sync.path() + QStringLiteral("/records.json"), QByteArray::number(i));
            runQueued();
            writeFile(sync.path() + QStringLiteral("/savedGame.json"), QByteArray::number(i));
            runQueued();
        }
        QTRY_VERIFY(!machine.reports.isEmpty());
        QCOMPARE(machine.reports, QList<QStringList>({ { records, savedGame } }));
        QCOMPARE(machine.store.readCloud(savedGame), QByteArray("19"));
    }

    void callbackRunsOnlyLaterAndWhileStoreLives()
    {
        QTemporaryDir sync;
        auto machine = std::make_unique<Machine>(sync.path());
        const QString file = sync.path() + QStringLiteral("/records.json");

        // A rescan finds the change but hands it over only as a later step.
        writeFile(file, "[1]");
        machine->store.rescan();
        QVERIFY(machine->reports.isEmpty());
        runQueued();
        QCOMPARE(machine->reports.size(), 1);

        int late = 0;
        QObject::connect(
            &machine->store, &CloudStore::keysChanged, &machine->store, [&late] { ++late; },
            Qt::QueuedConnection);
        // A report still queued when the store goes is never delivered.
        writeFile(file, "[3]");
        machine->store.rescan();
        machine.reset();
        runQueued();
        QCOMPARE(late, 0);
    }

    void unusableSyncFolderLeavesStoreLocal()
    {
        QTemporaryDir dir;
        const QString plainFile = dir.path() + QStringLiteral("/file");
        writeFile(plainFile, "x");

        // A folder that cannot be made, under a regular file.
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(QStringLiteral("sync folder.*file/sync")));
        Machine machine(plainFile + QStringLiteral("/sync"));
        QVERIFY(!machine.store.hasCloud());
        machine.store.set("[1]", records);
        QCOMPARE(machine.store.readLocal(records), QByteArray("[1]"));

        // A sync folder under a missing parent (an unmounted share) is not created; once it can
        // be used, the next rescan or poll attaches it and reports what it holds.
        const QString share = dir.path() + QStringLiteral("/nas");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("sync folder.*nas")));
        Machine rescanned(share + QStringLiteral("/sapperly"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("sync folder.*nas")));
        Machine polled(share + QStringLiteral("/sapperly"), 50ms);
        rescanned.store.rescan();
        QVERIFY(!rescanned.store.hasCloud());
        QVERIFY(!QFile::exists(share));
        QVERIFY(QDir().mkpath(share + QStringLiteral("/sapperly")));
        writeFile(share + QStringLiteral("/sapperly/records.json"), "[4]");
        rescanned.store.rescan();
        QVERIFY(rescanned.store.hasCloud());
        QTRY_COMPARE(rescanned.reports, QList<QStringList>({ { records } }));
        QTRY_COMPARE(polled.reports, QList<QStringList>({ { records } }));

        // The data folder itself cannot double as the sync folder.
        QTemporaryDir local;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("sync folder")));
        CloudStore same(CloudStore::Sides { local.path(), local.path() + QStringLiteral("/.") });
        QVERIFY(!same.hasCloud());
    }

    void keepsReportingAfterFolderIsRecreated()
    {
        QTemporaryDir parent;
        const QString sync = parent.path() + QStringLiteral("/sync");
        Machine watched(sync);
        Machine polled(sync, 50ms);
        writeFile(sync + QStringLiteral("/records.json"), "[1]");
        QTRY_COMPARE(watched.reports.size(), 1);

        // Deleted, as when a sync tool re-creates its folder, then back with new content: the
        // watcher lost the folder, the periodic rescan finds it again.
        QVERIFY(QDir(sync).removeRecursively());
        QVERIFY(QDir().mkpath(sync));
        writeFile(sync + QStringLiteral("/records.json"), "[2]");
        QTRY_COMPARE(polled.reports.size(), 2);

        // A rescan also watches the folder again, so later changes arrive without one.
        watched.store.rescan();
        QTRY_COMPARE(watched.reports.size(), 2);
        writeFile(sync + QStringLiteral("/savedGame.json"), "{}");
        QTRY_COMPARE(watched.reports.size(), 3);
        QCOMPARE(watched.reports.last(), QStringList { savedGame });
    }

    void attachReportsPresentKeysAndDetachStops()
    {
        QTemporaryDir sync;
        writeFile(sync.path() + QStringLiteral("/savedGame.json"), "{}");
        writeFile(sync.path() + QStringLiteral("/records.json"), "[]");
        writeFile(sync.path() + QStringLiteral("/records.sync-conflict-1-2-X.json"), "[]");
        Machine machine(std::nullopt);

        // Attaching reports every key already there, later, as if another machine had written it.
        QCOMPARE(machine.store.setCloudFolder(sync.path()), CloudStore::FolderResult::done);
        QCOMPARE(machine.store.cloudFolder(), sync.path());
        QVERIFY(machine.reports.isEmpty());
        QTRY_COMPARE(machine.reports, QList<QStringList>({ { records, savedGame } }));
        machine.store.set("[1]", records);
        QCOMPARE(contentsOf(sync.path() + QStringLiteral("/records.json")), "[1]");

        // A folder that cannot be used changes nothing.
        QCOMPARE(machine.store.setCloudFolder(sync.path() + QStringLiteral("/records.json/x")),
            CloudStore::FolderResult::unusable);
        QCOMPARE(machine.store.cloudFolder(), sync.path());

        // A report still queued when the folder is left names that folder, so that its owner can
        // drop it; nothing reaches the folder any more.
        writeFile(sync.path() + QStringLiteral("/records.json"), "[2]");
        QString reportedFolder;
        connect(&machine.store, &CloudStore::keysChanged, this,
            [&reportedFolder](const QString& folder) { reportedFolder = folder; });
        machine.store.rescan();
        QCOMPARE(machine.store.setCloudFolder(std::nullopt), CloudStore::FolderResult::done);
        QCOMPARE(reportedFolder, sync.path());
        QVERIFY(!machine.store.hasCloud());
        machine.store.set("[3]", records);
        QCOMPARE(contentsOf(sync.path() + QStringLiteral("/records.json")), "[2]");
        QCOMPARE(machine.store.readLocal(records), QByteArray("[3]"));

        // A folder that does not exist yet is created.
        const QString fresh = sync.path() + QStringLiteral("/fresh");
        QCOMPARE(machine.store.setCloudFolder(fresh), CloudStore::FolderResult::done);
        QVERIFY(QDir(fresh).exists());
    }
};

QTEST_GUILESS_MAIN(StoreTest)
#include "StoreTest.moc"
