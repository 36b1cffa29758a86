#include "shell/SingleInstance.h"

#include "EventLoopWait.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

TEST(SingleInstance, SecondStartRaisesTheFirstAndStepsAsideUntilTheFirstHasEnded) {
    const QString name = uniqueName();
    int raises = 0;
    {
        SingleInstance first(name);
        QObject::connect(&first, &SingleInstance::raiseRequested, [&] { ++raises; });
        ASSERT_TRUE(first.becomePrimary());
        EXPECT_TRUE(first.becomePrimary()) << "asking again changes nothing";
        for (int start = 1; start <= 2; ++start) {
            SingleInstance later(name);
            EXPECT_FALSE(later.becomePrimary());
            EXPECT_TRUE(waitUntil([&] { return raises == start; })) << "raises: " << raises;
        }
    }
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
        int raises = 0;
        QObject::connect(&restarted, &SingleInstance::raiseRequested, [&] { ++raises; });
        EXPECT_TRUE(restarted.becomePrimary());

        // And it really is the one listening now.
        SingleInstance later(name);
        EXPECT_FALSE(later.becomePrimary());
        EXPECT_TRUE(waitUntil([&] { return raises == 1; }));
    }
}

} // namespace
