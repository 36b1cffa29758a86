#pragma once

#include <QString>

namespace tunewalk {

// A file size as the program shows it everywhere (the list, the properties sheet): "1023 B",
// "1.04 KB", "1 MB", in units of 1024 with two decimals at most, cut, not rounded.
QString formatSize(qint64 bytes);

} // namespace tunewalk
