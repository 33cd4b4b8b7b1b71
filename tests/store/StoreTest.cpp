// SPDX-License-Identifier: GPL-3.0-or-later
// The store on real folders in temporary directories: one folder of key files, then both sides
// together and which outside changes are reported.
#include "store/CloudStore.h"
#include "store/KeyFolder.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;
using Keys = QList<QStringList>;
using Result = CloudStore::FolderResult;

namespace {

const QString records = KeyFolder::recordsKey, savedGame = KeyFolder::savedGameKey;
const auto put = [](const QString& path, const QByteArray& data) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
};
const auto get = [](const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
};
const auto mv = [](const QString& from, const QString& to) {
    QCOMPARE(std::rename(qPrintable(from), qPrintable(to)), 0);
};
const auto age = [](const QString& path, std::chrono::seconds by) {
    std::filesystem::last_write_time(
        path.toStdString(), std::filesystem::last_write_time(path.toStdString()) + by);
};
const auto statOf = [](const QString& path) {
    struct stat status { };
    ::stat(qPrintable(path), &status);
    return status;
};
/// Every name in a folder, hidden ones included, sorted.
const auto names = [](const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
};
/// The inotify watches this process holds, as the kernel counts them.
const auto inotifyWatches = [] {
    qsizetype watches = 0;
    for (const QString& fd : QDir(QStringLiteral("/proc/self/fdinfo")).entryList(QDir::Files))
        watches += get(QStringLiteral("/proc/self/fdinfo/") + fd).count("inotify wd:");
    return watches;
};
const auto runQueued = [] { QCoreApplication::processEvents(); };
int delivered = 0; // reports delivered to any machine, including those gone since

/// One player's machine: its own data folder and the sync folder it shares. The watcher reads
/// after `quiet`; the poll never comes unless shortened.
struct Machine {
    explicit Machine(const std::optional<QString>& sync, std::chrono::milliseconds poll = 1h,
        std::chrono::milliseconds quiet = 100ms)
        : store(CloudStore::Sides { local.path(), sync })
    {
        store.setWatchIntervals(quiet, poll);
        // Queued, as the engine connects: a report is a later step of its own.
        QObject::connect(
            &store, &CloudStore::keysChanged, &store,
            [this](const QString&, const QStringList& keys) { reports.append(keys), ++delivered; },
            Qt::QueuedConnection);
    }
    void look() { store.rescan(), runQueued(); }
    QTemporaryDir local;
    CloudStore store;
    Keys reports;
};

} // namespace

