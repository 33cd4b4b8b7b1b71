// SPDX-License-Identifier: GPL-3.0-or-later
// One running copy per data folder: in one process, across processes, after a crash, on a full
// or read-only disk, and with the socket out of other accounts' reach.
#include "app/SingleInstance.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t nobody = 65534;

bool underCi()
{
    return qEnvironmentVariable("CI") == QLatin1String("true");
}

int run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(10000) ? process.exitCode() : -1;
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_mounted;

    // Starts a holder on folder (as another user when the prefix says so) and waits until it
    // has claimed it.
    static void startHolder(QProcess& holder, const QString& folder, QStringList prefix = {})
    {
        prefix << QStringLiteral(SINGLE_INSTANCE_HOLDER) << folder;
        holder.start(prefix.takeFirst(), prefix);
        QVERIFY(holder.waitForStarted());
        QVERIFY(holder.waitForReadyRead(10000));
        QCOMPARE(holder.readLine().trimmed(), QByteArray("holding"));
    }

    // A lock left by a holder killed without a chance to clean up.
    static void leaveStaleLock(const QString& folder)
    {
        QProcess holder;
        startHolder(holder, folder);
        holder.kill();
        QVERIFY(holder.waitForFinished());
        QVERIFY(QFileInfo::exists(folder + "/sapperly.lock"));
    }

    static void requireOrSkip(bool available, const char* what)
    {
        if (available)
            return;
        if (underCi())
            QFAIL(what);
        QSKIP(what);
    }

private slots:
    void cleanup()
    {
        if (!m_mounted.isEmpty())
            run("umount", { "-l", m_mounted });
        m_mounted.clear();
        qunsetenv("XDG_RUNTIME_DIR");
    }

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
        QVERIFY(SingleInstance::socketPath(m_dir.filePath("a")) !=
            SingleInstance::socketPath(m_dir.filePath("b")));
        // Spellings of one folder share one socket.
        QCOMPARE(SingleInstance::socketPath(m_dir.filePath("a")),
            SingleInstance::socketPath(m_dir.filePath("b/../a/")));
    }

    void theSocketIsOutOfOtherAccountsReach()
    {
        // $XDG_RUNTIME_DIR is used only when it is a folder of ours that nobody else may enter;
        // otherwise the socket goes beside the lock in the data folder.
        const QString folder = m_dir.filePath("socket");
        const QString runtime = m_dir.filePath("runtime");
        const QString open = m_dir.filePath("open");
        QVERIFY(QDir().mkpath(runtime) && QDir().mkpath(open));
        QVERIFY(::chmod(QFile::encodeName(runtime), 0700) == 0);
        QVERIFY(::chmod(QFile::encodeName(open), 0755) == 0);
        const QList<QPair<QString, QString>> cases { { runtime, runtime }, { open, folder },
            { "", folder }, { "relative", folder }, { m_dir.filePath("missing"), folder } };
        for (const auto& [environment, expectedFolder] : cases) {
            qputenv("XDG_RUNTIME_DIR", environment.toLocal8Bit());
            const QString path = SingleInstance::socketPath(folder);
            QCOMPARE(QFileInfo(path).absolutePath(), expectedFolder);
            SingleInstance instance(folder);
            QCOMPARE(instance.claim(), SingleInstance::Claim::first);
            struct stat info { };
            QVERIFY2(::lstat(QFile::encodeName(path), &info) == 0, qPrintable(path));
            QVERIFY(S_ISSOCK(info.st_mode));
            QCOMPARE(info.st_mode & 077, 0u);
        }
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

    void aStaleLockOnAReadOnlyFolderDoesNotKeepTheGameOut()
    {
        // Permission bits do not bind root, so as root the later launches run as nobody.
        QStringList asOther;
        if (::geteuid() == 0) {
            const QString setpriv = QStandardPaths::findExecutable("setpriv");
            requireOrSkip(!setpriv.isEmpty(), "setpriv (util-linux) is needed to run as nobody");
            asOther = QStringList { setpriv, "--reuid=65534", "--regid=65534", "--clear-groups" };
            QVERIFY(::chmod(QFile::encodeName(m_dir.path()), 0755) == 0);
        }
        const QString folder = m_dir.filePath("readonly");
        leaveStaleLock(folder);
        const QString held = m_dir.filePath("readonly-held");
        QProcess owner;
        startHolder(owner, held);
        for (const QString& path : { folder, held })
            QVERIFY(::chmod(QFile::encodeName(path), 0555) == 0);
        // The later launches' own private runtime folder.
        const QString runtime = m_dir.filePath("runtime-other");
        QVERIFY(QDir().mkpath(runtime));
        QVERIFY(::chmod(QFile::encodeName(runtime), 0700) == 0);
        if (::geteuid() == 0)
            QVERIFY(::chown(QFile::encodeName(runtime), nobody, nobody) == 0);
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());

        // A live owner keeps the folder even where a later launch can neither write nor reach it.
        QStringList command = asOther + QStringList { SINGLE_INSTANCE_HOLDER, held };
        QProcess refused;
        refused.start(command.takeFirst(), command);
        QVERIFY(refused.waitForFinished(10000));
        QCOMPARE(refused.exitCode(), 3);

        QProcess first;
        startHolder(first, folder, asOther);
        QByteArray warning;
        QTRY_VERIFY((warning += first.readAllStandardError()).contains("cannot clear it"));
        QVERIFY(QFileInfo::exists(folder + "/sapperly.lock"));
        // Running without the lock, the copy still keeps later launches out, and is raised.
        command = asOther + QStringList { SINGLE_INSTANCE_HOLDER, folder };
        QProcess second;
        second.start(command.takeFirst(), command);
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 3);
        QVERIFY(first.waitForReadyRead(5000));
        QCOMPARE(first.readLine().trimmed(), QByteArray("raised"));
        for (QProcess* process : { &first, &owner }) {
            process->kill();
            process->waitForFinished();
        }
        for (const QString& path : { folder, held })
            QVERIFY(::chmod(QFile::encodeName(path), 0755) == 0);
    }

    void aStaleLockOnAFullDiskDoesNotKeepTheGameOut()
    {
        const QString mountPoint = m_dir.filePath("full");
        QVERIFY(QDir().mkpath(mountPoint));
        const bool mounted =
            run("mount", { "-t", "tmpfs", "-o", "size=128k", "tmpfs", mountPoint }) == 0;
        requireOrSkip(mounted, "a 128 KiB tmpfs could not be mounted (needs root)");
        m_mounted = mountPoint;
        const QString folder = mountPoint + "/data";
        leaveStaleLock(folder);
        QFile filler(mountPoint + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) { }
        filler.close();

        QProcess heir;
        startHolder(heir, folder);
        QProcess other;
        other.start(QStringLiteral(SINGLE_INSTANCE_HOLDER), { folder });
        QVERIFY(other.waitForFinished(10000));
        QCOMPARE(other.exitCode(), 3);
        QVERIFY(heir.waitForReadyRead(5000));
        QCOMPARE(heir.readLine().trimmed(), QByteArray("raised"));
        heir.kill();
        heir.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
