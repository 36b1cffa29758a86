#include "shell/SingleInstance.h"

#include "common/NativePath.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <memory>
#include <utility>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace tunewalk {

namespace {

constexpr int ConnectTimeoutMs = 500;
constexpr int WriteTimeoutMs = 500;
// The first line says what follows: "open <folder bytes> <command line bytes>", then the two
// texts as the file system's bytes (UTF-8, and a name that is not valid text kept exact), so a
// name with blanks, quotes or even a line break arrives whole. The bare "raise" line of earlier
// versions still brings the window forward.
const QByteArray OpenWord = QByteArrayLiteral("open");
const QByteArray RaiseWord = QByteArrayLiteral("raise");
// A peer that sends more than this is not a copy of this program (a path is at most a few
// thousand bytes).
constexpr qsizetype MaxHeader = 64;
constexpr qsizetype MaxText = 64 * 1024;

QByteArray openMessage(const QString& commandLine, const QString& workingFolder) {
    const QByteArray folder = toNativePath(workingFolder), text = toNativePath(commandLine);
    return OpenWord + ' ' + QByteArray::number(folder.size()) + ' ' +
           QByteArray::number(text.size()) + '\n' + folder + text;
}

enum class Message { Incomplete, Complete, Garbled };

// Takes the first whole message off the front of `buffer`.
Message takeMessage(QByteArray& buffer, QString* commandLine, QString* workingFolder) {
    const qsizetype end = buffer.indexOf('\n');
    if (end < 0) return buffer.size() > MaxHeader ? Message::Garbled : Message::Incomplete;
    const QList<QByteArray> words = buffer.left(end).trimmed().split(' ');
    if (words == QList<QByteArray>{RaiseWord}) {
        buffer.remove(0, end + 1);
        commandLine->clear();
        workingFolder->clear();
        return Message::Complete;
    }
    if (words.size() != 3 || words[0] != OpenWord) return Message::Garbled;
    bool sizeOk = false, textOk = false;
    const qsizetype folderSize = words[1].toLongLong(&sizeOk);
    const qsizetype textSize = words[2].toLongLong(&textOk);
    if (!sizeOk || !textOk || folderSize < 0 || textSize < 0 || folderSize > MaxText ||
        textSize > MaxText)
        return Message::Garbled;
    if (buffer.size() - end - 1 < folderSize + textSize) return Message::Incomplete;
    *workingFolder = fromNativePath(buffer.mid(end + 1, folderSize));
    *commandLine = fromNativePath(buffer.mid(end + 1 + folderSize, textSize));
    buffer.remove(0, end + 1 + folderSize + textSize);
    return Message::Complete;
}

// Hands the command line to a running copy; false when nobody is listening on `name`.
bool handOver(const QString& name, const QString& commandLine) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(ConnectTimeoutMs)) return false;
    socket.write(commandLine.isEmpty() ? RaiseWord + '\n'
                                       : openMessage(commandLine, QDir::currentPath()));
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(WriteTimeoutMs)) {
    }
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

bool SingleInstance::becomePrimary(const QString& commandLine) {
    if (m_server && m_server->isListening()) return true;
    if (handOver(m_name, commandLine)) return false;

    if (!m_server) {
        m_server = new QLocalServer(this);
        // No socket options: with any access option Qt binds elsewhere and renames the socket
        // into place, silently taking the name from a copy that is running. The umask already
        // keeps other users from writing to (connecting to) the socket.
        connect(m_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* peer = m_server->nextPendingConnection()) {
                // A message may arrive in pieces; what has come so far waits here.
                auto buffer = std::make_shared<QByteArray>();
                auto readMessages = [this, peer, buffer] {
                    if (peer->isReadable()) buffer->append(peer->readAll());
                    QString commandLine, workingFolder;
                    for (;;) {
                        switch (takeMessage(*buffer, &commandLine, &workingFolder)) {
                        case Message::Complete:
                            emit openRequested(commandLine, workingFolder);
                            continue;
                        case Message::Incomplete:
                            return;
                        case Message::Garbled:
                            // Someone asked for the window, but what they sent is not clear.
                            buffer->clear();
                            emit openRequested({}, {});
                            peer->abort();
                            return;
                        }
                    }
                };
                connect(peer, &QLocalSocket::readyRead, this, readMessages);
                connect(peer, &QLocalSocket::disconnected, this,
                        [this, peer, buffer, readMessages] {
                            readMessages();
                            // Cut off in the middle (the other copy was killed): the window still
                            // comes forward.
                            if (!buffer->isEmpty()) {
                                buffer->clear();
                                emit openRequested({}, {});
                            }
                            peer->deleteLater();
                        });
                // The whole message can be in before the connection is handed to us.
                readMessages();
            }
        });
    }

    if (m_server->listen(m_name)) return true;
    if (m_server->serverError() == QAbstractSocket::AddressInUseError) {
        // Either another copy started at the same moment and won, or a copy that crashed left
        // its socket file behind. Only the second may be cleaned up.
        if (handOver(m_name, commandLine)) return false;
        QLocalServer::removeServer(m_name);
        if (m_server->listen(m_name)) return true;
    }
    // Without the socket the program still runs; it just cannot be found by a second start.
    qWarning("Tunewalk: cannot listen on %s: %s", qPrintable(m_name),
             qPrintable(m_server->errorString()));
    return true;
}

} // namespace tunewalk
