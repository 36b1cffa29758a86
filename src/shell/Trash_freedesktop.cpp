// The freedesktop Trash, through QFile::moveToTrash with two repairs for Qt 6.4: it trashes
// into the working folder when it cannot make the home Trash, and it writes the original path
// into the .trashinfo file without the URL escaping that file managers decode.
#include "shell/Trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QUrl>

namespace tunewalk {

namespace {

// The home Trash must exist before Qt looks for it. Made as the freedesktop rules say: at
// once, without asking, readable by its owner only.
bool ensureHomeTrash(QString* why) {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty()) {
        *why = QObject::tr("there is no home folder for the Trash");
        return false;
    }
    const QString trash = data + QStringLiteral("/Trash");
    if (QFileInfo(trash).isDir()) return true;
    if (QDir().mkpath(trash))
        QFile::setPermissions(trash, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (QFileInfo(trash).isDir()) return true;
    *why =
        QObject::tr("the Trash folder \"%1\" cannot be made").arg(QDir::toNativeSeparators(trash));
    return false;
}

// Escapes the Path= value of the item's .trashinfo when Qt wrote it verbatim. A value that is
// not the tail of the original path was escaped already (by a later Qt) and stays as it is.
void escapeInfoPath(const QString& original, const QString& trashed) {
    const QFileInfo item(trashed);
    const QString infoPath =
        item.dir().filePath(QStringLiteral("../info/") + item.fileName() + ".trashinfo");
    QFile in(infoPath);
    if (!in.open(QIODevice::ReadOnly)) return;
    const QByteArray info = in.readAll();
    in.close();
    static const QByteArray PathKey = "\nPath=", DateKey = "\nDeletionDate=";
    const qsizetype start = info.indexOf(PathKey);
    const qsizetype end = info.lastIndexOf(DateKey);
    if (start < 0 || end < start) return;
    const QByteArray value = info.mid(start + PathKey.size(), end - start - PathKey.size());
    const QByteArray escaped = QUrl::toPercentEncoding(value, "/");
    if (escaped == value || !QFile::encodeName(original).endsWith(value)) return;
    QSaveFile out(infoPath);
    if (!out.open(QIODevice::WriteOnly)) return;
    out.write(info.left(start + PathKey.size()) + escaped + info.mid(end));
    out.commit(); // best effort: the item is in the Trash either way
}

} // namespace

bool moveToTrash(const QString& path, QString* why) {
    if (!ensureHomeTrash(why)) return false;
    QFile file(path);
    if (!file.moveToTrash()) {
        *why = file.errorString();
        // Qt settles for the home Trash when the item's drive has none it can use, and an item
        // cannot be renamed across drives.
        if (QStorageInfo(QFileInfo(path).absolutePath()) != QStorageInfo(QDir::home()))
            *why = QObject::tr("its drive has no Trash that can take it (%1)").arg(*why);
        return false;
    }
    escapeInfoPath(QFileInfo(path).absoluteFilePath(), file.fileName());
    return true;
}

QString trashName() {
    return QObject::tr("Trash");
}

} // namespace tunewalk
