// SPDX-License-Identifier: GPL-3.0-or-later
// The store on real folders: one folder of key files, both sides, which changes are reported.
#include "store/CloudStore.h"
#include "store/KeyFolder.h"

#include <QtTest>

#include <fcntl.h>
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

/// One player's machine: its data folder and the sync folder it shares, reports queued as the
/// engine connects them. The watcher's quiet time is generous, so that a burst falls inside it
/// even on a loaded machine; the poll never comes unless shortened.
struct Machine {
    explicit Machine(const std::optional<QString>& sync, std::chrono::milliseconds poll = 1h)
        : store(CloudStore::Sides { local.path(), sync })
    {
        store.setWatchIntervals(300ms, poll);
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
        QTemporaryDir dir;
        const KeyFolder folder(dir.filePath("nested/store"));
        QVERIFY(folder.prepare(withParents));
        const QString file = folder.filePath(records), game = folder.filePath(savedGame);
        const auto mode = [&] {
            struct stat s { };
            return ::stat(qPrintable(file), &s), s.st_mode & 07777;
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
        QCOMPARE(mode(), 0664u);
        QVERIFY(::chmod(qPrintable(file), 0640) == 0 && folder.write(records, "[2]"));
        QCOMPARE(mode(), 0640u);

        // Exactly the limit reads; one byte more neither reads nor is written. Missing, a
        // folder, or a fifo that would wait for a writer: nothing.
        const QByteArray over(KeyFolder::maxValueSize + 1, 'x');
        QVERIFY(folder.write(records, over.chopped(1)) && folder.read(records) == over.chopped(1));
        QVERIFY(!folder.write(records, over) && put(file, over) && !folder.read(records));
        QVERIFY(QFile::remove(game) && !folder.read(savedGame));
        QVERIFY(QDir().mkdir(game) && !folder.read(savedGame) && QDir().rmdir(game));
        QVERIFY(::mkfifo(qPrintable(game), 0600) == 0 && !folder.read(savedGame));

        // Only the program's keys are read or written: not look-alikes, nor paths that climb out.
        const KeyFolder store(dir.filePath("store"));
        QVERIFY(store.prepare(lastFolderOnly));
        for (const QString key :
            { "", "notes", "Records", "records.json", "../records", ".records", "records\n" })
            QVERIFY(put(store.filePath(key), "1") && !store.read(key) && !store.write(key, "2") &&
                QFile::remove(store.filePath(key)));
        QCOMPARE(names(dir.path()) + names(store.path()), QStringList({ "nested", "store" }));

        // The sweep removes only stale temporaries of ours: a minute old, a regular file, named
        // exactly the prefix and six letters or digits. The link's target survives.
        const QString share = store.path(), ours = KeyFolder::temporaryPrefix(savedGame);
        QCOMPARE(ours, QStringLiteral(".sapperly-savedGame.json."));
        QStringList left { "x", ".syncthing.savedGame.json.tmp", ".SAPPERLY-savedGame.json.a1B2c3",
            ".sapperly-notes.json.a1B2c3", ours + "a1B2c", ours + "a1B2c34", ours + "a1B-c3" };
        const QString fresh = KeyFolder::temporaryPrefix(records) + "x9Y8z7";
        for (const QString& name : left + QStringList { ours + "a1B2c3", fresh })
            QVERIFY(put(share + '/' + name, "x"));
        QVERIFY(QDir(share).mkdir(ours + "Folder") &&
            QFile::link(share + "/x", share + '/' + ours + "Linked"));
        left << ours + "Folder" << ours + "Linked";
        for (const QString& name : left + QStringList { ours + "a1B2c3" })
            QVERIFY(age(share + '/' + name, -3600));
        QVERIFY(KeyFolder(share).prepare(lastFolderOnly));
        left << fresh;
        left.sort();
        QCOMPARE(names(share), left);
    }

    void bothSidesAlikeAndOnlyOutsideChangesReported()
    {
        QTemporaryDir shared;
        const QString sync = shared.path(), target = sync + "/records.json";
        // Sync tools' temporaries, conflict copies and other programs' files are neither read nor
        // reported.
        for (const QString name : { ".syncthing.records.json.tmp", "records.json.Xy12Ab",
                 "Records.json", "records.sync-conflict-20261206-193000-ABCDEFG.json",
                 "records (conflicted copy).json", "notes.json" })
            QVERIFY(put(sync + '/' + name, "[9]"));
        Machine here(sync), there(sync);
        // Both sides get the same bytes and keep no temporary.
        here.store.set("[]", records);
        for (const QString& folder : { here.local.path(), sync })
            QVERIFY(get(folder + "/records.json") == "[]" &&
                names(folder).filter("sapperly").isEmpty());
        // The other machine hears it once, with exactly its key, and again when the file is
        // replaced under its watch; we never hear our own writes.
        QTRY_COMPARE(there.reports, Keys({ { records } }));
        here.store.set("[1]", records);
        QTRY_COMPARE(there.reports, Keys(2, { records }));
        QVERIFY(there.store.readCloud(records) == "[1]");
        there.store.set("{}", savedGame);
        QVERIFY(put(sync + "/notes.json", "[10]") && put(sync + "/Records.json", "[10]"));
        here.look();
        QCOMPARE(here.reports, Keys({ { savedGame } }));
        // The value a key already holds, a touched file or a vanished one is no change.
        there.store.set("{}", savedGame);
        QVERIFY(age(sync + "/savedGame.json", 5) && QFile::remove(target));
        here.look(), there.look();
        QCOMPARE(here.reports.size() + there.reports.size(), 3);
        // A burst of rewrites in place, the watcher's news let in between writes as between a sync
        // tool's: one report.
        there.reports.clear();
        for (int i = 0; i < 40; ++i)
            put(sync + '/' + (i % 2 ? records : savedGame) + ".json", QByteArray::number(i)),
                QCoreApplication::processEvents();
        QTRY_VERIFY(!there.reports.isEmpty());
        QCOMPARE(there.reports, Keys({ { records, savedGame } }));
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