class StoreTest : public QObject {
    Q_OBJECT

private slots:
    void keyFilesAndTheirFolder()
    {
        QTemporaryDir dir;
        const KeyFolder folder(dir.filePath("nested/store"));
        QVERIFY(folder.prepare(KeyFolder::Creation::withParents));
        const QString file = folder.filePath(records), other = folder.filePath(savedGame);
        // Each value replaces the last whole (an empty one is a value) and no temporary stays.
        for (const QByteArray& value : { QByteArray("{\"a\":1}\0\xff\n", 11), QByteArray() })
            QVERIFY(folder.write(records, value) && folder.read(records) == value);
        QVERIFY(folder.write(savedGame, "[]"));
        QCOMPARE(names(folder.path()), QStringList({ "records.json", "savedGame.json" }));
        QCOMPARE(folder.presentKeys(), KeyFolder::programKeys);
        // A new file gets 0666 less the umask; a replaced one keeps its mode (a group sharing
        // the folder keeps its access).
        QVERIFY(QFile::remove(file));
        const mode_t umask = ::umask(002);
        QVERIFY(folder.write(records, "[1]"));
        ::umask(umask);
        QCOMPARE(statOf(file).st_mode & 07777, 0664u);
        QVERIFY(::chmod(qPrintable(file), 0640) == 0 && folder.write(records, "[2]"));
        QCOMPARE(statOf(file).st_mode & 07777, 0640u);
        // A flushed value already there is left alone; a new one replaces the file.
        const ino_t inode = statOf(file).st_ino;
        QVERIFY(folder.write(records, "[2]", KeyFolder::Flush::whenChanged));
        QCOMPARE(statOf(file).st_ino, inode);
        QVERIFY(folder.write(records, "[3]", KeyFolder::Flush::whenChanged));
        QVERIFY(statOf(file).st_ino != inode && folder.read(records) == "[3]");

        // Exactly the limit reads; one byte more neither reads nor is written. Missing, a
        // folder, or a fifo that would wait for a writer: nothing.
        const QByteArray limit(KeyFolder::maxValueSize, 'x');
        QVERIFY(folder.write(records, limit) && folder.read(records) == limit);
        QVERIFY(!folder.write(records, limit + 'x'));
        put(file, limit + 'x');
        QCOMPARE(folder.read(records), std::nullopt);
        QVERIFY(QFile::remove(other) && !folder.read(savedGame));
        QVERIFY(QDir().mkdir(other) && !folder.read(savedGame));
        QVERIFY(QDir().rmdir(other) && ::mkfifo(qPrintable(other), 0600) == 0);
        QCOMPARE(folder.read(savedGame), std::nullopt);
        // A file we may not read (root reads everything, so that read is done as nobody).
        QVERIFY(folder.write(records, "1") && QFile::setPermissions(file, {}));
        QCOMPARE(::chmod(qPrintable(folder.path()), 0711), 0);
        const passwd* nobody = ::getpwnam("nobody");
        const bool root = ::geteuid() == 0;
        QVERIFY(!root || (nobody && ::seteuid(nobody->pw_uid) == 0));
        const auto unreadable = folder.read(records);
        QVERIFY(!root || ::seteuid(0) == 0);
        QCOMPARE(unreadable, std::nullopt);

        // Only the program's keys are read or written: not look-alikes, nor paths that climb out.
        const KeyFolder store(dir.filePath("store"));
        QVERIFY(store.prepare(KeyFolder::Creation::lastFolderOnly));
        for (const QString key :
            { "", "notes", "Records", "records.json", "../records", ".records", "records\n" }) {
            put(store.filePath(key), "1");
            QVERIFY(
                !store.read(key) && !store.write(key, "2") && QFile::remove(store.filePath(key)));
        }
        QCOMPARE(names(dir.path()), QStringList({ "nested", "store" }));
        QCOMPARE(names(store.path()), QStringList());

        // A sync folder under a missing parent (an unmounted share) is not planted locally; its
        // last folder alone is made, and nothing at all under a regular file.
        const QString share = dir.filePath("nas/sapperly");
        QVERIFY(!KeyFolder(share).prepare(KeyFolder::Creation::lastFolderOnly));
        QVERIFY(!QFile::exists(dir.filePath("nas")) && QDir().mkdir(dir.filePath("nas")));
        QVERIFY(KeyFolder(share).prepare(KeyFolder::Creation::lastFolderOnly));
        put(share + "/x", "x");
        const KeyFolder below(share + "/x/below");
        QVERIFY(!below.prepare(KeyFolder::Creation::withParents) && !below.write(records, "1"));

        // The sweep removes only stale temporaries of ours: an hour old, a regular file, named
        // exactly the prefix and six letters or digits. The link's target survives.
        const QString ours = KeyFolder::temporaryPrefix(savedGame);
        QCOMPARE(ours, QStringLiteral(".sapperly-savedGame.json."));
        QStringList left { ".eslintrc.json.backup", ".Notes.JSON.Backup", ".photo-2023.json.orig01",
            ".savedGame.json.a1B2c3", ".syncthing.savedGame.json.tmp",
            ".sapperly-notes.json.a1B2c3", ".SAPPERLY-savedGame.json.a1B2c3",
            ".sapperly-savedgame.json.a1B2c3", ours + "a1B2c", ours + "a1B2c34", ours + "a1B-c3" };
        for (const QString& name : left + QStringList { ours + "a1B2c3" })
            put(share + '/' + name, "{}"), age(share + '/' + name, -1h);
        const QString fresh = KeyFolder::temporaryPrefix(records) + "x9Y8z7";
        put(share + '/' + fresh, "{}");
        QVERIFY(QDir(share).mkdir(ours + "Folder") &&
            QFile::link(share + "/x", share + '/' + ours + "Linked"));
        QVERIFY(KeyFolder(share).prepare(KeyFolder::Creation::lastFolderOnly));
        left << "x" << fresh << ours + "Folder" << ours + "Linked";
        left.sort();
        QCOMPARE(names(share), left);
        QCOMPARE(get(share + "/x"), "x");
    }

