// Windows' Recycle Bin (and the macOS Trash), as Qt reaches them.
#include "fileops/Trash.h"

#include <QFile>
#include <QObject>

namespace tunewalk {

bool moveToTrash(const QString& path, QString* why) {
    QFile file(path);
    if (file.moveToTrash()) return true;
    *why = file.errorString();
    return false;
}

bool moveToTrash(const QByteArray& nativePath, QString* why) {
    return moveToTrash(QFile::decodeName(nativePath), why);
}

QString trashName() {
#ifdef Q_OS_WIN
    return QObject::tr("Recycle Bin");
#else
    return QObject::tr("Trash");
#endif
}

} // namespace tunewalk
