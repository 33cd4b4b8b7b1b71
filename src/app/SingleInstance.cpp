// SPDX-License-Identifier: GPL-3.0-or-later
// The lock file decides who runs; the socket only carries the request to come to the front, so
// a missing or stale socket never lets two copies run on one folder. Only where the lock cannot
// be had at all (a full or read-only disk) does the socket stand in for it.
#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QSysInfo>
#include <QWidget>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray raiseRequest = QByteArrayLiteral("raise\n");
constexpr int connectTimeoutMs = 2000;
// A lock file without readable contents is being written by a copy starting right now, unless it
// is older than this.
constexpr int unreadableLockGraceSeconds = 10;

// Only a folder that no other account can enter or write may hold the socket: elsewhere another
// user could make the name first and answer in our place.
bool isPrivateFolder(const QString& path)
{
    struct stat info { };
    return QDir::isAbsolutePath(path) && ::stat(QFile::encodeName(path).constData(), &info) == 0 &&
        S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

bool isOwnSocket(const QString& path)
{
    struct stat info { };
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISSOCK(info.st_mode) &&
        info.st_uid == ::geteuid();
}

QString executableName(qint64 pid)
{
    std::array<char, 4096> target {};
    const QByteArray link = "/proc/" + QByteArray::number(pid) + "/exe";
    const ssize_t length = ::readlink(link.constData(), target.data(), target.size());
    if (length <= 0)
        return {};
    QString name = QFileInfo(QFile::decodeName(QByteArray(target.data(), length))).fileName();
    // A program replaced by an upgrade while it runs.
    if (name.endsWith(QLatin1String(" (deleted)")))
        name.chop(10);
    return name;
}

// Whether the copy that wrote the lock still runs. Unknown answers count as running: refusing to
// start is the lesser harm than two copies writing one folder.
bool ownerRuns(const QLockFile& lock, const QString& lockPath)
{
    qint64 pid = 0;
    QString host;
    QString application;
    if (!lock.getLockInfo(&pid, &host, &application)) {
        const QDateTime written = QFileInfo(lockPath).lastModified();
        return written.isValid() &&
            written.secsTo(QDateTime::currentDateTime()) < unreadableLockGraceSeconds;
    }
    if (!host.isEmpty() && host != QSysInfo::machineHostName())
        return true;
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        return false;
    // The number may have been handed to another program since the owner died.
    const QString running = executableName(pid);
    return running.isEmpty() || application.isEmpty() ||
        running == QFileInfo(application).fileName();
}

} // namespace

SingleInstance::SingleInstance(QString dataFolder, QObject* parent)
    : QObject(parent)
    , m_dataFolder(std::move(dataFolder))
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketPath(const QString& dataFolder)
{
    const QString canonical = QFileInfo(dataFolder).canonicalFilePath();
    const QString path =
        canonical.isEmpty() ? QDir::cleanPath(QFileInfo(dataFolder).absoluteFilePath()) : canonical;
    const QString runtime = QDir::cleanPath(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    if (!isPrivateFolder(runtime))
        return path + QStringLiteral("/sapperly.socket");
    // Hashed so that any data folder gives a short, safe name.
    const QByteArray hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256);
    return runtime + QStringLiteral("/sapperly-") + QString::fromLatin1(hash.toHex().left(32));
}

SingleInstance::Claim SingleInstance::claim()
{
    if (m_lock)
        return Claim::first;
    QDir().mkpath(m_dataFolder);
    const QString lockPath = m_dataFolder + QStringLiteral("/sapperly.lock");
    auto lock = std::make_unique<QLockFile>(lockPath);
    // A game runs for hours: the lock may never go stale by age, only when its owner is gone,
    // which QLockFile finds out by the process id it stored.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_lock = std::move(lock);
        listen();
        return Claim::first;
    }
    // A running copy answers here even when it had to start without the lock.
    if (askToRaise()) {
        std::fputs("Sapperly is already running; its window was brought to the front.\n", stdout);
        return Claim::alreadyRunning;
    }
    const QString folder = QDir::toNativeSeparators(m_dataFolder);
    if (lock->error() != QLockFile::LockFailedError) {
        std::fprintf(stderr,
            "Sapperly cannot make sure that it runs only once on %s (no lock file can be made "
            "there); starting anyway.\n",
            qPrintable(folder));
    } else if (ownerRuns(*lock, lockPath)) {
        std::fputs("Sapperly is already running on this data folder.\n", stdout);
        return Claim::alreadyRunning;
    } else if (lock->removeStaleLockFile() && lock->tryLock(0)) {
        // QLockFile clears a stale lock only with room for a helper file beside it; without
        // that room the lock may still be removable by hand.
        m_lock = std::move(lock);
    } else {
        std::fprintf(stderr,
            "Sapperly found a lock on %s left by a copy that no longer runs, and cannot clear it "
            "(the disk may be full or read-only); starting anyway.\n",
            qPrintable(folder));
    }
    listen();
    return Claim::first;
}

void SingleInstance::listen()
{
    const QString name = socketPath(m_dataFolder);
    // Holding the lock, or having found nobody answering, makes the name ours: a socket file
    // still there was left by a copy that crashed, and is cleared rather than left to how listen
    // treats it.
    QLocalServer::removeServer(name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(name)) {
        // Later launches still find the lock and stop; they just cannot raise this window.
        std::fprintf(stderr, "Sapperly cannot listen for later launches: %s\n",
            qPrintable(m_server->errorString()));
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                // Anything else on the socket is not from a copy of this program.
                if (socket->readAll().startsWith(raiseRequest))
                    emit raiseRequested();
                socket->disconnectFromServer();
            });
        }
    });
}

bool SingleInstance::askToRaise() const
{
    const QString path = socketPath(m_dataFolder);
    // Whatever another account left under that name is not a copy of this program.
    if (!isOwnSocket(path))
        return false;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(connectTimeoutMs))
        return false;
    socket.write(raiseRequest);
    const bool sent = socket.waitForBytesWritten(connectTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

void SingleInstance::raiseOnRequest(QWidget& window)
{
    // The window is the connection's context, so the call never outlives it.
    connect(this, &SingleInstance::raiseRequested, &window, [&window] {
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
        window.show();
        window.raise();
        window.activateWindow();
    });
}
