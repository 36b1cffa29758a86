#pragma once

#include "common/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <map>

namespace tunewalk {

// Where an item went in the Trash: the item in the Trash's files folder and the record of its
// original place beside them (empty where the platform's Trash keeps its own records).
struct TrashEntry {
    QByteArray file, info;
};

// Moves a file, folder or link into the user's Trash (the Recycle Bin on Windows) and, given
// `made`, tells where it went. A failure, naming the item and why, when the Trash cannot take it;
// it is then left where it was, never deleted.
Result moveToTrash(const QString& path);
// The same for a path in the file system's own bytes, which need not be valid UTF-8.
Result moveToTrash(const QByteArray& nativePath, TrashEntry* made = nullptr);
// Puts the item of `entry` back at `original`, which must be free (nothing there is ever
// replaced), and removes its record. A failure, naming `original` and why, when it cannot.
Result restoreFromTrash(const TrashEntry& entry, const QString& original);

// The items the Trash holds for these original places, trashed at or after `since` (the
// newest of each): for a run cut short after it trashed items and before it noted where they
// went. Each Trash folder is read once, by raw names.
std::map<QString, TrashEntry> findInTrash(const QStringList& originals, const QDateTime& since);

// What the Trash is called on this desktop, for questions and messages.
QString trashName();

} // namespace tunewalk
