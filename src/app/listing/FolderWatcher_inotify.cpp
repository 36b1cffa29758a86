// Linux: raw inotify, because a directory watch through QFileSystemWatcher does not report a
// file rewritten in place (as a tag editor does). inotify sees no changes made by other
// machines, so on network and FUSE file systems the folder's stat is also compared every two
// seconds.
#include "app/listing/FolderWatcher.h"

#include "common/Detached.h"

#include "common/NativePath.h"
#include "common/ReturnAddress.h"

#include <QSet>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace tunewalk {
namespace {

constexpr int gatherMs = 120;
constexpr int remoteCheckMs = 2000;
constexpr uint32_t watchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                               IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF |
                               IN_ONLYDIR;

// One inotify instance per watched folder, shared with the worker that adds the watch: it is
// closed (dropping the watch) once neither still needs it, so the window thread never waits
// for a hanging add, and an abandoned folder reports nothing more.
struct Inotify {
    int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ~Inotify() {
        if (fd >= 0) ::close(fd);
    }
};

// What the periodic check compares: the folder's identity and modification time.
struct Stamp {
    int error = 0; // errno of the stat, 0 when it succeeded
    dev_t device = 0;
    ino_t inode = 0;
    time_t seconds = 0;
    long nanoseconds = 0;
    bool operator==(const Stamp&) const = default;
    bool gone() const { return error == ENOENT || error == ENOTDIR || error == ESTALE; }
};

Stamp stampOf(const QByteArray& path) {
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) return {.error = errno};
    return {.device = st.st_dev,
            .inode = st.st_ino,
            .seconds = st.st_mtim.tv_sec,
            .nanoseconds = st.st_mtim.tv_nsec};
}

// File systems whose contents other machines (or a FUSE daemon) change behind inotify's back.
bool isRemote(const QByteArray& path) {
    struct statfs fs {};
    if (::statfs(path.constData(), &fs) != 0) return false;
    switch (static_cast<quint32>(fs.f_type)) {
    case 0x6969:     // NFS
    case 0x517B:     // SMB
    case 0xFF534D42: // CIFS
    case 0xFE534D42: // SMB2
    case 0x65735546: // FUSE (sshfs, virtiofs, ...)
    case 0x01021997: // 9P
    case 0x5346414F: // AFS
    case 0x6B414653: // kAFS
    case 0x00C36400: // Ceph
    case 0x73757245: // Coda
    case 0x0BD00BD0: // Lustre
    case 0x01161970: // GFS2
    case 0x7461636F: // OCFS2
    case 0x786F4256: // VirtualBox shared folders
        return true;
    default:
        return false;
    }
}

} // namespace

struct FolderWatcher::Private {
    explicit Private(FolderWatcher* owner) : q(owner) {}
    FolderWatcher* q;
    quint64 generation = 0; // tells results of the folder now watched from older ones
    std::shared_ptr<ReturnAddress> address;
    std::shared_ptr<Inotify> inotify;
    QSocketNotifier* notifier = nullptr;
    QTimer gather;
    QStringList names;
    QSet<QString> seen;
    bool overflow = false;
    QTimer check;
    bool checkPending = false;
    Stamp stamp;

    void drop();
    void started(bool added, bool remote, const Stamp& first);
    void readEvents();
    void flush();
    void startCheck();
    void checked(const Stamp& now);
    void goneAway() {
        drop();
        emit q->folderGone();
    }
};

void FolderWatcher::Private::drop() {
    ++generation;
    if (address) address->close();
    address.reset();
    if (notifier) {
        // May run inside the notifier's own signal.
        notifier->setEnabled(false);
        notifier->deleteLater();
        notifier = nullptr;
    }
    inotify.reset();
    gather.stop();
    names.clear();
    seen.clear();
    overflow = false;
    check.stop();
    checkPending = false;
}

void FolderWatcher::Private::started(bool added, bool remote, const Stamp& first) {
    stamp = first;
    if (first.gone()) return goneAway();
    // Without a watch (e.g. the system's limit of watches reached) the check stands in for it.
    if (added && !remote && q->m_forcedCheckMs == 0) return;
    check.start(q->m_forcedCheckMs > 0 ? q->m_forcedCheckMs : remoteCheckMs);
}

void FolderWatcher::Private::readEvents() {
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t length = ::read(inotify->fd, buffer, sizeof buffer);
        if (length < 0 && errno == EINTR) continue;
        if (length <= 0) break;
        for (const char* at = buffer; at < buffer + length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            at += sizeof(inotify_event) + event->len;
            if (event->mask & IN_Q_OVERFLOW) {
                overflow = true;
            } else if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED)) {
                return goneAway();
            } else if (event->len > 0) {
                const QString name = fromNativePath(QByteArray(event->name));
                if (!seen.contains(name)) {
                    seen.insert(name);
                    names.append(name);
                }
            }
        }
    }
    // A fixed window from the first event, so a steady stream is still delivered in time.
    if ((overflow || !names.isEmpty()) && !gather.isActive()) gather.start(gatherMs);
}

void FolderWatcher::Private::flush() {
    const bool lost = std::exchange(overflow, false);
    const QStringList changed = std::exchange(names, {});
    seen.clear();
    if (lost)
        emit q->folderChanged();
    else if (!changed.isEmpty())
        emit q->entriesChanged(changed);
}

void FolderWatcher::Private::startCheck() {
    // A stat on a dead mount may never return: one at a time, never a pile of threads.
    if (checkPending) return;
    checkPending = true;
    runDetached([this, address = address, path = toNativePath(q->m_folder), ticket = generation] {
        const Stamp now = stampOf(path);
        address->post([this, now, ticket] {
            if (ticket == generation) checked(now);
        });
    });
}

void FolderWatcher::Private::checked(const Stamp& now) {
    checkPending = false;
    if (now.gone()) return goneAway();
    if (now.error != 0 || now == stamp) return; // a passing failure changes nothing
    stamp = now;
    emit q->folderChanged();
}

FolderWatcher::FolderWatcher(QObject* parent)
    : QObject(parent), d(std::make_unique<Private>(this)) {
    d->gather.setSingleShot(true);
    connect(&d->gather, &QTimer::timeout, this, [this] { d->flush(); });
    connect(&d->check, &QTimer::timeout, this, [this] { d->startCheck(); });
}

FolderWatcher::~FolderWatcher() {
    d->drop();
}

void FolderWatcher::watch(const QString& folder) {
    d->drop();
    m_folder = folder;
    if (folder.isEmpty()) return;
    d->address = ReturnAddress::to(this);
    d->inotify = std::make_shared<Inotify>();
    if (d->inotify->fd >= 0) {
        d->notifier = new QSocketNotifier(d->inotify->fd, QSocketNotifier::Read, this);
        connect(d->notifier, &QSocketNotifier::activated, this, [this] { d->readEvents(); });
    }
    // Adding the watch resolves the path, which can hang on a dead mount.
    runDetached([p = d.get(), address = d->address, inotify = d->inotify,
                 path = toNativePath(folder), ticket = d->generation] {
        const bool added =
            inotify->fd >= 0 && inotify_add_watch(inotify->fd, path.constData(), watchMask) >= 0;
        const bool remote = isRemote(path);
        const Stamp first = stampOf(path);
        address->post([p, ticket, added, remote, first] {
            if (ticket == p->generation) p->started(added, remote, first);
        });
    });
}

} // namespace tunewalk
