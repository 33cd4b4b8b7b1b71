// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps one running copy of the game per data folder. The first launch holds a lock file in the
// folder and listens on a local socket; a later launch on the same folder asks it to come to the
// front instead of playing a second game on the same files.
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;
class QWidget;

class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Claim {
        /// This copy runs the game: it holds the lock and answers later launches.
        first,
        /// Another copy holds the folder; it was asked to come to the front when it could be
        /// reached.
        alreadyRunning,
    };

    explicit SingleInstance(QString dataFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    /// Takes the folder's lock or hands over to the copy that holds it or answers on the socket.
    /// A lock left by a copy that no longer runs is taken over. When no lock can be made or
    /// cleared (a full or read-only disk) the game still runs, with a warning on standard error,
    /// since refusing to start would help nobody; its socket then keeps later launches out.
    [[nodiscard]] Claim claim();

    /// Where the socket for a folder lives: in $XDG_RUNTIME_DIR when that is a folder only this
    /// user may enter, otherwise in the data folder itself. The same for every launch of one
    /// user on one folder.
    [[nodiscard]] static QString socketPath(const QString& dataFolder);

    /// Brings window to the front on every later request.
    void raiseOnRequest(QWidget& window);

signals:
    /// A later launch on the same folder asked this copy to come to the front.
    void raiseRequested();

private:
    void listen();
    [[nodiscard]] bool askToRaise() const;

    QString m_dataFolder;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};
