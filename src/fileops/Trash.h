#pragma once

#include <QByteArray>
#include <QString>
#include <QDateTime>
#include <QStringList>
#include <map>

namespace tunewalk {

// Moves a file, folder or link into the user's Trash (the Recycle Bin on Windows). False, with
// `why` filled, when the Trash cannot take it; it is then left where it was, never deleted.
bool moveToTrash(const QString& path, QString* why);
// The same for a path in the file system's own bytes, which need not be valid UTF-8.
bool moveToTrash(const QByteArray& nativePath, QString* why);

// Where an item went in the Trash: the item in the Trash's files folder and the record of its
// original place beside them (empty where the platform's Trash keeps its own records).
struct TrashEntry {
    QByteArray file, info;
};
// moveToTrash that also tells where the item went.
bool moveToTrash(const QByteArray& nativePath, QString* why, TrashEntry* made);
// Puts the item of `entry` back at `original`, which must be free (nothing there is ever
// replaced), and removes its record. False, with `why` filled, when it cannot.
bool restoreFromTrash(const TrashEntry& entry, const QString& original, QString* why);

// The items the Trash holds for these original places, trashed at or after `since` (the
// newest of each): for a run cut short after it trashed items and before it noted where they
// went. Each Trash folder is read once, by raw names.
std::map<QString, TrashEntry> findInTrash(const QStringList& originals, const QDateTime& since);

// What the Trash is called on this desktop, for questions and messages.
QString trashName();

} // namespace tunewalk
