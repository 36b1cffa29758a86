// Windows' Recycle Bin (and the macOS Trash), as Qt reaches them.
#include "fileops/Trash.h"

#include "common/ResultText.h"

#include <QCoreApplication>
#include <QFile>
#include <QObject>

namespace tunewalk {

// The translation context of the Trash's name; the same one on every platform.
class Trash {
    Q_DECLARE_TR_FUNCTIONS(Trash)
};

Result moveToTrash(const QString& path) {
    return moveToTrash(toNativePath(path));
}

Result moveToTrash(const QByteArray& nativePath, TrashEntry* made) {
    QFile file(QFile::decodeName(nativePath));
    if (!file.moveToTrash()) return itemFailure(nativePath, file.errorString());
    if (made) *made = {QFile::encodeName(file.fileName()), {}};
    return Result::ok();
}

Result restoreFromTrash(const TrashEntry& entry, const QString& original) {
    if (QFile::exists(original))
        return itemFailure(original, Trash::tr("something else is at its place now"));
    QFile file(QFile::decodeName(entry.file));
    if (file.rename(original)) return Result::ok();
    return itemFailure(original, file.errorString());
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
