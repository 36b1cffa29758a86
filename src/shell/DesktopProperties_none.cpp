// Platforms without a file manager reachable this way: the program's own dialog shows the
// properties (on Windows too, instead of the shell's sheet).
#include "shell/DesktopProperties.h"

namespace tunewalk {

bool showPropertiesOnDesktop(const QString&, std::function<void()>) {
    return false;
}

} // namespace tunewalk
