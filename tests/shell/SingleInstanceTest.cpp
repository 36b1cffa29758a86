#include "shell/SingleInstance.h"

#include "EventLoopWait.h"
#include "QtPrinters.h"
#include "common/NativePath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QUuid>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using tunewalk::SingleInstance;

namespace {

QString uniqueName() {
    return QStringLiteral("tunewalk-test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

QString socketPath(const QString& name) {
    return QDir::tempPath() + QLatin1Char('/') + name;
}

// What a copy killed with SIGKILL leaves behind: a bound socket file nobody listens on.
void leaveDeadSocketFile(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    ASSERT_LT(static_cast<size_t>(native.size()), sizeof address.sun_path);
    std::copy(native.begin(), native.end(), address.sun_path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

// What the running copy was asked for: the command line and the working folder.
using Requests = QList<QStringList>;

void record(SingleInstance& first, Requests& requests) {
    QObject::connect(&first, &SingleInstance::openRequested,
                     [&requests](const QString& line, const QString& folder) {
                         requests.append({line, folder});
                     });
}

TEST(SingleInstance, SecondStartHandsOverItsCommandLineAndStepsAsideUntilTheFirstHasEnded) {
    const QString name = uniqueName(), here = QDir::currentPath();
    // Blanks, a quote, a line break and a byte that is no valid text all arrive as they were.
    const QString song = "/x/y z.mp3", odd = "\"/x/\nb" + tunewalk::fromNativePath("\xe9") + "\"";
    Requests requests;
    {
        SingleInstance first(name);
        record(first, requests);
        ASSERT_TRUE(first.becomePrimary("/first/start"));
        EXPECT_TRUE(first.becomePrimary()) << "asking again changes nothing";
        for (const QString& line : {song, QString(), odd}) {
            SingleInstance later(name);
            EXPECT_FALSE(later.becomePrimary(line));
        }
        EXPECT_TRUE(waitUntil([&] { return requests.size() == 3; }));
    }
    // With nothing to open, the window only comes forward.
    EXPECT_EQ(requests, (Requests{{song, here}, {"", ""}, {odd, here}}));
    EXPECT_FALSE(QFileInfo::exists(socketPath(name))) << "the socket file is cleaned up";
    SingleInstance next(name);
    EXPECT_TRUE(next.becomePrimary());
}

TEST(SingleInstance, LeftoversOfACrashDoNotBlockTheNextStart) {
    for (const bool realSocket : {true, false}) {
        SCOPED_TRACE(realSocket ? "dead socket file" : "plain file in the way");
        const QString name = uniqueName(), path = socketPath(name);
        if (realSocket)
            leaveDeadSocketFile(path);
        else
            QFile(path).open(QIODevice::WriteOnly);
        ASSERT_TRUE(QFileInfo::exists(path));

        SingleInstance restarted(name);
        Requests requests;
        record(restarted, requests);
        EXPECT_TRUE(restarted.becomePrimary());

        // And it really is the one listening now.
        SingleInstance later(name);
        EXPECT_FALSE(later.becomePrimary());
        EXPECT_TRUE(waitUntil([&] { return requests.size() == 1; }));
    }
}

// What arrives in pieces is put together; what cannot be read, or stops half-way, only raises
// the window; nothing makes the running copy read without end.
TEST(SingleInstance, MessagesInPiecesGarbledOrCutOff) {
    const QByteArray big = QByteArray::number(1 << 30);
    const struct {
        const char* what;
        QList<QByteArray> pieces;
        Requests expected;
    } cases[] = {
        {"split anywhere", {"op", "en 4 ", "4\n/tm", "p/a b"}, {{"/a b", "/tmp"}}},
        {"two in one piece", {"open 0 1\nxraise\n"}, {{"x", ""}, {"", ""}}},
        {"an earlier version's raise", {"raise\n"}, {{"", ""}}},
        {"unknown words", {"hello there\nopen 0 1\nx"}, {{"", ""}}},
        {"sizes out of bounds", {"open 0 " + big + "\n"}, {{"", ""}}},
        {"negative size", {"open -1 2\nab"}, {{"", ""}}},
        {"no line end", {QByteArray(100, 'a')}, {{"", ""}}},
        {"cut off", {"open 0 9\nabc"}, {{"", ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString name = uniqueName();
        SingleInstance first(name);
        Requests requests;
        record(first, requests);
        ASSERT_TRUE(first.becomePrimary());
        QLocalSocket peer;
        peer.connectToServer(name);
        ASSERT_TRUE(peer.waitForConnected(5000));
        for (const QByteArray& piece : c.pieces) {
            peer.write(piece);
            ASSERT_TRUE(peer.waitForBytesWritten(5000));
            QCoreApplication::processEvents(); // each piece read on its own
        }
        peer.disconnectFromServer();
        EXPECT_TRUE(waitUntil([&] { return requests.size() >= c.expected.size(); }));
        QCoreApplication::processEvents();
        EXPECT_EQ(requests, c.expected);
    }
}

} // namespace
