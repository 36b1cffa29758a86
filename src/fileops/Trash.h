#pragma once

#include <QByteArray>
#include <QString>

namespace tunewalk {

// Moves a file, folder or link into the user's Trash (the Recycle Bin on Windows). False, with
// `why` filled, when the Trash cannot take it; it is then left where it was, never deleted.
bool moveToTrash(const QString& path, QString* why);
// The same for a path in the file system's own bytes, which need not be valid UTF-8.
bool moveToTrash(const QByteArray& nativePath, QString* why);

// What the Trash is called on this desktop, for questions and messages.
QString trashName();

} // namespace tunewalk
