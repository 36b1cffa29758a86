#pragma once

#include "foldertree/TreeVolume.h"

#include <QList>
#include <QString>
#include <functional>

namespace tunewalk {

// What the tree needs to know about the machine. The host supplies it, so the control never
// discovers drives or special folders itself and tests can stand temporary folders in for them.
struct TreefolderEnvironment {
    QString desktop;   // empty: no Desktop root, My Computer becomes the root
    QString documents; // empty or not a folder: no My Documents node
    // Asked when the tree is built, when My Computer is expanded and when a volume is expanded
    // or clicked (to learn whether it is ready).
    std::function<QList<TreeVolume>()> volumes;
};

} // namespace tunewalk
