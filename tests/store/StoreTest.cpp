// SPDX-License-Identifier: GPL-3.0-or-later
// The store on real folders: one folder of key files, both sides, which outside changes are
// reported.
#include "store/CloudStore.h"
#include "store/KeyFolder.h"

#include <QtTest>

#include <fcntl.h>
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
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
};
const auto get = [](const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
};
/// Sets the modification time (of a link itself, not its target) to now + seconds.
const auto age = [](const QString& path, int seconds) {
    const timespec times[] { { ::time(nullptr) + seconds, 0 }, { ::time(nullptr) + seconds, 0 } };
    return ::utimensat(AT_FDCWD, qPrintable(path), times, AT_SYMLINK_NOFOLLOW) == 0;
};
const auto names = [](const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
};
const auto inotifyWatches = [] {
    qsizetype watches = 0;
    for (const QString& fd : QDir(QStringLiteral("/proc/self/fdinfo")).entryList(QDir::Files))
        watches += get(QStringLiteral("/proc/self/fdinfo/") + fd).count("inotify wd:");
    return watches;
};

/// One player's machine: its data folder and the sync folder it shares, reports queued as the
/// engine connects them. The watcher reads after `quiet`; the poll never comes unless shortened.
struct Machine {
    explicit Machine(const std::optional<QString>& sync, std::chrono::milliseconds poll = 1h,
        std::chrono::milliseconds quiet = 100ms)
        : store(CloudStore::Sides { local.path(), sync })
    {
        store.setWatchIntervals(quiet, poll);
        QObject::connect(
            &store, &CloudStore::keysChanged, &store,
            [this](auto, const QStringList& keys) { reports.append(keys); }, Qt::QueuedConnection);
    }
    void look() { store.rescan(), QCoreApplication::processEvents(); }
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
        using enum KeyFolder::Creation;
        using enum KeyFolder::Flush;
        QTemporaryDir dir;
        const KeyFolder folder(dir.filePath("nested/store"));
        QVERIFY(folder.prepare(withParents));
        const QString file = folder.filePath(records), game = folder.filePath(savedGame);
        const auto info = [&] {
            struct stat s { };
            return ::stat(qPrintable(file), &s), s;
        };
        // Each value replaces the last whole (an empty one is a value) and no temporary stays.
        for (const QByteArray& value : { QByteArray("{\"a\":1}\0\xff\n", 11), QByteArray() })
            QVERIFY(folder.write(records, value) && folder.read(records) == value);
        QVERIFY(folder.write(savedGame, "[]") && folder.presentKeys() == KeyFolder::programKeys);
        QCOMPARE(names(folder.path()), QStringList({ "records.json", "savedGame.json" }));
        // A new file gets 0666 less the umask; a replaced one keeps its mode.
        const mode_t umask = ::umask(002);
        QVERIFY(QFile::remove(file) && folder.write(records, "[1]"));
        ::umask(umask);
        QCOMPARE(info().st_mode & 07777, 0664u);
        QVERIFY(::chmod(qPrintable(file), 0640) == 0 && folder.write(records, "[2]"));
        QCOMPARE(info().st_mode & 07777, 0640u);
        // A flushed value already there is left alone; a new one replaces the file.
        const ino_t inode = info().st_ino;
        QVERIFY(folder.write(records, "[2]", whenChanged) && info().st_ino == inode);
        QVERIFY(folder.write(records, "[3]", whenChanged) && info().st_ino != inode);
        QCOMPARE(folder.read(records), "[3]");

        // Exactly the limit reads; one byte more neither reads nor is written. Missing, a
        // folder, or a fifo that would wait for a writer: nothing.
        const QByteArray over(KeyFolder::maxValueSize + 1, 'x');
        QVERIFY(folder.write(records, over.chopped(1)) && folder.read(records) == over.chopped(1));
        QVERIFY(!folder.write(records, over) && put(file, over) && !folder.read(records));
        QVERIFY(QFile::remove(game) && !folder.read(savedGame));
        QVERIFY(QDir().mkdir(game) && !folder.read(savedGame) && QDir().rmdir(game));
        QVERIFY(::mkfifo(qPrintable(game), 0600) == 0 && !folder.read(savedGame));
        // A file we may not read (root reads everything, so that read is done as nobody).
        QVERIFY(folder.write(records, "1") && QFile::setPermissions(file, {}) &&
            ::chmod(qPrintable(folder.path()), 0711) == 0);
        const uid_t uid = ::geteuid();
        const passwd* nobody = ::getpwnam("nobody");
        QVERIFY(uid != 0 || (nobody && ::seteuid(nobody->pw_uid) == 0));
        const auto unreadable = folder.read(records);
        QVERIFY(::seteuid(uid) == 0 && !unreadable);

