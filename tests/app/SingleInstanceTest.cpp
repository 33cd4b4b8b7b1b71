// One running copy per data folder: in one process, across processes, and after a crash.
#include "app/SingleInstance.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class SingleInstanceTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // Starts the holder on folder and waits until it has claimed it.
    static void startHolder(QProcess& holder, const QString& folder)
    {
        holder.start(QStringLiteral(SINGLE_INSTANCE_HOLDER), { folder });
        QVERIFY(holder.waitForStarted());
        QVERIFY(holder.waitForReadyRead(10000));
        QCOMPARE(holder.readLine().trimmed(), QByteArray("holding"));
    }

private slots:
    void theSecondCopyOnAFolderRaisesTheFirst()
    {
        const QString folder = m_dir.filePath("one");
        SingleInstance first(folder);
        SingleInstance second(folder);
        QSignalSpy raised(&first, &SingleInstance::raiseRequested);
        QCOMPARE(first.claim(), SingleInstance::Claim::first);
        QCOMPARE(second.claim(), SingleInstance::Claim::alreadyRunning);
        QVERIFY(raised.wait(5000));
        QCOMPARE(raised.count(), 1);
    }

    void copiesOnDifferentFoldersBothRun()
    {
        SingleInstance a(m_dir.filePath("a"));
        SingleInstance b(m_dir.filePath("b"));
        QCOMPARE(a.claim(), SingleInstance::Claim::first);
        QCOMPARE(b.claim(), SingleInstance::Claim::first);
        QVERIFY(SingleInstance::serverName(m_dir.filePath("a")) !=
            SingleInstance::serverName(m_dir.filePath("b")));
        // Spellings of one folder share one name.
        QCOMPARE(SingleInstance::serverName(m_dir.filePath("a")),
            SingleInstance::serverName(m_dir.filePath("b/../a/")));
    }

    void theFolderIsFreeAgainAfterTheCopyQuits()
    {
        const QString folder = m_dir.filePath("again");
        {
            SingleInstance first(folder);
            QCOMPARE(first.claim(), SingleInstance::Claim::first);
        }
        SingleInstance next(folder);
        QCOMPARE(next.claim(), SingleInstance::Claim::first);
    }

    void aCopyInAnotherProcessIsRaisedAndACrashedOneTakenOver()
    {
        const QString folder = m_dir.filePath("shared");
        QProcess holder;
        startHolder(holder, folder);

        SingleInstance late(folder);
        QCOMPARE(late.claim(), SingleInstance::Claim::alreadyRunning);
        QVERIFY(holder.waitForReadyRead(5000));
        QCOMPARE(holder.readLine().trimmed(), QByteArray("raised"));

        // Killed without a chance to clean up, the holder leaves its lock and socket behind.
        holder.kill();
        QVERIFY(holder.waitForFinished());
        SingleInstance heir(folder);
        QCOMPARE(heir.claim(), SingleInstance::Claim::first);

        // The heir answers on the name the crashed copy left, and holds the folder for others.
        QSignalSpy raised(&heir, &SingleInstance::raiseRequested);
        QProcess other;
        other.start(QStringLiteral(SINGLE_INSTANCE_HOLDER), { folder });
        QVERIFY(other.waitForFinished(10000));
        QCOMPARE(other.exitCode(), 3);
        QVERIFY(raised.wait(5000));
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
