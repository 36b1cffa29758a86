#pragma once

#include "common/ResultText.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace tunewalk {

class FileJob;

// Moving files and folders without ever losing one. A move on one file system is a rename; a
// move to another copies (by raw names, so every name goes), flushes and checks every file, and
// only then removes the sources, entry by entry and never forced: whatever was not copied (an
// entry added meanwhile, a file still being written) stays where it was, and the outcome says
// so. A failed or cancelled copy takes back only what it made. Nothing that exists is replaced
// unless the call says so, and an item reached by two paths (a bind mount) is never moved onto
// itself. Paths are the program's (see NativePath.h). These run on a worker: they block.

struct MoveOutcome {
    bool ok = true;
    bool cancelled = false; // stopped by the user; what was done is done, the rest untouched
    // One per item that could not be moved: the item's path (its bytes) and, as the reason, the
    // line the window shows, which names the item, where it was to go and why it did not.
    std::vector<Result> errors;
    // What a merge moved, item by item, so it can be taken back: where each item was, where it
    // went, and whether it replaced a file there. An item without `to` is a source folder the
    // merge emptied and removed.
    struct Item {
        QString from, to;
        bool replaced = false;
    };
    std::vector<Item> moved;

    void fail(Result error) {
        ok = false;
        errors.push_back(std::move(error));
    }
    void absorb(const MoveOutcome& other) {
        if (!other.ok) ok = false;
        if (other.cancelled) cancelled = true;
        errors.insert(errors.end(), other.errors.begin(), other.errors.end());
        moved.insert(moved.end(), other.moved.begin(), other.moved.end());
    }
    QStringList lines() const {
        QStringList out;
        for (const Result& error : errors)
            out << reasonText(error);
        return out;
    }
    QString description() const { return lines().join(QLatin1Char('\n')); }
};

// What is at a path, looked at by its raw name: the item itself (a link is a link) or, with
// `follow`, what a link leads to.
enum class ItemKind { Missing, File, Folder, Link, Other };
ItemKind itemKind(const QString& path, bool follow = false);
inline bool itemExists(const QString& path) {
    return itemKind(path) != ItemKind::Missing;
}
// Whether two paths lead to one object (same device and inode), whatever their text.
bool sameItem(const QString& a, const QString& b);

// One look at an item: what it is, what a link leads to, and its identity.
struct ItemLook {
    ItemKind kind = ItemKind::Missing;
    ItemKind followed = ItemKind::Missing; // the same as `kind` unless it is a link
    quint64 device = 0, inode = 0;
};
ItemLook lookAtItem(const QString& path);
inline bool sameItem(const ItemLook& a, const ItemLook& b) {
    return a.kind != ItemKind::Missing && b.kind != ItemKind::Missing && a.device == b.device &&
           a.inode == b.inode;
}

// Moves the file or folder `source` to `target`, which must not exist yet (an existing target
// of any kind, a dangling link too, is refused, never replaced).
MoveOutcome moveItem(const QString& source, const QString& target, FileJob& job);
// The same for a quick rename in place, where nothing is copied.
MoveOutcome moveItem(const QString& source, const QString& target);

// Moves the file `source` over the existing file `target`, which it replaces once the
// replacement is complete.
// With `asked`, only the file that was there when the user was asked is replaced.
MoveOutcome replaceFile(const QString& source, const QString& target, FileJob& job,
                        const ItemLook* asked = nullptr);

// Moves what the folder `source` holds into the existing folder `target`: files replace files
// of the same name, sub-folders are merged the same way. The outcome lists what moved. The source
// folder is removed only when everything in it was moved; whatever could not be moved stays in it.
MoveOutcome mergeFolder(const QString& source, const QString& target, FileJob& job);

// What mergeFolder(source, target) is about to move, item by item and in its order, as the disk
// stands now: written ahead, so a merge cut short can be taken back or finished item by item.
std::vector<MoveOutcome::Item> planMerge(const QString& source, const QString& target);

// Removes the part files (copies in progress) that the process `pid` left in `folder`, and with
// `within` in the folders below it too: a job killed mid-copy leaves one behind. Nothing else is
// touched. The paths removed.
QStringList removePartFiles(const QString& folder, qint64 pid, bool within = false);

} // namespace tunewalk
