// Systems without inotify: Qt's directory watch, which names no entries, so every change asks
// for a full comparison.
#include "app/listing/FolderWatcher.h"

#include "common/Detached.h"

#include "common/NativePath.h"
#include "common/ReturnAddress.h"

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QTimer>
#include <optional>
#include <thread>
#include <utility>

namespace tunewalk {

struct FolderWatcher::Private {
    explicit Private(FolderWatcher* owner) : q(owner) {}
    FolderWatcher* q;
    QFileSystemWatcher watcher;
    quint64 generation = 0;
    std::shared_ptr<ReturnAddress> address;
    QTimer check;
    bool checkPending = false;
    std::optional<QDateTime> modified; // the first check only takes it

    void drop() {
        ++generation;
        if (address) address->close();
        address.reset();
        if (!watcher.directories().isEmpty()) watcher.removePaths(watcher.directories());
        check.stop();
        checkPending = false;
        modified.reset();
    }

    // The test seam's check of the folder's time, one stat at a time on a worker.
    void startCheck() {
        if (checkPending) return;
        checkPending = true;
        runDetached([this, address = address, path = q->m_folder, ticket = generation] {
            const NativeFileInfo info = nativeFileInfo(path);
            address->post([this, info, ticket] {
                if (ticket != generation) return;
                checkPending = false;
                if (!info.isDir) {
                    drop();
                    emit q->folderGone();
                } else if (std::exchange(modified, info.modified).value_or(info.modified) !=
                           info.modified) {
                    emit q->folderChanged();
                }
            });
        });
    }
};

FolderWatcher::FolderWatcher(QObject* parent)
    : QObject(parent), d(std::make_unique<Private>(this)) {
    connect(&d->watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        // The watcher drops a folder that is gone.
        if (d->watcher.directories().isEmpty()) {
            d->drop();
            emit folderGone();
        } else {
            emit folderChanged();
        }
    });
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
    d->watcher.addPath(folder);
    if (m_forcedCheckMs > 0) {
        d->startCheck();
        d->check.start(m_forcedCheckMs);
    }
}

} // namespace tunewalk
