#include "history/FileChanges.h"

#include "common/NativePath.h"
#include "fileops/FileSystemCalls.h"

#include <QFile>

namespace tunewalk::history {

namespace {
constexpr qint64 TagSize = 128;
} // namespace

ItemNow lookAt(const QString& path) {
    const fsc::ItemState state = fsc::lookAt(toFsPath(path));
    if (!state.exists()) return {};
    return {true,
            state.kind == fsc::Kind::Folder,
            qint64(state.size),
            state.modified,
            state.device,
            state.inode};
}

QByteArray readBytes(const QString& path, qint64 offset, qint64 length) {
    QFile file;
    if (length <= 0 || !openForReading(file, path) || !file.seek(offset)) return {};
    return file.read(length);
}

Change tagWrite(const QString& path) {
    Change c;
    c.kind = ChangeKind::TagWrite;
    c.path = path;
    const ItemNow now = lookAt(path);
    c.modifiedNsBefore = now.modifiedNs;
    const QByteArray tail =
        now.size >= TagSize ? readBytes(path, now.size - TagSize, TagSize) : QByteArray();
    if (tail.size() == TagSize && tail.startsWith("TAG")) {
        c.offset = now.size - TagSize;
        c.before = tail;
    } else {
        c.offset = qMax<qint64>(now.size, 0);
        c.noTagBefore = true;
    }
    return c;
}

Change bytesWrite(const QString& path, qint64 offset, qint64 length) {
    Change c;
    c.kind = ChangeKind::HeaderWrite;
    c.path = path;
    c.offset = offset;
    c.before = readBytes(path, offset, length);
    c.modifiedNsBefore = lookAt(path).modifiedNs;
    return c;
}

Change move(ChangeKind kind, const QString& path, const QString& target) {
    Change c;
    c.kind = kind;
    c.path = path;
    c.target = target;
    return c;
}

Change merged(const MoveOutcome::Item& item) {
    Change c =
        move(item.to.isEmpty() ? ChangeKind::RemoveFolder : ChangeKind::Move, item.from, item.to);
    c.replaced = item.replaced;
    return c;
}

namespace {
bool isByteChange(const Change& c) {
    return c.kind == ChangeKind::TagWrite || c.kind == ChangeKind::HeaderWrite;
}
qint64 writtenLength(const Change& c) {
    return c.kind == ChangeKind::TagWrite ? TagSize : c.before.size();
}
// Where the change leaves the item.
QString placeAfter(const Change& c) {
    switch (c.kind) {
    case ChangeKind::Rename:
    case ChangeKind::Move:
    case ChangeKind::Trash:
        return c.target;
    default:
        return c.path;
    }
}
} // namespace

void settle(Change& change) {
    const ItemNow now = lookAt(placeAfter(change));
    change.applied = true;
    change.size = now.folder ? -1 : now.size;
    change.modifiedNs = now.folder ? 0 : now.modifiedNs;
    change.device = now.device;
    change.inode = now.inode;
    if (isByteChange(change) && now.exists)
        change.after = readBytes(change.path, change.offset, writtenLength(change));
}

bool reached(const Change& change) {
    if (isByteChange(change)) {
        const QByteArray now = readBytes(change.path, change.offset, writtenLength(change));
        // Written ahead, a change holds only what it replaces: reached when that is gone.
        if (!change.after.isEmpty()) return now == change.after;
        return change.noTagBefore ? !now.isEmpty() : !now.isEmpty() && now != change.before;
    }
    const ItemNow at = lookAt(change.path), there = lookAt(placeAfter(change));
    switch (change.kind) {
    case ChangeKind::NewFolder:
        return at.exists && at.folder;
    case ChangeKind::Delete:
    case ChangeKind::RemoveFolder:
        return !at.exists;
    case ChangeKind::Trash:
        return !at.exists && !change.target.isEmpty() && there.exists;
    default:
        // Moved when it is gone from its place and something is at the target: within one
        // drive the very item (same identity), across drives a copy.
        return !at.exists && there.exists &&
               (there.device != change.device || there.inode == change.inode);
    }
}

QString describe(const Change& change) {
    switch (change.kind) {
    case ChangeKind::Rename:
    case ChangeKind::Move:
        return QStringLiteral("%1 → %2").arg(displayPath(change.path), displayPath(change.target));
    default:
        return displayPath(change.path);
    }
}

} // namespace tunewalk::history
