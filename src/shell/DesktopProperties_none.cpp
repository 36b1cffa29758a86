// Platforms without a file manager reachable this way: the program's own dialog shows the
// properties (on Windows too, instead of the shell's sheet), and an item is shown by opening
// its folder.
#include "shell/DesktopProperties.h"

namespace tunewalk {

bool showPropertiesOnDesktop(const QString&, std::function<void()>) {
    return false;
}

bool showItemOnDesktop(const QString&, std::function<void()>) {
    return false;
}

} // namespace tunewalk
