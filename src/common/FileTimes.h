#pragma once

#include "common/Result.h"

#include <QString>
#include <optional>

namespace tunewalk {

// A file's modification time as the file system keeps it, to the nanosecond.
struct FileTime {
    qint64 seconds = 0;
    qint64 nanoseconds = 0;
    bool operator==(const FileTime&) const = default;
};

// The modification time of the file at `path` (links followed, asked by the path's exact
// bytes); nothing when the file cannot be looked at.
std::optional<FileTime> modificationTime(const QString& path);

// Sets the modification time of the file at `path` back to `time` and leaves its access time
// alone. Only the file's owner may do this, so it can fail on a file one may write.
Result setModificationTime(const QString& path, const FileTime& time);

} // namespace tunewalk
