#include "history/Undo.h"

#include "common/FileTimes.h"
#include "common/NativePath.h"
#include "common/ResultText.h"
#include "fileops/FileJob.h"
#include "fileops/FileMoves.h"
#include "fileops/FileSystemCalls.h"
#include "fileops/Trash.h"
#include "history/FileChanges.h"
#include "history/KeptFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <filesystem>
#ifndef Q_OS_WIN
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tunewalk::history {

namespace {

// The translation context of the history's refusals.
class Undo {
    Q_DECLARE_TR_FUNCTIONS(Undo)
};

using Kind = HistoryStore::ChangeKind;

QString shown(const QString& path) {
    return QStringLiteral("\"%1\"").arg(displayPath(path));
}

// The bytes a byte change expects at its offset, the size and time of the file, for the
// direction asked: undo expects the file as the change left it, redo as the undo left it.
struct Expected {
    QByteArray bytes;
    qint64 size = -1;
    qint64 modifiedNs = 0;
};
Expected expected(const Change& c, Direction d) {
    if (d == Direction::Undo) return {c.after, c.size, c.modifiedNs};
    const qint64 size = c.size < 0 ? -1 : c.noTagBefore ? c.offset : c.size;
    return {c.noTagBefore ? QByteArray() : c.before, size, c.modifiedNsBefore};
}

QString byteChangeCheck(const Change& c, Direction d) {
    const ItemNow now = lookThrough(c.path);
    const QString name = shown(c.path);
    if (!now.exists) return Undo::tr("%1 is no longer there.").arg(name);
    if (!now.regular) return Undo::tr("%1 is not a regular file.").arg(name);
    if ((c.device || c.inode) && (now.device != c.device || now.inode != c.inode))
        return Undo::tr("%1 is another file now.").arg(name);
    const Expected want = expected(c, d);
    if (want.size >= 0 && now.size != want.size)
        return Undo::tr("%1 has changed size since (%2 bytes, was %3).")
            .arg(name)
            .arg(now.size)
            .arg(want.size);
    if (want.modifiedNs != 0 && now.modifiedNs != want.modifiedNs)
        return Undo::tr("%1 was modified since.").arg(name);
    if (!want.bytes.isEmpty() && readBytes(c.path, c.offset, want.bytes.size()) != want.bytes)
        return c.kind == Kind::TagWrite ? Undo::tr("The tag of %1 was changed since.").arg(name)
                                        : Undo::tr("The header of %1 was changed since.").arg(name);
    return {};
}

// The item a move, rename or trash left at `place` (undo) or at its own path (redo).
QString itemCheck(const Change& c, const QString& at, const QString& from) {
    const ItemNow now = lookAt(at);
    if (!now.exists) return Undo::tr("%1 is no longer there.").arg(shown(at));
    // A file removed and another made in its place may get the same inode number: its size
    // and time tell them apart.
    if (((c.device || c.inode) && (now.device != c.device || now.inode != c.inode)) ||
        (c.size >= 0 && !now.folder && (now.size != c.size || now.modifiedNs != c.modifiedNs)))
        return Undo::tr("%1 is another item now.").arg(shown(at));
    // The item itself under its other spelling (a rename of letter case on a drive that
    // ignores case) is no clash.
    if (const ItemNow other = from.isEmpty() ? ItemNow{} : lookAt(from);
        other.exists && (other.device != now.device || other.inode != now.inode))
        return Undo::tr("Something else is at %1 now.").arg(shown(from));
    return {};
}

#ifndef Q_OS_WIN
// Writes `bytes` at `offset` and, with `cut`, ends the file there; flushed before it returns.
QString writeBytes(const QString& path, qint64 offset, const QByteArray& bytes, bool cut) {
    const int fd = fsc::openRegular(toFsPath(path), O_WRONLY);
    if (fd < 0) return QString::fromLocal8Bit(std::strerror(errno));
    bool ok = true;
    if (!bytes.isEmpty())
        ok = ::pwrite(fd, bytes.constData(), size_t(bytes.size()), offset) == bytes.size();
    if (ok && cut) ok = ::ftruncate(fd, offset) == 0;
    if (ok) ok = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    return ok ? QString() : QString::fromLocal8Bit(std::strerror(error));
}
#else
QString writeBytes(const QString& path, qint64 offset, const QByteArray& bytes, bool cut) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) return file.errorString();
    if (!bytes.isEmpty() && (!file.seek(offset) || file.write(bytes) != bytes.size()))
        return file.errorString();
    if (cut && !file.resize(offset)) return file.errorString();
    return file.flush() ? QString() : file.errorString();
}
#endif