    void bothSidesAlikeAndOnlyOutsideChangesReported()
    {
        QTemporaryDir parent;
        const QString sync = parent.filePath("sync"), target = sync + "/records.json";
        QVERIFY(QDir().mkdir(sync));
        // Sync tools' temporaries, conflict copies and other programs' files: none is read,
        // reported, or watched one by one.
        for (const QString name : { ".syncthing.records.json.tmp", "records.json.Xy12Ab",
                 "records.sync-conflict-20261206-193000-ABCDEFG.json", "Records.json",
                 "records (conflicted copy 2026-12-06).json" })
            put(sync + '/' + name, "[9]");
        for (int i = 0; i < 50; ++i)
            put(sync + QStringLiteral("/notes%1.json").arg(i), "[9]");
        const qsizetype watches = inotifyWatches();
        // A generous quiet time there, so that a burst falls inside it even on a loaded machine.
        Machine here(sync), there(sync, 1h, 300ms);
        // Both sides get the same bytes, the second value replacing the first whole; a key
        // that is not ours reaches neither side.
        here.store.set(R"(["beginner",{"played":1,"won":0}])", records);
        here.store.set("[]", records);
        here.store.set("1", QStringLiteral("notes"));
        for (const QString& folder : { here.local.path(), sync }) {
            QCOMPARE(get(folder + "/records.json"), "[]");
            QCOMPARE(
                names(folder).filter(QRegularExpression("sapperly|^notes.json")), QStringList());
        }
        // The other machine hears it once, with exactly its key; we never hear our own writes.
        QTRY_COMPARE(there.reports, Keys({ { records } }));
        QVERIFY(there.store.readCloud(records) == "[]");
        QVERIFY2(inotifyWatches() - watches <= 6, "one watch per file");
        here.look();
        QVERIFY(here.reports.isEmpty());
        there.store.set("{}", savedGame);
        put(sync + "/notes1.json", "[10]");
        put(sync + "/Records.json", "[10]");
        here.store.rescan();
        QVERIFY(here.reports.isEmpty()); // handed over only as a later step
        runQueued();
        QCOMPARE(here.reports, Keys({ { savedGame } }));
        // The value a key already holds, a touched file or a vanished one is no change.
        there.store.set("{}", savedGame);
        age(sync + "/savedGame.json", 5s);
        QVERIFY(QFile::remove(target));
        here.look();
        there.look();
        QCOMPARE(here.reports.size() + there.reports.size(), 2);

        // As sync tools deliver: a temporary renamed over the old file, twice, so the second
        // lands on a file the first replaced; then a rewrite in place. No rescan is asked for.
        there.reports.clear();
        for (const QByteArray value : { "[1]", "[2]", "[3]" }) {
            put(value == "[3]" ? target : sync + "/.syncthing.records.json.tmp", value);
            if (value != "[3]")
                mv(sync + "/.syncthing.records.json.tmp", target);
            QTRY_COMPARE(there.store.readCloud(records), value);
            QTRY_COMPARE(there.reports, Keys(value.at(1) - '0', { records }));
        }
        // A burst, the watcher's news let in between writes as between a sync tool's: one report.
        there.reports.clear();
        for (int i = 0; i < 40; ++i)
            put(sync + '/' + (i % 2 ? records : savedGame) + ".json", QByteArray::number(i)),
                runQueued();
        QTRY_VERIFY(!there.reports.isEmpty());
        QCOMPARE(there.reports, Keys({ { records, savedGame } }));
        // The folder deleted and made again, as some sync tools do: the watcher lost it, the
        // poll finds it, and a rescan watches it again.
        Machine polled(sync, 50ms);
        QVERIFY(QDir(sync).removeRecursively() && QDir().mkpath(sync));
        put(target, "[4]");
        QTRY_COMPARE(polled.reports, Keys({ { records } }));
        there.store.rescan();
        QTRY_COMPARE(there.reports.size(), 2);
        put(sync + "/savedGame.json", "{}");
        QTRY_COMPARE(there.reports.size(), 3);
        QCOMPARE(there.reports.last(), QStringList { savedGame });

        // A report still queued when its store goes is never delivered.
        auto gone = std::make_unique<Machine>(sync);
        put(target, "[5]");
        QSignalSpy emitted(&gone->store, &CloudStore::keysChanged);
        gone->store.rescan();
        const int before = delivered;
        gone.reset();
        runQueued();
        QVERIFY(emitted.size() == 1 && delivered == before);
    }

