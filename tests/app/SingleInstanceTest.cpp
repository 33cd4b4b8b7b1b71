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
const QString holderProgram = QStringLiteral(SINGLE_INSTANCE_HOLDER);

// Runs a command to its end and returns its exit status, -1 when it did not end.
int run(QStringList command)
{
    QProcess process;
    process.start(command.takeFirst(), command);
    return process.waitForFinished(10000) ? process.exitCode() : -1;
}

bool makeFolder(const QString& path, mode_t mode)
{
    return QDir().mkpath(path) && ::chmod(QFile::encodeName(path), mode) == 0;
}

bool saysNext(QProcess& holder, const char* line)
{
    return holder.waitForReadyRead(10000) && holder.readLine().trimmed() == line;
}

} // namespace

// A macro so that the skip or failure ends the test itself; under CI a missing tool fails.
#define REQUIRE_OR_SKIP(available, what)                                                           \
    do {                                                                                           \
        if (!(available) && qEnvironmentVariable("CI") == QLatin1String("true"))                   \
            QFAIL(what);                                                                           \
        if (!(available))                                                                          \
            QSKIP(what);                                                                           \
    } while (false)

class SingleInstanceTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_mounted;

    // Starts a holder on folder (as another user when the prefix says so) and waits until it
    // has claimed it.
    static void startHolder(QProcess& holder, const QString& folder, QStringList prefix = {})
    {
        prefix << holderProgram << folder;
        holder.start(prefix.takeFirst(), prefix);
        QVERIFY(saysNext(holder, "holding"));
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

private slots:
    void cleanup()
    {
        if (!m_mounted.isEmpty())
            run({ "umount", "-l", m_mounted });
        m_mounted.clear();
        qunsetenv("XDG_RUNTIME_DIR");
    }

    void inOneProcess()
    {
        // The second copy on a folder raises the first; once the first quits, the folder is free.
        const QString a = m_dir.filePath("a");
        {
            SingleInstance first(a);
            SingleInstance second(a);
            QSignalSpy raised(&first, &SingleInstance::raiseRequested);
            QCOMPARE(first.claim(), SingleInstance::Claim::first);
            QCOMPARE(second.claim(), SingleInstance::Claim::alreadyRunning);
            QVERIFY(raised.wait(5000));
            QCOMPARE(raised.count(), 1);
            // Another folder has its own copy; spellings of one folder share one socket.
            SingleInstance other(m_dir.filePath("b"));
            QCOMPARE(other.claim(), SingleInstance::Claim::first);
            QVERIFY(
                SingleInstance::socketPath(a) != SingleInstance::socketPath(m_dir.filePath("b")));
            QCOMPARE(SingleInstance::socketPath(a),
                SingleInstance::socketPath(m_dir.filePath("b/../a/")));
        }
        SingleInstance next(a);
        QCOMPARE(next.claim(), SingleInstance::Claim::first);
    }

    void theSocketIsOutOfOtherAccountsReach()
    {
        // $XDG_RUNTIME_DIR is used only when it is a folder of ours that nobody else may enter;
        // otherwise the socket goes beside the lock in the data folder.
        const QString folder = m_dir.filePath("socket");
        const QString runtime = m_dir.filePath("runtime");
        const QString open = m_dir.filePath("open");
        QVERIFY(makeFolder(runtime, 0700) && makeFolder(open, 0755));
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

    void aCopyInAnotherProcessIsRaisedAndACrashedOneTakenOver()
    {
        const QString folder = m_dir.filePath("shared");
        QProcess holder;
        startHolder(holder, folder);
        SingleInstance late(folder);
        QCOMPARE(late.claim(), SingleInstance::Claim::alreadyRunning);
        QVERIFY(saysNext(holder, "raised"));
        // Killed without a chance to clean up, the holder leaves its lock and socket behind.
        holder.kill();
        QVERIFY(holder.waitForFinished());
        SingleInstance heir(folder);
        QCOMPARE(heir.claim(), SingleInstance::Claim::first);
        // The heir answers on the name the crashed copy left, and holds the folder for others.
        QSignalSpy raised(&heir, &SingleInstance::raiseRequested);
        QCOMPARE(run({ holderProgram, folder }), 3);
        QVERIFY(raised.wait(5000));
    }

    void aStaleLockOnAReadOnlyFolderDoesNotKeepTheGameOut()
    {
        // Permission bits do not bind root, so as root the later launches run as nobody.
        QStringList asOther;
        if (::geteuid() == 0) {
            const QString setpriv = QStandardPaths::findExecutable("setpriv");
            REQUIRE_OR_SKIP(!setpriv.isEmpty(), "setpriv (util-linux) is needed to run as nobody");
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
        QVERIFY(makeFolder(runtime, 0700));
        if (::geteuid() == 0)
            QVERIFY(::chown(QFile::encodeName(runtime), nobody, nobody) == 0);
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
        // A live owner keeps the folder even where a later launch can neither write nor reach it.
        QCOMPARE(run(asOther + QStringList { holderProgram, held }), 3);
        QProcess first;
        startHolder(first, folder, asOther);
        QByteArray warning;
        QTRY_VERIFY((warning += first.readAllStandardError()).contains("cannot clear it"));
        QVERIFY(QFileInfo::exists(folder + "/sapperly.lock"));
        // Running without the lock, the copy still keeps later launches out, and is raised.
        QCOMPARE(run(asOther + QStringList { holderProgram, folder }), 3);
        QVERIFY(saysNext(first, "raised"));
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
            run({ "mount", "-t", "tmpfs", "-o", "size=128k", "tmpfs", mountPoint }) == 0;
        REQUIRE_OR_SKIP(mounted, "a 128 KiB tmpfs could not be mounted (needs root)");
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
        QCOMPARE(run({ holderProgram, folder }), 3);
        QVERIFY(saysNext(heir, "raised"));
        heir.kill();
        heir.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
