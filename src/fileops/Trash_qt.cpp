// Windows' Recycle Bin (and the macOS Trash), as Qt reaches them.
#include "fileops/Trash.h"

#include <QCoreApplication>
#include <QFile>
#include <QObject>

namespace tunewalk {

// The translation context of the Trash's name; the same one on every platform.
class Trash {
    Q_DECLARE_TR_FUNCTIONS(Trash)
};

bool moveToTrash(const QString& path, QString* why) {
    QFile file(path);
    if (file.moveToTrash()) return true;
    *why = file.errorString();
    return false;
}

bool moveToTrash(const QByteArray& nativePath, QString* why) {
    return moveToTrash(QFile::decodeName(nativePath), why);
}

bool moveToTrash(const QByteArray& nativePath, QString* why, TrashEntry* made) {
    QFile file(QFile::decodeName(nativePath));
    if (!file.moveToTrash()) {
        *why = file.errorString();
        return false;
    }
    if (made) *made = {QFile::encodeName(file.fileName()), {}};
    return true;
}

bool restoreFromTrash(const TrashEntry& entry, const QString& original, QString* why) {
    if (QFile::exists(original)) {
        *why = Trash::tr("something else is at its place now");
        return false;
    }
    QFile file(QFile::decodeName(entry.file));
    if (file.rename(original)) return true;
    *why = file.errorString();
    return false;
}

std::map<QString, TrashEntry> findInTrash(const QStringList&, const QDateTime&) {
    return {}; // the platform keeps its own records
}

QString trashName() {
#ifdef Q_OS_WIN
    return Trash::tr("Recycle Bin");
#else
    return Trash::tr("Trash");
#endif
}

} // namespace tunewalk
