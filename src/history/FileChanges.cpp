#include "history/FileChanges.h"

#include "common/NativePath.h"
#include "common/SaveNames.h"
#include "common/TreeWalk.h"
#include "fileops/FileSystemCalls.h"

#include <QFile>
#include <set>
#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tunewalk::history {

namespace {
constexpr qint64 TagSize = 128;

ItemNow nowOf(const fsc::ItemState& state) {
    if (!state.exists()) return {};
    return {true,
            state.kind == fsc::Kind::Folder,
            state.kind == fsc::Kind::File,
            qint64(state.size),
            state.modified,
            state.device,
            state.inode};
}

// A file looked at and read with one open: a batch of thousands of files is recorded with
// one small read each. `offset` below zero counts from the end.
struct Read {
    ItemNow now;
    QByteArray bytes;
};
Read readFile(const QString& path, qint64 offset, qint64 length) {
    Read out;
#ifndef Q_OS_WIN
    out.now = nowOf(fsc::lookThrough(toFsPath(path)));
    if (!out.now.regular) return out;
    const int fd = fsc::openRegular(toFsPath(path), O_RDONLY);
    if (fd < 0) return out;
    struct stat st;
    if (::fstat(fd, &st) == 0) {
        out.now = {true,
                   false,
                   true,
                   qint64(st.st_size),
                   qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                   quint64(st.st_dev),
                   quint64(st.st_ino)};
        if (offset < 0) offset += out.now.size;
        if (offset >= 0 && length > 0) {
            out.bytes.resize(length);
            const ssize_t got = ::pread(fd, out.bytes.data(), size_t(length), offset);
            out.bytes.resize(got > 0 ? got : 0);
        }
    }
    ::close(fd);
#else
    out.now = nowOf(fsc::lookThrough(toFsPath(path)));
    if (offset < 0) offset += out.now.size;
    QFile file(path);
    if (out.now.regular && offset >= 0 && length > 0 && file.open(QIODevice::ReadOnly) &&
        file.seek(offset))
        out.bytes = file.read(length);
#endif
    return out;
}
} // namespace

ItemNow lookAt(const QString& path) {
    return nowOf(fsc::lookAt(toFsPath(path)));
}

ItemNow lookThrough(const QString& path) {
    return nowOf(fsc::lookThrough(toFsPath(path)));
}

QByteArray readBytes(const QString& path, qint64 offset, qint64 length) {
    return offset < 0 ? QByteArray() : readFile(path, offset, length).bytes;
}

Change tagWrite(const QString& path) {
    Change c;
    c.kind = ChangeKind::TagWrite;
    c.path = path;
    const Read read = readFile(path, -TagSize, TagSize);
    const ItemNow& now = read.now;
    c.modifiedNsBefore = now.modifiedNs;
    c.device = now.device; // the file this is about: one put in its place later is another
    c.inode = now.inode;
    const QByteArray tail = now.size >= TagSize ? read.bytes : QByteArray();
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
    const Read read = readFile(path, offset, length);
    c.before = read.bytes;
    c.modifiedNsBefore = read.now.modifiedNs;
    c.device = read.now.device;
    c.inode = read.now.inode;
    return c;
}

Change tagRegions(const QString& path, std::vector<HistoryStore::Region> regions,
                  qint64 modifiedNs, quint64 device, quint64 inode) {
    Change c;
    c.kind = ChangeKind::TagRegions;
    c.path = path;
    c.regions = std::move(regions);
    c.modifiedNsBefore = modifiedNs;
    c.device = device;
    c.inode = inode;
    return c;
}

