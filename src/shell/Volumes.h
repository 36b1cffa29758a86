#pragma once

#include <QList>
#include <QString>

namespace tunewalk {

// A mounted volume as the "My Computer" view shows it.
struct Volume {
    QString root;      // mount point with its trailing separator ("/", "/media/usb/")
    QString iconKey;   // "Floppy" (removable), "NetDrive", "CD", or "Drive"
    QString label;     // the volume's name, or its root when it has none
    bool ready = true; // false when the root cannot be opened (an empty drive)
};

// Root, home, removable media and network mounts, in the system's order; pseudo file systems
// (proc, sysfs, tmpfs, overlays of snaps, ...) are left out.
QList<Volume> mountedVolumes();

// The volume whose root is `path` (with or without its trailing separator), if any.
bool isVolumeRoot(const QString& path);

} // namespace tunewalk
