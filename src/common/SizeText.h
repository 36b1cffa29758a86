#pragma once

#include <QString>

namespace tunewalk {

// A file size as the program shows it everywhere (the list, the properties sheet): "1023 B",
// "1.04 KB", "1 MB", in units of 1024 with two decimals at most, cut, not rounded.
QString formatSize(qint64 bytes);

// A size with its exact byte count, as the properties sheet shows it: "1 byte", "1,000 bytes"
// under 1 KB, "1.43 MB (1,500,000 bytes)" above, in the user's locale.
QString formatSizeWithBytes(qint64 bytes);

} // namespace tunewalk