void putTimeBack(const QString& path, qint64 ns) {
    if (ns != 0) (void)setModificationTime(path, {ns / 1000000000, ns % 1000000000});
}

bool applyBytes(Change& c, Direction d, QString* why) {
    const bool undo = d == Direction::Undo;
    QString error;
    if (undo && c.noTagBefore)
        error = writeBytes(c.path, c.offset, {}, true);
    else
        error = writeBytes(c.path, c.offset, undo ? c.before : c.after, false);
    if (!error.isEmpty()) {
        *why = Undo::tr("%1 could not be written: %2").arg(shown(c.path), error);
        return false;
    }
    // The file gets back the time it had in that state, so the next undo or redo, and every
    // other program, sees it exactly as it was.
    putTimeBack(c.path, undo ? c.modifiedNsBefore : c.modifiedNs);
    return true;
}

bool join(const MoveOutcome& outcome, QString* why) {
    if (outcome.ok && !outcome.cancelled) return true;
    if (!outcome.cancelled) *why = outcome.description();
    return false;
}

bool move(const QString& from, const QString& to, FileJob& job, QString* why) {
    return join(moveItem(from, to, job), why);
}

// The identity of the item where it is now, for the next look.
void follow(Change& c, const QString& at) {
    const ItemNow now = lookAt(at);
    c.device = now.device;
    c.inode = now.inode;
    c.size = now.folder ? -1 : now.size;
    c.modifiedNs = now.folder ? 0 : now.modifiedNs;
}

// The file a tag save in place, or a whole rewrite, is about: the one it left at its path,
// untouched since (its identity, size and time, and for a save in place every stretch).
QString savedFileCheck(const Change& c, Direction d) {
    const ItemNow now = lookAt(c.path);
    const QString name = shown(c.path);
    if (!now.exists) return Undo::tr("%1 is no longer there.").arg(name);
    if (!now.regular) return Undo::tr("%1 is not a regular file.").arg(name);
    if (now.device != c.device || now.inode != c.inode)
        return Undo::tr("%1 is another file now.").arg(name);
    if (c.size >= 0 && now.size != c.size)
        return Undo::tr("%1 has changed size since (%2 bytes, was %3).")
            .arg(name)
            .arg(now.size)
            .arg(c.size);
    const bool undo = d == Direction::Undo;
    const qint64 time = c.kind == Kind::FileReplace || undo ? c.modifiedNs : c.modifiedNsBefore;
    if (time != 0 && now.modifiedNs != time) return Undo::tr("%1 was modified since.").arg(name);
    if (c.kind == Kind::FileReplace) {
        if (!lookAt(c.target).exists)
            return undo ? Undo::tr("The earlier version of %1 is no longer kept (old versions "
                                   "are kept for a limited time and space): this change can no "
                                   "longer be undone.")
                              .arg(name)
                        : Undo::tr("The newer version of %1 is no longer kept: this change "
                                   "can no longer be made again.")
                              .arg(name);
        return {};
    }
    for (const HistoryStore::Region& r : c.regions) {
        const QByteArray& want = undo ? r.after : r.before;
        if (readBytes(c.path, r.offset, want.size()) != want)
            return Undo::tr("The tags of %1 were changed since.").arg(name);
    }
    return {};
}

bool applyRegions(Change& c, Direction d, QString* why) {
    const bool undo = d == Direction::Undo;
    for (const HistoryStore::Region& r : c.regions) {
        const QString error = writeBytes(c.path, r.offset, undo ? r.before : r.after, false);
        if (!error.isEmpty()) {
            *why = Undo::tr("%1 could not be written: %2").arg(shown(c.path), error);
            return false;
        }
    }
    // The time the file had in that state, as for any byte change.
    putTimeBack(c.path, undo ? c.modifiedNsBefore : c.modifiedNs);
    return true;
}