    void syncFolderComesAndGoes()
    {
        QTemporaryDir dir;
        put(dir.filePath("file"), "x");
        // A folder that cannot be made (under a regular file) leaves the store local.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("sync folder.*file/sync"));
        Machine machine(dir.filePath("file/sync"));
        machine.store.set("[1]", records);
        QVERIFY(!machine.store.hasCloud() && machine.store.readLocal(records) == "[1]");

        // Under a missing parent (an unmounted share) it is not created; once it can be used,
        // the next rescan or poll attaches it and reports what it holds. The share appears whole.
        const QString sync = dir.filePath("nas/sapperly");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("sync folder.*nas"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("sync folder.*nas"));
        Machine rescanned(sync), polled(sync, 50ms);
        rescanned.store.rescan();
        QVERIFY(!rescanned.store.hasCloud() && !QFile::exists(dir.filePath("nas")));
        QVERIFY(QDir().mkpath(dir.filePath("staging/sapperly")));
        for (const QString name :
            { "records.json", "savedGame.json", "records.sync-conflict-1-2-X.json" })
            put(dir.filePath("staging/sapperly/") + name, "[4]");
        mv(dir.filePath("staging"), dir.filePath("nas"));
        rescanned.store.rescan();
        QVERIFY(rescanned.store.hasCloud());
        QTRY_COMPARE(rescanned.reports, Keys({ { records, savedGame } }));
        QTRY_COMPARE(polled.reports, Keys({ { records, savedGame } }));

        // Attaching reports every key already there, later, as if another machine wrote it.
        QVERIFY(machine.store.setCloudFolder(sync) == Result::done && machine.reports.isEmpty());
        QTRY_COMPARE(machine.reports, Keys({ { records, savedGame } }));
        machine.store.set("[2]", records);
        QCOMPARE(get(sync + "/records.json"), "[2]");
        // A folder that cannot be used, or the data folder itself, changes nothing.
        QCOMPARE(machine.store.setCloudFolder(sync + "/records.json/x"), Result::unusable);
        QCOMPARE(machine.store.setCloudFolder(machine.local.path() + "/."), Result::localFolder);
        QCOMPARE(machine.store.cloudFolder(), sync);
        // A report still queued when the folder is left names that folder, so that its owner can
        // drop it; nothing reaches the folder any more.
        put(sync + "/records.json", "[3]");
        QSignalSpy reported(&machine.store, &CloudStore::keysChanged);
        machine.store.rescan();
        QCOMPARE(machine.store.setCloudFolder(std::nullopt), Result::done);
        QCOMPARE(reported.at(0).at(0).toString(), sync);
        machine.store.set("[5]", records);
        QVERIFY(!machine.store.hasCloud() && machine.store.readLocal(records) == "[5]");
        QCOMPARE(get(sync + "/records.json"), "[3]");
    }
};

QTEST_GUILESS_MAIN(StoreTest)
#include "StoreTest.moc"
