// The freedesktop Trash, written by the program itself: QFile::moveToTrash in Qt 6.4 spins for
// ever on long names, an unwritable info folder or a full disk. Names are the file system's own
// bytes throughout, so names that are not valid UTF-8 go too.
#include "fileops/Trash.h"

#include "common/NativePath.h"
#include "common/ResultText.h"
#include "fileops/FileSystemCalls.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QStandardPaths>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tunewalk {

namespace {

// The translation context of the Trash's name and of why an item could not go there.
class Trash {
    Q_DECLARE_TR_FUNCTIONS(Trash)
};

const QByteArray InfoSuffix = ".trashinfo";
constexpr int MaxAttempts = 1000; // "NAME", "NAME.2" ... "NAME.1000"

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

bool onDevice(const QByteArray& path, dev_t device) {
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && st.st_dev == device;
}

// A trash folder of our own: a real folder (not a link) that we own, on the item's drive.
bool usableTrash(const QByteArray& path, dev_t device) {
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           st.st_dev == device;
}

struct Destination {
    QByteArray trash;    // the Trash folder, holding files/ and info/
    QByteArray original; // what its Path= says: relative to the top of the drive in a drive's own
};

// The home Trash when the item is on its drive (made at once, readable by its owner only);
// otherwise the Trash at the top of the item's own drive. No trash, with `why` filled, when
// there is none: an item is never copied across drives.
Destination destination(const QByteArray& item, const QByteArray& parent, dev_t device,
                        QString* why) {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!data.isEmpty()) {
        const QString home = data + QStringLiteral("/Trash");
        QByteArray existing = QFile::encodeName(home); // where it is or would be made
        while (::access(existing.constData(), F_OK) != 0 && existing.size() > 1)
            existing.truncate(qMax<qsizetype>(existing.lastIndexOf('/'), 1));
        if (onDevice(existing, device)) {
            if (!QFileInfo::exists(home) && QDir().mkpath(home))
                ::chmod(QFile::encodeName(home).constData(), 0700);
            if (QFileInfo(home).isDir()) return {QFile::encodeName(home), item};
            *why = Trash::tr("the Trash folder \"%1\" cannot be made").arg(displayPath(home));
            return {};
        }
    }
    char* resolved = ::realpath(parent.constData(), nullptr);
    const QByteArray real = resolved ? QByteArray(resolved) : parent;
    std::free(resolved);
    // The top of the item's drive by device number, byte-exact (the mount table's text would
    // not match a name that is not valid UTF-8).
    QByteArray top = QByteArray::fromStdString(fsc::volumeRoot(real.toStdString()).native());
    if (top.endsWith('/')) top.chop(1); // "" for the root
    const QByteArray uid = QByteArray::number(::getuid());
    const QByteArray realItem = real + item.mid(parent.size()); // the parent's links resolved
    const QByteArray shared = top + "/.Trash", original = realItem.mid(top.size() + 1);
    struct stat st;
    const bool inside = (real + '/').startsWith(top + '/');
    // A shared .Trash counts only when it is sticky and not a link, so no one can swap it.
    if (inside && ::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
        (st.st_mode & S_ISVTX)) {
        ::mkdir((shared + '/' + uid).constData(), 0700);
        if (usableTrash(shared + '/' + uid, device)) return {shared + '/' + uid, original};
    }
    const QByteArray own = top + "/.Trash-" + uid;
    if (inside) ::mkdir(own.constData(), 0700);
    if (inside && usableTrash(own, device)) return {own, original};
    *why = Trash::tr("its drive has no Trash that can take it (%1)")
               .arg(displayPath(fromNativePath(top.isEmpty() ? "/" : top)));
    return {};
}

// Cuts a name to `limit` bytes, keeping its extension and whole UTF-8 characters.
QByteArray shortened(const QByteArray& name, qsizetype limit) {
    if (name.size() <= limit) return name;
    const qsizetype dot = name.lastIndexOf('.');
    const QByteArray extension =
        dot > 0 && name.size() - dot <= limit / 2 ? name.mid(dot) : QByteArray();
    qsizetype cut = limit - extension.size();
    while (cut > 0 && (uchar(name[cut]) & 0xC0) == 0x80) // inside a character
        --cut;
    if (cut == 0) cut = limit - extension.size(); // not UTF-8 after all: any byte will do
    return name.left(cut) + extension;
}

QByteArray trashInfo(const QByteArray& original) {
    return "[Trash Info]\nPath=" + original.toPercentEncoding("/") + "\nDeletionDate=" +
           QDateTime::currentDateTime()
               .toString(QStringLiteral("yyyy-MM-dd'T'hh:mm:ss"))
               .toLatin1() +
           '\n';
}

} // namespace

Result moveToTrash(const QString& path) {
    return moveToTrash(toNativePath(QDir::cleanPath(path)));
}