Change fileReplace(const QString& path, const QString& kept, qint64 modifiedNs, quint64 device,
                   quint64 inode) {
    Change c;
    c.kind = ChangeKind::FileReplace;
    c.path = path;
    c.target = kept;
    c.modifiedNsBefore = modifiedNs;
    c.device = device;
    c.inode = inode;
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

// Whether the file at a byte change's path is the one whose bytes it read ahead, and as the
// write leaves it (a tag written ends the file). Another file put in its place meanwhile is
// not the change's to take back: its old bytes would be written into a stranger.
bool sameFile(const Change& c, const ItemNow& now) {
    if (!now.exists || ((c.device || c.inode) && (now.device != c.device || now.inode != c.inode)))
        return false;
    return c.kind != ChangeKind::TagWrite || now.size == c.offset + TagSize;
}

void settle(Change& change) {
    const bool bytes = isByteChange(change);
    const Read read = bytes ? readFile(change.path, change.offset, writtenLength(change))
                            : Read{lookAt(placeAfter(change)), {}};
    const ItemNow& now = read.now;
    if (bytes && !sameFile(change, now)) return; // left out of the record
    change.applied = true;
    change.size = now.folder ? -1 : now.size;
    change.modifiedNs = now.folder ? 0 : now.modifiedNs;
    change.device = now.device;
    change.inode = now.inode;
    if (bytes && now.exists) change.after = read.bytes;
}

namespace {
// The stretches of a tag save that read as written now; -1 when the file is not the one saved.
int regionsWritten(const Change& change) {
    const ItemNow now = lookAt(change.path);
    if (!now.exists || now.device != change.device || now.inode != change.inode) return -1;
    int written = 0;
    for (const HistoryStore::Region& r : change.regions)
        written += readBytes(change.path, r.offset, r.after.size()) == r.after;
    return written;
}
} // namespace

void finishCutShort(Change& change) {
    if (change.kind == ChangeKind::TagRegions) {
        const int written = regionsWritten(change);
        if (written <= 0 || written == int(change.regions.size())) return;
        const int fd = fsc::openRegular(toFsPath(change.path), O_WRONLY);
        if (fd < 0) return;
        for (const HistoryStore::Region& r : change.regions)
            if (readBytes(change.path, r.offset, r.before.size()) == r.before)
                (void)!::pwrite(fd, r.after.constData(), size_t(r.after.size()), r.offset);
        (void)::fsync(fd);
        ::close(fd);
    } else if (change.kind == ChangeKind::FileReplace && !reached(change)) {
        const QByteArray path = toNativePath(change.path);
        ::unlink(rewritePathFor(path.toStdString()).c_str());
        // Kept just before the rename that never came: the file is still in its place.
        const ItemNow kept = lookAt(change.target), now = lookAt(change.path);
        if (kept.exists && kept.device == now.device && kept.inode == now.inode)
            ::unlink(toNativePath(change.target).constData());
    }
}

bool reached(const Change& change) {
    if (change.kind == ChangeKind::TagRegions)
        return !change.regions.empty() && regionsWritten(change) == int(change.regions.size());
    if (change.kind == ChangeKind::FileReplace) {
        // Another file at the path, the old one kept.
        const ItemNow now = lookAt(change.path);
        return now.exists && (now.device != change.device || now.inode != change.inode) &&
               lookAt(change.target).exists;
    }
    if (isByteChange(change)) {
        const Read read = readFile(change.path, change.offset, writtenLength(change));
        if (!sameFile(change, read.now)) return false;
        const QByteArray& now = read.bytes;
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
    case ChangeKind::Merge:
    case ChangeKind::Split:
        return false;
    case ChangeKind::Trash:
        return !at.exists && !change.target.isEmpty() && there.exists;
    default:
        // Moved when it is gone from its place and something is at the target: within one
        // drive the very item (same identity), across drives a copy.
        return !at.exists && there.exists &&
               (there.device != change.device || there.inode == change.inode);
    }
}

bool isSplit(const Change& c) {
    if (c.kind != ChangeKind::Move && c.kind != ChangeKind::Rename) return false;
    const ItemNow at = lookAt(c.path), there = lookAt(c.target);
    if (!at.exists || !there.exists || (at.device == there.device && at.inode == there.inode))
        return false;
    if (at.folder || there.folder) return at.folder && there.folder;
    // A copy is renamed into place only once complete, with the source's size and time.
    return at.regular && there.regular && at.size == there.size &&
           at.modifiedNs == there.modifiedNs;
}

SplitFiles splitFiles(const Change& c) {
    std::set<std::filesystem::path> all;
    const auto count = [&](const QString& place) {
        const std::filesystem::path root = toFsPath(place);
        if (!lookAt(place).folder) {
            all.insert({});
            return qint64(1);
        }
        qint64 files = 0;
        walkTree(root, [&](const TreeEntry& entry) {
            if (entry.kind != TreeEntry::Kind::Folder) {
                all.insert(entry.path.lexically_relative(root));
                ++files;
            }
            return true;
        });
        return files;
    };
    SplitFiles out;
    out.inPlace = count(c.path);
    out.atTarget = count(c.target);
    out.all = qint64(all.size());
    return out;
}

bool wasMade(const Change& c) {
    switch (c.kind) {
    case ChangeKind::TagWrite:
    case ChangeKind::HeaderWrite:
        return !c.after.isEmpty();
    case ChangeKind::Trash:
        return !c.target.isEmpty();
    case ChangeKind::TagRegions:
    case ChangeKind::FileReplace:
        return c.size >= 0;
    case ChangeKind::Rename:
    case ChangeKind::Move:
    case ChangeKind::NewFolder:
        return c.size >= 0 || c.device || c.inode;
    default:
        return false;
    }
}

QString describe(const Change& change) {
    switch (change.kind) {
    case ChangeKind::Rename:
    case ChangeKind::Move:
    case ChangeKind::Merge:
    case ChangeKind::Split:
        return QStringLiteral("%1 → %2").arg(displayPath(change.path), displayPath(change.target));
    default:
        return displayPath(change.path);
    }
}

} // namespace tunewalk::history
