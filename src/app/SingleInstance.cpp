// The lock file decides who runs; the socket only carries the request to come to the front, so
// a missing or stale socket never lets two copies run on one folder.
#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace {

const QByteArray raiseRequest = QByteArrayLiteral("raise\n");
constexpr int connectTimeoutMs = 2000;

} // namespace

SingleInstance::SingleInstance(QString dataFolder, QObject* parent)
    : QObject(parent)
    , m_dataFolder(std::move(dataFolder))
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName(const QString& dataFolder)
{
    // Hashed so that any path gives a short, safe name; the user id keeps two users' copies
    // apart, since the sockets of all users share one temporary folder.
    const QString canonical = QFileInfo(dataFolder).canonicalFilePath();
    const QString path =
        canonical.isEmpty() ? QDir::cleanPath(QFileInfo(dataFolder).absoluteFilePath()) : canonical;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray::number(static_cast<qulonglong>(::getuid())));
    hash.addData(QByteArray(1, '\0'));
    hash.addData(path.toUtf8());
    return QStringLiteral("sapperly-") + QString::fromLatin1(hash.result().toHex().left(32));
}

SingleInstance::Claim SingleInstance::claim()
{
    if (m_lock)
        return Claim::first;
    QDir().mkpath(m_dataFolder);
    auto lock = std::make_unique<QLockFile>(m_dataFolder + QStringLiteral("/sapperly.lock"));
    // A game runs for hours: the lock may never go stale by age, only when its owner is gone,
    // which QLockFile finds out by the process id it stored.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_lock = std::move(lock);
        listen();
        return Claim::first;
    }
    if (lock->error() != QLockFile::LockFailedError) {
        std::fprintf(stderr,
            "Sapperly cannot make sure that it runs only once on %s (no lock file can be made "
            "there); starting anyway.\n",
            qPrintable(QDir::toNativeSeparators(m_dataFolder)));
        return Claim::first;
    }
    if (askToRaise())
        std::fputs("Sapperly is already running; its window was brought to the front.\n", stdout);
    else
        std::fputs("Sapperly is already running on this data folder.\n", stdout);
    return Claim::alreadyRunning;
}

void SingleInstance::listen()
{
    const QString name = serverName(m_dataFolder);
    // Holding the lock makes the name ours: a socket file still there was left by a copy that
    // crashed, and is cleared rather than left to how listen treats it.
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
    QLocalSocket socket;
    socket.connectToServer(serverName(m_dataFolder));
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
