// SPDX-License-Identifier: GPL-3.0-or-later
// One running copy per data folder: in one process, across processes, after a crash, on a full
// or read-only disk, and with the socket out of other accounts' reach.
#include "app/SingleInstance.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

class SingleInstanceTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // Starts this program as "--hold FOLDER" (see main), as another account through asOther.
    static void hold(QProcess& p, const QString& folder, QStringList asOther = {})
    {
        asOther << QCoreApplication::applicationFilePath() << "--hold" << folder;
        p.start(asOther.takeFirst(), asOther);
    }
    static bool says(QProcess& p, const char* line)
    {
        return p.waitForReadyRead(10000) && p.readLine().trimmed() == line;
    }
    // A launch that must end at once: its exit status, -1 when it did not end.
    static int holdLater(const QString& folder, const QStringList& asOther = {})
    {
        QProcess process;
        hold(process, folder, asOther);
        return process.waitForFinished(10000) ? process.exitCode() : -1;
    }
    static bool makeFolder(const QString& path, mode_t mode)
    {
        return QDir().mkpath(path) && ::chmod(QFile::encodeName(path), mode) == 0;
    }

private slots:
    void cleanupTestCase() { QProcess::execute("umount", { "-l", m_dir.filePath("crash full") }); }

    void inOneProcessWithTheSocketOutOfOtherAccountsReach()
    {
        // $XDG_RUNTIME_DIR holds the socket only when it is a folder of ours that nobody else may
        // enter; otherwise the socket goes beside the lock in the data folder.
        const QString folder = m_dir.filePath("a"), runtime = m_dir.filePath("runtime");
        const QString open = m_dir.filePath("open");
        QVERIFY(makeFolder(runtime, 0700) && makeFolder(open, 0755));
        const QList<QPair<QString, QString>> rows { { runtime, runtime }, { open, folder },
            { "", folder }, { "relative", folder }, { m_dir.filePath("missing"), folder } };
        for (const auto& [environment, socketFolder] : rows) {
            qputenv("XDG_RUNTIME_DIR", environment.toLocal8Bit());
            const QString path = SingleInstance::socketPath(folder);
            QCOMPARE(QFileInfo(path).absolutePath(), socketFolder);
            QVERIFY(SingleInstance::socketPath(m_dir.filePath("b")) != path);
            // Each round claims the folder anew: the copy of the round before let it go.
            SingleInstance first(folder), second(runtime + "/../a/");
            QSignalSpy raised(&first, &SingleInstance::raiseRequested);
            QCOMPARE(first.claim(), SingleInstance::Claim::first);
            QCOMPARE(second.claim(), SingleInstance::Claim::alreadyRunning);
            QVERIFY(raised.wait(5000));
            QCOMPARE(SingleInstance(m_dir.filePath("b")).claim(), SingleInstance::Claim::first);
            struct stat info { };
            QVERIFY2(::lstat(QFile::encodeName(path), &info) == 0, qPrintable(path));
            QVERIFY(S_ISSOCK(info.st_mode) && (info.st_mode & 077) == 0);
        }
    }

    void laterLaunchesAreKeptOutAndRaiseTheCopyThatRuns()
    {
        // Permission bits do not bind root, so as root the later launches on a read-only folder
        // run as nobody; they have a private runtime folder of their own.
        QStringList asOther;
        const QString runtime = m_dir.filePath("runtime-other");
        QVERIFY(makeFolder(runtime, 0700));
        if (::geteuid() == 0) {
            asOther = QStringList { "setpriv", "--reuid=65534", "--regid=65534", "--clear-groups" };
            QVERIFY(::chmod(QFile::encodeName(m_dir.path()), 0755) == 0);
            QVERIFY(::chown(QFile::encodeName(runtime), 65534, 65534) == 0);
        }
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
        // The first copy lives on or crashes, leaving its lock and socket. After a crash the next
        // copy runs, without the lock when it cannot clear it, and keeps later launches out. The
        // full disk comes last: it needs root to mount.
        for (const QString row :
            { "live", "crash", "live read-only", "crash read-only", "crash full" }) {
            const bool crash = row.startsWith("crash"), readOnly = row.endsWith("only");
            const QString top = m_dir.filePath(row), folder = top + "/data";
            QVERIFY(QDir().mkpath(top));
            if (row.endsWith("full") &&
                QProcess::execute("mount", { "-t", "tmpfs", "-o", "size=128k", "tmpfs", top })) {
                QVERIFY2(qgetenv("CI") != "true", "a tmpfs could not be mounted (needs root)");
                QSKIP("a tmpfs could not be mounted (needs root)");
            }
            QProcess first, next;
            hold(first, folder);
            QVERIFY(says(first, "holding"));
            if (crash)
                first.kill(), first.waitForFinished();
            QVERIFY(QFileInfo::exists(folder + "/sapperly.lock"));
            QFile filler(top + "/filler");
            if (row.endsWith("full") && filler.open(QIODevice::WriteOnly))
                while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) { }
            QVERIFY(::chmod(QFile::encodeName(folder), readOnly ? 0555 : 0755) == 0);
            const QStringList later = readOnly ? asOther : QStringList {};
            if (crash)
                hold(next, folder, later);
            QVERIFY2(!crash || says(next, "holding"), qPrintable(row));
            if (crash && readOnly) {
                QByteArray warning;
                QTRY_VERIFY((warning += next.readAllStandardError()).contains("cannot clear it"));
                QVERIFY(QFileInfo::exists(folder + "/sapperly.lock"));
            }
            QCOMPARE(holdLater(folder, later), 3);
            // A live owner keeps its folder even where a later launch can neither write in it
            // nor reach the owner's socket.
            QVERIFY2((!crash && readOnly) || says(crash ? next : first, "raised"), qPrintable(row));
            for (QProcess* process : { &first, &next })
                process->kill(), process->waitForFinished();
            QVERIFY(::chmod(QFile::encodeName(folder), 0755) == 0);
        }
    }
};

// As "--hold FOLDER" this program stands in for a running game: it holds the folder and prints
// "holding", then "raised" for every request to come to the front; 3 when it is taken.
int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (argc != 3 || qstrcmp(argv[1], "--hold") != 0) {
        SingleInstanceTest test;
        return QTest::qExec(&test, argc, argv);
    }
    SingleInstance instance(QString::fromLocal8Bit(argv[2]));
    if (instance.claim() != SingleInstance::Claim::first)
        return 3;
    const auto say = [](const char* line) { std::puts(line), std::fflush(stdout); };
    QObject::connect(&instance, &SingleInstance::raiseRequested, [&] { say("raised"); });
    say("holding");
    return QCoreApplication::exec();
}
#include "SingleInstanceTest.moc"