// The version at the path goes to the history's folder, the kept one back in its place.
bool swapKept(Change& c, QString* why) {
    const QString keep = newKeptPath(QFileInfo(c.target).absolutePath(), c.path);
    if (const QString error = keepFile(c.path, keep); !error.isEmpty()) {
        *why = Undo::tr("%1 could not be kept: %2").arg(shown(c.path), error);
        return false;
    }
    if (const QString error = restoreFile(c.target, c.path); !error.isEmpty()) {
        QFile::remove(keep);
        *why = Undo::tr("%1 could not be put back: %2").arg(shown(c.path), error);
        return false;
    }
    c.target = keep;
    follow(c, c.path);
    return true;
}

} // namespace

QString whatChanged(const Change& c, Direction d) {
    const bool undo = d == Direction::Undo;
    if (c.kind == Kind::Split) {
        for (const QString& place : {c.path, c.target})
            if (!lookAt(place).exists) return Undo::tr("%1 is no longer there.").arg(shown(place));
        return {};
    }
    if (c.applied != undo) return {}; // already as asked: nothing to do for this one
    if (!undo && c.replaced && !wasMade(c)) {
        // A replace a merge cut short never made: the file it replaces is still there.
        const QString problem = itemCheck(c, c.path, {});
        if (!problem.isEmpty()) return problem;
        return lookAt(c.target).folder
                   ? Undo::tr("Something else is at %1 now.").arg(shown(c.target))
                   : QString();
    }
    switch (c.kind) {
    case Kind::TagWrite:
    case Kind::HeaderWrite:
        return byteChangeCheck(c, d);
    case Kind::TagRegions:
    case Kind::FileReplace:
        return savedFileCheck(c, d);
    case Kind::Rename:
    case Kind::Move:
        return undo ? itemCheck(c, c.target, c.path) : itemCheck(c, c.path, c.target);
    case Kind::Trash:
        if (undo && c.target.isEmpty())
            return Undo::tr("%1 cannot be found in the %2.").arg(shown(c.path), trashName());
        return undo ? itemCheck(c, c.target, c.path) : itemCheck(c, c.path, {});
    case Kind::NewFolder: {
        if (!undo)
            return lookAt(c.path).exists
                       ? Undo::tr("Something else is at %1 now.").arg(shown(c.path))
                       : QString();
        const QString problem = itemCheck(c, c.path, {});
        if (!problem.isEmpty()) return problem;
        std::error_code ec;
        if (!std::filesystem::is_empty(toFsPath(c.path), ec) || ec)
            return Undo::tr("%1 is not empty now.").arg(shown(c.path));
        return {};
    }
    case Kind::Delete:
        return Undo::tr("%1 was deleted for good and cannot be brought back.").arg(shown(c.path));
    case Kind::Merge:
    case Kind::Split:
        return {};
    case Kind::RemoveFolder: {
        // Made again on undo, removed again on redo once the items moved out of it again; a
        // folder that is there is fine either way.
        const ItemNow now = lookAt(c.path);
        if (now.exists && !now.folder)
            return Undo::tr("Something else is at %1 now.").arg(shown(c.path));
        return {};
    }
    }
    return {};
}

