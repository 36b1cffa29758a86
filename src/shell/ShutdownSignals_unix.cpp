#include "shell/ShutdownSignals.h"

#include <QSocketNotifier>
#include <QtGlobal>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tunewalk {

namespace {

// The self-pipe: the handler may only do async-signal-safe things, so it writes one byte and the
// event loop, woken by the read end, does the rest. One ShutdownSignals lives at a time.
int s_fds[2] = {-1, -1};
struct sigaction s_oldTerm;
struct sigaction s_oldInt;

extern "C" void onShutdownSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe already has a wake-up in it; losing this byte loses nothing.
    if (::write(s_fds[0], &byte, 1) < 0) {
    }
    errno = savedErrno;
}

void setFlags(int fd) {
    ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

} // namespace

ShutdownSignals::ShutdownSignals(QObject* parent) : QObject(parent) {
    Q_ASSERT(s_fds[0] < 0);
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, s_fds) != 0) {
        qWarning("Tunewalk: no shutdown signal pipe (errno %d); SIGTERM ends the program at once",
                 errno);
        s_fds[0] = s_fds[1] = -1;
        return;
    }
    setFlags(s_fds[0]);
    setFlags(s_fds[1]);

    auto* notifier = new QSocketNotifier(s_fds[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        // Several signals in a row still mean one request to close.
        char buffer[64];
        while (::read(s_fds[1], buffer, sizeof buffer) > 0) {
        }
        emit shutdownRequested();
    });

    struct sigaction action = {};
    action.sa_handler = onShutdownSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &s_oldTerm);
    ::sigaction(SIGINT, &action, &s_oldInt);
}

ShutdownSignals::~ShutdownSignals() {
    if (s_fds[0] < 0) return;
    // Back to what was there before (the default, normally), before the pipe goes away.
    ::sigaction(SIGTERM, &s_oldTerm, nullptr);
    ::sigaction(SIGINT, &s_oldInt, nullptr);
    qDeleteAll(findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly));
    ::close(s_fds[0]);
    ::close(s_fds[1]);
    s_fds[0] = s_fds[1] = -1;
}

} // namespace tunewalk
