#pragma once

#include <QString>

namespace tunewalk {

// One mounted volume as the host sees it; My Computer shows one node per volume.
struct TreeVolume {
    QString root;      // mount point with its trailing separator: "/" or "/media/usb/"
    QString label;     // display text; the tree shows it in upper case
    QString iconKey;   // "Floppy", "NetDrive", "CD" or "Drive"
    bool ready = true; // false for a drive without its medium: expanding it reports
                       // DriveNotReadyError
};

} // namespace tunewalk
