#pragma once

#include "common/Result.h"

#include <QString>
#include <cstdint>

namespace tunewalk {

class FileJob;

// Destroys a file, link or whole folder for good, entry by entry and by raw names, so it runs
// on a worker with progress and can be stopped: links go as links (never what they point to),
// each entry counts as an item done, and a cancel stops between entries (what went is gone,
// the rest stays). Another drive mounted inside the folder is left alone. A failure names the
// entry that could not go and why; a cancelled job is a failure without a reason.
Result removeItem(const QString& path, FileJob& job);

// Entries removeItem would remove (the item and, for a folder, everything in it).
std::int64_t countEntries(const QString& path, const FileJob& job);

} // namespace tunewalk
