#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QObject;

namespace tunewalk {

// A mounted volume as the "My Computer" view shows it.
struct Volume {
    QString root;      // mount point with its trailing separator ("/", "/media/usb/")
    QString iconKey;   // "Floppy" (removable), "NetDrive", "CD", or "Drive"
    QString label;     // the volume's name, or its root when it has none
    bool ready = true; // false when the root cannot be opened (an empty drive, a dead mount)
};

// Root, home, removable media and network mounts, in the system's order; pseudo file systems
// (proc, sysfs, tmpfs, overlays of snaps, ...) are left out. Read from the mount table alone:
// no mount is touched, since a hung network mount blocks any call on it. So every label is the
// root and every volume counts as ready; gatherVolumes learns the truth.
QList<Volume> mountedVolumes();

// The mounted volumes with their labels and readiness, found on one worker thread per mount
// (a dead mount delays no other). A mount that does not answer within the time limit is
// reported not ready; mount points that are no folders (single files bound by containers)
// are left out. `done` runs once on `context`'s thread, with the volumes in mountedVolumes'
// order, when every mount has answered or the limit is over; never after `context` is gone.
void gatherVolumes(QObject* context, std::function<void(QList<Volume>)> done);

// The same for given mounts and a given check, run on the workers: it completes one volume
// (label, ready) or says it is no volume at all.
using VolumeCheck = std::function<std::optional<Volume>(Volume)>;
void gatherVolumes(QList<Volume> mounts, VolumeCheck check, int limitMs, QObject* context,
                   std::function<void(QList<Volume>)> done);

// The volume whose root is `path` (with or without its trailing separator), if any. Reads
// the mount table only.
bool isVolumeRoot(const QString& path);

} // namespace tunewalk
