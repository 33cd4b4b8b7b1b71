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

namespace {

// As "TEST --hold FOLDER" this program stands in for a running game: it holds the folder and
// prints "holding", then "raised" for every request to come to the front; 3 when it is taken.
int hold(const QString& folder)
{
    SingleInstance instance(folder);
    if (instance.claim() != SingleInstance::Claim::first)
        return 3;
    const auto say = [](const char* line) { std::puts(line), std::fflush(stdout); };
    QObject::connect(&instance, &SingleInstance::raiseRequested, [&] { say("raised"); });
    say("holding");
    return QCoreApplication::exec();
}

QStringList holder(const QString& folder, const QStringList& asOther = {})
{
    return asOther + QStringList { QCoreApplication::applicationFilePath(), "--hold", folder };
}

void start(QProcess& process, QStringList command)
{
    process.start(command.takeFirst(), command);
}

// The command's exit status, -1 when it did not end.
int run(const QStringList& command)
{
    QProcess process;
    start(process, command);
    return process.waitForFinished(10000) ? process.exitCode() : -1;
}

bool saysNext(QProcess& process, const char* line)
{
    return process.waitForReadyRead(10000) && process.readLine().trimmed() == line;
}

bool makeFolder(const QString& path, mode_t mode)
{
    return QDir().mkpath(path) && ::chmod(QFile::encodeName(path), mode) == 0;
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void cleanupTestCase() { run({ "umount", "-l", m_dir.filePath("full") }); }

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
        // Permission bits do not bind root, so as root the later launches run as nobody, with a
        // private runtime folder of their own.
        QStringList asOther;
        const QString runtime = m_dir.filePath("runtime-other");
        QVERIFY(makeFolder(runtime, 0700));
        if (::geteuid() == 0) {
            asOther = QStringList { "setpriv", "--reuid=65534", "--regid=65534", "--clear-groups" };
            QVERIFY(::chmod(QFile::encodeName(m_dir.path()), 0755) == 0);
            QVERIFY(::chown(QFile::encodeName(runtime), 65534, 65534) == 0);
        }
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
        // The first copy lives on or crashes (leaving its lock and socket); after a crash the
        // next copy runs, without the lock when it cannot clear it, and keeps later launches out.
        enum Disk { fine, readOnly, full };
        const struct {
            bool crash;
            Disk disk;
        } rows[] = { { false, fine }, { true, fine }, { false, readOnly }, { true, readOnly },
            { true, full } }; // last: it needs root
        int round = 0;
        for (const auto& [crash, disk] : rows) {
            const QString top = m_dir.filePath(disk == full ? "full" : QString::number(++round));
            const QString folder = top + "/data";
            QVERIFY(QDir().mkpath(top));
            const char* noTmpfs = "a 128 KiB tmpfs could not be mounted (needs root)";
            if (disk == full && run({ "mount", "-t", "tmpfs", "-o", "size=128k", "tmpfs", top })) {
                QVERIFY2(qgetenv("CI") != "true", noTmpfs); // never skipped under CI
                QSKIP(noTmpfs);
            }
            QProcess first, next;
            start(first, holder(folder));
            QVERIFY(saysNext(first, "holding"));
            if (crash) {
                first.kill();
                QVERIFY(first.waitForFinished());
            }
            QVERIFY(QFileInfo::exists(folder + "/sapperly.lock"));
            if (disk == readOnly)
                QVERIFY(::chmod(QFile::encodeName(folder), 0555) == 0);
            QFile filler(top + "/filler");
            if (disk == full && filler.open(QIODevice::WriteOnly))
                while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) { }
            const QStringList later = disk == readOnly ? asOther : QStringList {};
            if (crash) {
                start(next, holder(folder, later));
                QVERIFY(saysNext(next, "holding"));
            }
            if (crash && disk == readOnly) {
                QByteArray warning;
                QTRY_VERIFY((warning += next.readAllStandardError()).contains("cannot clear it"));
                QVERIFY(QFileInfo::exists(folder + "/sapperly.lock"));
            }
            QCOMPARE(run(holder(folder, later)), 3);
            // A live owner keeps its folder even where a later launch can neither write in it
            // nor reach the owner's socket.
            if (crash || disk != readOnly)
                QVERIFY(saysNext(crash ? next : first, "raised"));
            for (QProcess* process : { &first, &next })
                process->kill(), process->waitForFinished();
            QVERIFY(::chmod(QFile::encodeName(folder), 0755) == 0);
        }
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--hold") == 0)
        return hold(QString::fromLocal8Bit(argv[2]));
    SingleInstanceTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "SingleInstanceTest.moc"