        // Only the program's keys are read or written: not look-alikes, nor paths that climb out.
        const KeyFolder store(dir.filePath("store"));
        QVERIFY(store.prepare(lastFolderOnly));
        for (const QString key :
            { "", "notes", "Records", "records.json", "../records", ".records", "records\n" })
            QVERIFY(put(store.filePath(key), "1") && !store.read(key) && !store.write(key, "2") &&
                QFile::remove(store.filePath(key)));
        QCOMPARE(names(dir.path()) + names(store.path()), QStringList({ "nested", "store" }));

        // A sync folder under a missing parent (an unmounted share) is not planted locally; its
        // last folder alone is made, and nothing at all under a regular file.
        const QString share = dir.filePath("nas/sapperly"), below = share + "/x/below";
        QVERIFY(!KeyFolder(share).prepare(lastFolderOnly));
        QVERIFY(!QFile::exists(dir.filePath("nas")) && QDir().mkdir(dir.filePath("nas")));
        QVERIFY(KeyFolder(share).prepare(lastFolderOnly) && put(share + "/x", "x"));
        QVERIFY(!KeyFolder(below).prepare(withParents) && !KeyFolder(below).write(records, "1"));

        // The sweep removes only stale temporaries of ours: a minute old, a regular file, named
        // exactly the prefix and six letters or digits. The link's target survives.
        const QString ours = KeyFolder::temporaryPrefix(savedGame);
        QCOMPARE(ours, QStringLiteral(".sapperly-savedGame.json."));
        QStringList left { ".eslintrc.json.backup", ".Notes.JSON.Backup", ".photo-2023.json.orig01",
            ".savedGame.json.a1B2c3", ".syncthing.savedGame.json.tmp",
            ".sapperly-notes.json.a1B2c3", ".SAPPERLY-savedGame.json.a1B2c3",
            ".sapperly-savedgame.json.a1B2c3", ours + "a1B2c", ours + "a1B2c34", ours + "a1B-c3" };
        for (const QString& name : left + QStringList { ours + "a1B2c3" })
            QVERIFY(put(share + '/' + name, "{}"));
        const QString fresh = KeyFolder::temporaryPrefix(records) + "x9Y8z7";
        QVERIFY(put(share + '/' + fresh, "{}") && QDir(share).mkdir(ours + "Folder") &&
            QFile::link(share + "/x", share + '/' + ours + "Linked"));
        left << ours + "Folder" << ours + "Linked";
        for (const QString& name : left + QStringList { ours + "a1B2c3" })
            QVERIFY(age(share + '/' + name, -3600));
        QVERIFY(KeyFolder(share).prepare(lastFolderOnly));
        left << "x" << fresh;
        left.sort();
        QCOMPARE(names(share), left);
        QCOMPARE(get(share + "/x"), "x");
    }

    void bothSidesAlikeAndOnlyOutsideChangesReported()
    {
        QTemporaryDir shared;
        const QString sync = shared.path(), target = sync + "/records.json";
        // Sync tools' temporaries, conflict copies and other programs' files: none is read,
        // reported, or watched one by one.
        const QStringList foreign { ".syncthing.records.json.tmp", "records.json.Xy12Ab",
            "Records.json", "records.sync-conflict-20261206-193000-ABCDEFG.json",
            "records (conflicted copy).json" };
        for (int i = 0; i < 55; ++i)
            QVERIFY(put(sync + '/' + foreign.value(i, QString("notes%1.json").arg(i)), "[9]"));
        const qsizetype watches = inotifyWatches();
        // A generous quiet time there, so that a burst falls inside it even on a loaded machine.
        Machine here(sync), there(sync, 1h, 300ms);
        // Both sides get the same bytes and keep no temporary.
        here.store.set("[]", records);
        for (const QString& folder : { here.local.path(), sync })
            QVERIFY(get(folder + "/records.json") == "[]" &&
                names(folder).filter("sapperly").isEmpty());
        // The other machine hears it once, with exactly its key; we never hear our own writes.
        QTRY_COMPARE(there.reports, Keys({ { records } }));
        QVERIFY(there.store.readCloud(records) == "[]");
        QVERIFY2(inotifyWatches() - watches <= 6, "one watch per file");
        there.store.set("{}", savedGame);
        QVERIFY(put(sync + "/notes1.json", "[10]") && put(sync + "/Records.json", "[10]"));
        here.look();
        QCOMPARE(here.reports, Keys({ { savedGame } }));
        // The value a key already holds, a touched file or a vanished one is no change.
        there.store.set("{}", savedGame);
        QVERIFY(age(sync + "/savedGame.json", 5) && QFile::remove(target));
        here.look(), there.look();
        QCOMPARE(here.reports.size() + there.reports.size(), 2);

        // As sync tools deliver: a temporary renamed over the old file, twice, so the second
        // lands on a file the first replaced; then a rewrite in place. No rescan is asked for.
        there.reports.clear();
        const QString temporary = sync + "/.syncthing.records.json.tmp";
        for (const QByteArray value : { "[1]", "[2]", "[3]" }) {
            QVERIFY(value == "[3]" ? put(target, value)
                                   : put(temporary, value) &&
                        ::rename(qPrintable(temporary), qPrintable(target)) == 0);
            QTRY_COMPARE(there.store.readCloud(records), value);
            QTRY_COMPARE(there.reports, Keys(value.at(1) - '0', { records }));
        }
        // A burst, the watcher's news let in between writes as between a sync tool's: one report.
        there.reports.clear();
        for (int i = 0; i < 40; ++i)
            put(sync + '/' + (i % 2 ? records : savedGame) + ".json", QByteArray::number(i)),
                QCoreApplication::processEvents();
        QTRY_VERIFY(!there.reports.isEmpty());
        QCOMPARE(there.reports, Keys({ { records, savedGame } }));
        // The folder deleted and made again, as some sync tools do: the watcher lost it, the
        // poll finds it, and a rescan watches it again.
        Machine polled(sync, 50ms);
        QVERIFY(QDir(sync).removeRecursively() && QDir().mkpath(sync) && put(target, "[4]"));
        QTRY_COMPARE(polled.reports, Keys({ { records } }));
        there.store.rescan();
        QTRY_COMPARE(there.reports.value(1), QStringList { records });
        QVERIFY(put(sync + "/savedGame.json", "{}"));
        QTRY_COMPARE(there.reports.value(2), QStringList { savedGame });

        // A report is made within the rescan; one still queued when its store goes is never
        // delivered, and going makes none.
        auto gone = std::make_unique<Machine>(sync);
        QSignalSpy emitted(&gone->store, &CloudStore::keysChanged);
        QVERIFY(put(target, "[5]"));
        gone->store.rescan(), gone.reset(), QCoreApplication::processEvents();
        QCOMPARE(emitted.size(), 1);
    }

    void syncFolderComesAndGoes()
    {
        QTemporaryDir dir;
        // Under a missing parent (an unmounted share) the sync folder is not created and the store
        // stays local; once it can be used, the next rescan or poll attaches it and reports what
        // it holds. The share appears whole.
        const QString sync = dir.filePath("nas/sapperly");
        for (int i = 0; i < 2; ++i)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("sync folder.*nas"));
        Machine rescanned(sync), polled(sync, 50ms);
        rescanned.store.set("[1]", records);
        rescanned.store.rescan();
        QVERIFY(!rescanned.store.hasCloud() && rescanned.store.readLocal(records) == "[1]");
        QVERIFY(!QFile::exists(dir.filePath("nas")));
        QVERIFY(QDir().mkpath(dir.filePath("staging/sapperly")));
        for (const QString name : { "records.json", "savedGame.json", "records (1).json" })
            QVERIFY(put(dir.filePath("staging/sapperly/") + name, "[4]"));
        QCOMPARE(::rename(qPrintable(dir.filePath("staging")), qPrintable(dir.filePath("nas"))), 0);
        rescanned.store.rescan();
        QTRY_COMPARE(rescanned.reports, Keys({ { records, savedGame } }));
        QTRY_COMPARE(polled.reports, Keys({ { records, savedGame } }));

        // Attaching reports every key already there, as if another machine wrote it.
        Machine machine(std::nullopt);
        CloudStore& store = machine.store;
        QCOMPARE(store.setCloudFolder(sync), Result::done);
        QTRY_COMPARE(machine.reports, Keys({ { records, savedGame } }));
        store.set("[2]", records);
        QCOMPARE(get(sync + "/records.json"), "[2]");
        // A folder that cannot be used, or the data folder itself, changes nothing.
        QCOMPARE(store.setCloudFolder(sync + "/records.json/x"), Result::unusable);
        QCOMPARE(store.setCloudFolder(machine.local.path() + "/."), Result::localFolder);
        QCOMPARE(store.cloudFolder(), sync);
        // A report still queued when the folder is left names that folder, so that its owner can
        // drop it; nothing reaches the folder any more.
        QSignalSpy reported(&store, &CloudStore::keysChanged);
        QVERIFY(put(sync + "/records.json", "[3]"));
        store.rescan();
        QCOMPARE(store.setCloudFolder(std::nullopt), Result::done);
        QCOMPARE(reported.at(0).at(0).toString(), sync);
        store.set("[5]", records);
        QVERIFY(!store.hasCloud() && store.readLocal(records) == "[5]");
        QCOMPARE(get(sync + "/records.json"), "[3]");
    }
};

QTEST_GUILESS_MAIN(StoreTest)
#include "StoreTest.moc"
