#pragma once

#include <QString>
#include <QtGlobal>

namespace tunewalk::history {

// Whole files the history keeps so a change that replaced a file can be taken back: the old
// version after a tag save rewrote it, the new one after that save was undone. They live in a
// folder beside the history's database, as hard links where the file is on the same drive (no
// copy is made and the space is the old file's own), as copies elsewhere.
QString keptFolderFor(const QString& storePath);
// A fresh name in `folder` for a version of `path`: the time first (the oldest go first), then
// the file's own name for whoever looks into the folder.
QString newKeptPath(const QString& folder, const QString& path);
// Keeps the file at `path` as `kept`: a hard link, or a flushed copy across drives. Empty when
// it went, else the system's reason.
QString keepFile(const QString& path, const QString& kept);
// Puts the kept file back at `path`, over what is there, in one step (a rename on the same
// drive; across drives a copy beside `path` renamed over it), with the kept file's time. The
// kept file is gone afterwards. Empty when it went, else the system's reason.
QString restoreFile(const QString& kept, const QString& path);

constexpr qint64 DefaultMaxKeptBytes = qint64(2) * 1024 * 1024 * 1024;
// Removes kept files older than `maxAgeDays` before `nowMs`, then the oldest until what the
// rest hold alone (a hard link to a file still in its folder holds nothing) is at most
// `maxBytes`. The changes they were kept for then say they can no longer be undone.
void pruneKept(const QString& folder, qint64 maxBytes, int maxAgeDays, qint64 nowMs);

} // namespace tunewalk::history
