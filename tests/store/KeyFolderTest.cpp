// One folder of key files, exercised on real folders.
#include "KeyFolderTest.h"

#include "store/KeyFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList everythingIn(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(data), data.size());
}

} // namespace

void KeyFolderTest::writesReplaceWholeValues()
{
    QTemporaryDir dir;
    const KeyFolder folder(dir.path() + QStringLiteral("/nested/store"));
    QVERIFY(folder.prepare());

    // A value reads back byte for byte, including bytes that are not text.
    const QByteArray binary("{\"a\":1}\0\xff\n", 11);
    QVERIFY(folder.write(QStringLiteral("records"), binary));
    QCOMPARE(folder.read(QStringLiteral("records")), binary);

    // A second, shorter value replaces the first entirely.
    QVERIFY(folder.write(QStringLiteral("records"), "[]"));
    QCOMPARE(folder.read(QStringLiteral("records")), QByteArray("[]"));

    // An empty value is a value, not nothing.
    QVERIFY(folder.write(QStringLiteral("savedGame"), QByteArray()));
    QCOMPARE(folder.read(QStringLiteral("savedGame")), QByteArray());

    // Only the key files remain: no temporary is left behind.
    QCOMPARE(everythingIn(folder.path()),
        QStringList({ QStringLiteral("records.json"), QStringLiteral("savedGame.json") }));
    QCOMPARE(
        folder.keys(), QStringList({ QStringLiteral("records"), QStringLiteral("savedGame") }));
}

