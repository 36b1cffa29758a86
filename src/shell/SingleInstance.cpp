#include "shell/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <utility>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace tunewalk {

namespace {

constexpr int ConnectTimeoutMs = 500;
constexpr int WriteTimeoutMs = 500;
const QByteArray RaiseMessage = QByteArrayLiteral("raise\n");
// A peer that sends more than this without a line break is not a copy of this program.
constexpr qsizetype MaxMessage = 256;

// Asks a running copy to raise its window; false when nobody is listening on `name`.
bool askPrimaryToRaise(const QString& name) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(ConnectTimeoutMs)) return false;
    socket.write(RaiseMessage);
    socket.flush();
    if (socket.bytesToWrite() > 0) socket.waitForBytesWritten(WriteTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(WriteTimeoutMs);
    return true;
}

} // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), m_name(std::move(name)) {}

SingleInstance::~SingleInstance() {
    // Closing removes the socket file, so the next start does not have to clean up after us.
    if (m_server) m_server->close();
}

QString SingleInstance::defaultName() {
    QString user = qEnvironmentVariable("USER");
#ifdef Q_OS_UNIX
    // The uid is there even when USER is not (services, some su sessions).
    if (user.isEmpty()) user = QString::number(::getuid());
#endif
    if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");
    return QStringLiteral("tunewalk-") + user;
}

bool SingleInstance::becomePrimary() {
    if (m_server && m_server->isListening()) return true;
    if (askPrimaryToRaise(m_name)) return false;

    if (!m_server) {
        m_server = new QLocalServer(this);
        // No socket options: with any access option Qt binds elsewhere and renames the socket
        // into place, silently taking the name from a copy that is running. The umask already
        // keeps other users from writing to (connecting to) the socket.
        connect(m_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* peer = m_server->nextPendingConnection()) {
                connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
                auto readMessages = [this, peer] {
                    while (peer->canReadLine()) {
                        if (peer->readLine().trimmed() == "raise") emit raiseRequested();
                    }
                    if (peer->bytesAvailable() > MaxMessage) peer->abort();
                };
                connect(peer, &QLocalSocket::readyRead, this, readMessages);
                // The whole message can be in before the connection is handed to us.
                readMessages();
            }
        });
    }

    if (m_server->listen(m_name)) return true;
    if (m_server->serverError() == QAbstractSocket::AddressInUseError) {
        // Either another copy started at the same moment and won, or a copy that crashed left
        // its socket file behind. Only the second may be cleaned up.
        if (askPrimaryToRaise(m_name)) return false;
        QLocalServer::removeServer(m_name);
        if (m_server->listen(m_name)) return true;
    }
    // Without the socket the program still runs; it just cannot be found by a second start.
    qWarning("Tunewalk: cannot listen on %s: %s", qPrintable(m_name),
             qPrintable(m_server->errorString()));
    return true;
}

} // namespace tunewalk