bool apply(Change& c, Direction d, FileJob& job, QString* why) {
    const bool undo = d == Direction::Undo;
    if (c.applied != undo && c.kind != Kind::Split) return true;
    *why = whatChanged(c, d);
    if (!why->isEmpty()) return false;
    job.setItem(displayPath(c.path));
    bool done = false;
    switch (c.kind) {
    case Kind::Split: {
        // Brought together where it is to be: what is at both places is one copy of the other.
        const QString& from = undo ? c.target : c.path;
        const QString& to = undo ? c.path : c.target;
        done = lookAt(from).folder ? join(mergeFolder(from, to, job), why)
                                   : join(replaceFile(from, to, job), why);
        if (done) {
            c.kind = Kind::Move;
            follow(c, to);
        }
        break;
    }
    case Kind::TagWrite:
    case Kind::HeaderWrite:
        done = applyBytes(c, d, why);
        break;
    case Kind::TagRegions:
        done = applyRegions(c, d, why);
        break;
    case Kind::FileReplace:
        done = swapKept(c, why);
        break;
    case Kind::Rename:
    case Kind::Move:
        // A folder a merge emptied is made again first, by its own change; any other folder
        // that is gone (a share not mounted) is not made up: the move back fails and says so.
        if (!undo && c.replaced && !wasMade(c) && lookAt(c.target).exists)
            done = join(replaceFile(c.path, c.target, job), why);
        else
            done = undo ? move(c.target, c.path, job, why) : move(c.path, c.target, job, why);
        if (done) follow(c, undo ? c.path : c.target);
        break;
    case Kind::Trash:
        if (undo) {
            const Result back =
                restoreFromTrash({toNativePath(c.target), toNativePath(c.trashInfo)}, c.path);
            done = bool(back);
            if (done)
                follow(c, c.path);
            else
                *why = Undo::tr("%1 cannot come back from the %2: %3")
                           .arg(shown(c.path), trashName(), reasonText(back));
        } else {
            TrashEntry made;
            const Result trashed = moveToTrash(toNativePath(c.path), &made);
            done = bool(trashed);
            if (done) {
                c.target = fromNativePath(made.file);
                c.trashInfo = fromNativePath(made.info);
                follow(c, c.target);
            } else {
                *why = Undo::tr("%1 cannot be moved to the %2: %3")
                           .arg(shown(c.path), trashName(), reasonText(trashed));
            }
        }
        break;
    case Kind::NewFolder: {
        // Taken back only while empty, by the call that removes nothing but an empty folder:
        // a file put there since the look stays.
        std::error_code ec;
        if (undo) {
            const int error = fsc::removeFolder(toFsPath(c.path));
            done = error == 0;
            ec = std::error_code(error, std::generic_category());
        } else {
            done = std::filesystem::create_directory(toFsPath(c.path), ec);
            if (done) follow(c, c.path);
        }
        if (!done)
            *why =
                QStringLiteral("%1: %2").arg(shown(c.path), QString::fromLocal8Bit(ec.message()));
        break;
    }
    case Kind::RemoveFolder: {
        const std::filesystem::path folder = toFsPath(c.path);
        if (undo) {
            std::error_code ec;
            done = std::filesystem::create_directory(folder, ec) || lookAt(c.path).folder;
            if (!done)
                *why = QStringLiteral("%1: %2").arg(shown(c.path),
                                                    QString::fromLocal8Bit(ec.message()));
        } else {
            (void)fsc::removeFolder(folder); // only when empty: kept where something came in
            done = true;
        }
        break;
    }
    case Kind::Merge:
        done = true; // its items are changes of their own
        break;
    case Kind::Delete:
        break;
    }
    job.addItem();
    if (done) c.applied = !undo;
    return done;
}

Tally tally(const std::vector<Change>& changes) {
    Tally out;
    for (const Change& c : changes) {
        // A folder a merge emptied goes with its items and is no item of its own.
        if (c.kind == Kind::Delete || c.kind == Kind::Merge || c.kind == Kind::RemoveFolder)
            continue;
        if (c.kind == Kind::Split)
            ++out.split;
        else
            ++(c.applied ? out.made : out.toMake);
    }
    return out;
}

Outcome applyAll(std::vector<Change>& changes, Direction d, FileJob& job) {
    Outcome out;
    // What was deleted for good beside trashed items stays deleted; the rest comes back.
    const auto skipped = [](const Change& c) {
        return c.kind == Kind::Delete || c.kind == Kind::Merge;
    };
    for (const Change& c : changes) {
        if (skipped(c)) continue;
        const QString problem = whatChanged(c, d);
        if (!problem.isEmpty()) out.problems << problem;
    }
    if (!out.problems.isEmpty()) {
        out.ok = false;
        return out;
    }
    job.addTotal(0, qint64(changes.size()));
    const bool undo = d == Direction::Undo;
    // Undone last first: a merge's emptied folders come back before the items they held.
    for (qsizetype n = 0; n < qsizetype(changes.size()); ++n) {
        Change& c = changes[size_t(undo ? qsizetype(changes.size()) - 1 - n : n)];
        if (skipped(c)) continue;
        if (job.cancelled()) {
            out.cancelled = true;
            break;
        }
        QString why;
        if (apply(c, d, job, &why)) {
            ++out.applied;
            continue;
        }
        if (why.isEmpty()) {
            out.cancelled = true;
        } else {
            out.ok = false;
            out.problems << why;
        }
        break;
    }
    return out;
}

} // namespace tunewalk::history
