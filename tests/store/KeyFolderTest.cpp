// SPDX-License-Identifier: GPL-3.0-or-later
// One folder of key files on real folders: whole values, permissions, refusals, and a sweep
// that touches nothing but the program's own temporaries.
#include "store/KeyFolder.h"

#include "StoreTestSupport.h"

#include <QObject>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString records = KeyFolder::recordsKey;
const QString savedGame = KeyFolder::savedGameKey;

mode_t modeOf(const QString& path)
{
    struct stat status { };
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

ino_t inodeOf(const QString& path)
{
    struct stat status { };
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : 0;
}

} // namespace

class KeyFolderTest : public QObject {
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
        QCOMPARE(modeOf(folder.filePath(records)), mode_t(0664));
        QCOMPARE(::chmod(QFile::encodeName(folder.filePath(records)).constData(), 0640), 0);
        QVERIFY(folder.write(records, "[2]"));
        QCOMPARE(modeOf(folder.filePath(records)), mode_t(0640));

        // A flushed value that is already there is left alone; a new one replaces the file.
        const ino_t before = inodeOf(folder.filePath(records));
        QVERIFY(folder.write(records, "[2]", KeyFolder::Flush::whenChanged));
        QCOMPARE(inodeOf(folder.filePath(records)), before);
        QVERIFY(folder.write(records, "[3]", KeyFolder::Flush::whenChanged));
        QVERIFY(inodeOf(folder.filePath(records)) != before);
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
        // file we may not read (root reads everything, so only checked for other users).
        QCOMPARE(::mkfifo(QFile::encodeName(folder.filePath(savedGame)).constData(), 0600), 0);
        QCOMPARE(folder.read(savedGame), std::nullopt);
        if (::geteuid() != 0) {
            QVERIFY(folder.write(records, "1"));
            QFile::setPermissions(folder.filePath(records), {});
            QCOMPARE(folder.read(records), std::nullopt);
        }

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
            backdate(dir.filePath(name), 3600);
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
        QStringList present = everythingIn(dir.path());
        present.sort();
        QCOMPARE(present, left);
        QCOMPARE(contentsOf(victim), "keep");
    }
};

int runKeyFolderTests(int argc, char** argv)
{
    KeyFolderTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "KeyFolderTest.moc"
