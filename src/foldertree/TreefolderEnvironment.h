#pragma once

#include "foldertree/TreeVolume.h"

#include <QList>
#include <QString>
#include <functional>

class QObject;

namespace tunewalk {

// What the tree needs to know about the machine. The host supplies it, so the control never
// discovers drives or special folders itself and tests can stand temporary folders in for them.
struct TreefolderEnvironment {
    QString desktop;   // empty: no Desktop root, My Computer becomes the root
    QString documents; // empty or not a folder: no My Documents node
    // Asked when the tree is built, when My Computer is expanded and when a volume is expanded
    // or clicked, so it must be quick and must not touch the mounts (a dead one hangs).
    std::function<QList<TreeVolume>()> volumes;
    // Optional: finds the volumes' labels and readiness off the window thread and calls `done`
    // on `context`'s thread. Asked when the tree is built and when My Computer is expanded;
    // what it finds replaces what `volumes` said.
    std::function<void(QObject* context, std::function<void(QList<TreeVolume>)> done)>
        gatherVolumes;
    // Whether a folder has a sub-folder the tree would show; runs on worker threads. Empty:
    // the tree reads the folder.
    std::function<bool(const QString& folder)> hasSubFolder;
};

} // namespace tunewalk
