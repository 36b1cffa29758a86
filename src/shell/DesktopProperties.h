#pragma once

#include <QString>
#include <functional>

namespace tunewalk {

// Asks the desktop's file manager to show the properties of `path`. False when no file manager
// offers that; when it is asked but answers with an error, `otherwise` runs later instead.
bool showPropertiesOnDesktop(const QString& path, std::function<void()> otherwise);

// Asks the desktop's file manager to show `path` selected in its folder; false and `otherwise`
// as above.
bool showItemOnDesktop(const QString& path, std::function<void()> otherwise);

} // namespace tunewalk