void KeyFolderTest::unusableFilesReadAsNothing()
{
    QTemporaryDir dir;
    const KeyFolder folder(dir.path());
    const QString key = QStringLiteral("records");

    // A missing file.
    QCOMPARE(folder.read(key), std::nullopt);

    // Exactly the limit still reads; one byte more does not, and is not written either.
    const QByteArray limit(KeyFolder::maxValueSize, 'x');
    QVERIFY(folder.write(key, limit));
    QCOMPARE(folder.read(key)->size(), KeyFolder::maxValueSize);
    QVERIFY(!folder.write(key, limit + 'x'));
    QCOMPARE(folder.read(key)->size(), KeyFolder::maxValueSize);
    writeFile(folder.filePath(key), limit + 'x');
    QCOMPARE(folder.read(key), std::nullopt);

    // A folder under a key's name.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.json")));
    QCOMPARE(folder.read(QStringLiteral("folder")), std::nullopt);

    // A fifo under a key's name reads as nothing instead of waiting for a writer.
    const QString fifo = folder.filePath(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(folder.read(QStringLiteral("fifo")), std::nullopt);

    // A file we may not read (root reads everything, so only checked for other users).
    if (::geteuid() != 0) {
        QVERIFY(folder.write(QStringLiteral("locked"), "1"));
        QFile::setPermissions(folder.filePath(QStringLiteral("locked")), {});
        QCOMPARE(folder.read(QStringLiteral("locked")), std::nullopt);
    }

    // A folder that is not there and cannot be made (a path under a regular file).
    const KeyFolder underFile(folder.filePath(key) + QStringLiteral("/below"));
    QVERIFY(!underFile.prepare());
    QVERIFY(!underFile.write(key, "1"));
    QCOMPARE(underFile.read(key), std::nullopt);
}

void KeyFolderTest::unsafeKeysAreRefused_data()
{
    QTest::addColumn<QString>("key");
    QTest::newRow("empty") << QString();
    QTest::newRow("dot") << QStringLiteral(".");
    QTest::newRow("dot dot") << QStringLiteral("..");
    QTest::newRow("hidden") << QStringLiteral(".records");
    QTest::newRow("climbs out") << QStringLiteral("../records");
    QTest::newRow("slash") << QStringLiteral("a/b");
    QTest::newRow("backslash") << QStringLiteral("a\\b");
    QTest::newRow("nul") << QString(QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b"));
    QTest::newRow("newline") << QStringLiteral("a\nb");
    QTest::newRow("space") << QStringLiteral("a b");
    QTest::newRow("inner dot") << QStringLiteral("records.sync-conflict-1");
    QTest::newRow("non-ASCII") << QStringLiteral("r\u00e9cords");
    QTest::newRow("101 characters") << QString(101, u'k');
}

void KeyFolderTest::unsafeKeysAreRefused()
{
    QFETCH(QString, key);
    QTemporaryDir dir;
    const KeyFolder folder(dir.path() + QStringLiteral("/store"));
    QVERIFY(folder.prepare());

    QVERIFY(!folder.write(key, "1"));
    QCOMPARE(folder.read(key), std::nullopt);
    // Nothing was written anywhere, inside the folder or beside it.
    QCOMPARE(everythingIn(folder.path()), QStringList());
    QCOMPARE(everythingIn(dir.path()), QStringList({ QStringLiteral("store") }));
}

void KeyFolderTest::onlyKeyFilesNameKeys_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("key");
    QTest::newRow("key file") << QStringLiteral("savedGame.json") << QStringLiteral("savedGame");
    QTest::newRow("longest key") << QString(100, u'k') + QStringLiteral(".json")
                                 << QString(100, u'k');
    QTest::newRow("too long") << QString(101, u'k') + QStringLiteral(".json") << QString();
    QTest::newRow("no suffix") << QStringLiteral("records") << QString();
    QTest::newRow("only suffix") << QStringLiteral(".json") << QString();
    QTest::newRow("upper-case suffix") << QStringLiteral("records.JSON") << QString();
    QTest::newRow("own temporary") << QStringLiteral("records.json.Ab12Cd") << QString();
    QTest::newRow("syncthing temporary")
        << QStringLiteral(".syncthing.records.json.tmp") << QString();
    QTest::newRow("nextcloud temporary") << QStringLiteral(".records.json.~3f2a1") << QString();
    QTest::newRow("syncthing conflict")
        << QStringLiteral("records.sync-conflict-20261206-193000-ABCDEFG.json") << QString();
    QTest::newRow("conflicted copy")
        << QStringLiteral("records (conflicted copy 2026-12-06).json") << QString();
    QTest::newRow("numbered conflict") << QStringLiteral("records.json.conflict1") << QString();
    QTest::newRow("hidden") << QStringLiteral(".records.json") << QString();
}

void KeyFolderTest::onlyKeyFilesNameKeys()
{
    QFETCH(QString, fileName);
    QFETCH(QString, key);
    const std::optional<QString> expected = key.isEmpty() ? std::nullopt : std::optional(key);
    QCOMPARE(KeyFolder::keyOf(fileName), expected);
}

void KeyFolderTest::staleTemporariesAreSwept()
{
    QTemporaryDir dir;
    const KeyFolder folder(dir.path());
    const QString stale = dir.filePath(QStringLiteral(".savedGame.json.a1B2c3"));
    const QString fresh = dir.filePath(QStringLiteral(".records.json.x9Y8z7"));
    const QString foreign = dir.filePath(QStringLiteral(".syncthing.savedGame.json.tmp"));
    for (const QString& path : { stale, fresh, foreign })
        writeFile(path, "{}");
    // Backdate one temporary past any write that could still be in progress.
    QFile staleFile(stale);
    QVERIFY(staleFile.open(QIODevice::ReadWrite));
    QVERIFY(staleFile.setFileTime(
        QDateTime::currentDateTimeUtc().addSecs(-3600), QFileDevice::FileModificationTime));
    staleFile.close();
    QFile foreignFile(foreign);
    QVERIFY(foreignFile.open(QIODevice::ReadWrite));
    QVERIFY(foreignFile.setFileTime(
        QDateTime::currentDateTimeUtc().addSecs(-3600), QFileDevice::FileModificationTime));
    foreignFile.close();

    QVERIFY(folder.prepare());
    // Only our own old temporary goes; a fresh one may belong to a write under way, and other
    // tools' files are theirs.
    QVERIFY(!QFile::exists(stale));
    QVERIFY(QFile::exists(fresh));
    QVERIFY(QFile::exists(foreign));
}