Result moveToTrash(const QByteArray& nativePath, TrashEntry* made) {
    QByteArray item = nativePath;
    if (!item.startsWith('/')) item = QFile::encodeName(QDir::currentPath()) + '/' + item;
    while (item.size() > 1 && item.endsWith('/'))
        item.chop(1);
    const qsizetype slash = item.lastIndexOf('/');
    const QByteArray name = item.mid(slash + 1),
                     parent = slash > 0 ? item.left(slash) : QByteArray("/");
    struct stat st;
    if (nativePath.isEmpty() || name.isEmpty() || name == "." || name == "..")
        return itemFailure(item, Trash::tr("it is not a file or folder of its own"));
    if (::lstat(item.constData(), &st) != 0) return itemFailure(item, reason(errno));

    QString why;
    const auto [trash, original] = destination(item, parent, st.st_dev, &why);
    if (trash.isEmpty()) return itemFailure(item, why);
    ::mkdir((trash + "/files").constData(), 0700);
    ::mkdir((trash + "/info").constData(), 0700);
    const QByteArray record = trashInfo(original);
    const long nameMax = ::pathconf((trash + "/info").constData(), _PC_NAME_MAX);
    const qsizetype room = (nameMax > 0 ? nameMax : 255) - InfoSuffix.size();

    for (int attempt = 1; attempt <= MaxAttempts; ++attempt) {
        const QByteArray suffix = attempt == 1 ? QByteArray() : '.' + QByteArray::number(attempt);
        const QByteArray entry = shortened(name, room - suffix.size()) + suffix;
        const QByteArray info = trash + "/info/" + entry + InfoSuffix;
        // The record is made first and exclusively: it reserves the name.
        const int fd = ::open(info.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) {
            const int error = errno;
            return itemFailure(
                item, Trash::tr("its Trash record cannot be written in \"%1\": %2")
                          .arg(displayPath(fromNativePath(trash + "/info")), reason(error)));
        }
        QFile out;
        const bool written = out.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) &&
                             out.write(record) == record.size() && out.flush();
        const QString writeError = out.errorString();
        out.close();
        if (!written) {
            ::unlink(info.constData());
            return itemFailure(item,
                               Trash::tr("its Trash record cannot be written: %1").arg(writeError));
        }
        const QByteArray target = trash + "/files/" + entry;
        if (::lstat(target.constData(), &st) == 0) { // an entry left without its record
            ::unlink(info.constData());
            continue;
        }
        if (::rename(item.constData(), target.constData()) == 0) {
            if (made) *made = {target, info};
            return Result::ok();
        }
        const int error = errno;
        ::unlink(info.constData());
        return itemFailure(item, reason(error));
    }
    return itemFailure(item, Trash::tr("the Trash has no free name for it"));
}

Result restoreFromTrash(const TrashEntry& entry, const QString& original) {
    const QByteArray place = toNativePath(QDir::cleanPath(original));
    struct stat st;
    if (entry.file.isEmpty() || ::lstat(entry.file.constData(), &st) != 0)
        return itemFailure(place, Trash::tr("it is no longer in the Trash"));
    const int error =
        fsc::renameNoReplace(std::string(entry.file.constData()), std::string(place.constData()));
    if (error == EEXIST) return itemFailure(place, Trash::tr("something else is at its place now"));
    if (error == ENOENT && ::lstat(entry.file.constData(), &st) == 0)
        return itemFailure(place, Trash::tr("the folder it was in is gone"));
    if (error) return itemFailure(place, reason(error));
    if (!entry.info.isEmpty()) ::unlink(entry.info.constData());
    return Result::ok();
}

std::map<QString, TrashEntry> findInTrash(const QStringList& originals, const QDateTime& since) {
    // Where each item's record would be, and what its Path= line would say.
    std::map<QByteArray, std::map<QByteArray, QString>> wanted; // trash folder -> line -> item
    for (const QString& original : originals) {
        const QByteArray item = toNativePath(QDir::cleanPath(original));
        const qsizetype slash = item.lastIndexOf('/');
        if (slash < 0) continue;
        const QByteArray parent = slash > 0 ? item.left(slash) : QByteArray("/");
        struct stat st;
        if (::stat(parent.constData(), &st) != 0) continue;
        QString why;
        const auto [trash, recorded] = destination(item, parent, st.st_dev, &why);
        if (!trash.isEmpty()) wanted[trash]["Path=" + recorded.toPercentEncoding("/")] = original;
    }
    std::map<QString, TrashEntry> found;
    std::map<QString, QDateTime> when;
    for (const auto& [trash, lines] : wanted) {
        const QByteArray infoFolder = trash + "/info";
        DIR* dir = ::opendir(infoFolder.constData());
        if (!dir) continue;
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (!name.endsWith(InfoSuffix)) continue;
            QFile record;
            if (!openForReading(record, fromNativePath(infoFolder + '/' + name))) continue;
            QByteArray path;
            QDateTime date;
            for (const QByteArray& line : record.read(64 * 1024).split('\n')) {
                if (line.startsWith("Path=")) path = line;
                if (line.startsWith("DeletionDate="))
                    date = QDateTime::fromString(QString::fromLatin1(line.mid(13)), Qt::ISODate);
            }
            const auto it = lines.find(path);
            // Trashed before the run began: an older item of that name, not this one.
            if (it == lines.end() || !date.isValid() || date < since) continue;
            if (when.count(it->second) && date < when[it->second]) continue;
            when[it->second] = date;
            found[it->second] = {trash + "/files/" + name.chopped(InfoSuffix.size()),
                                 infoFolder + '/' + name};
        }
        ::closedir(dir);
    }
    return found;
}

QString trashName() {
    return Trash::tr("Trash");
}

} // namespace tunewalk
