#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>

namespace tunewalk {

// Moving files and folders without ever losing one. A move on one file system is a rename; a
// move to another copies, checks that the copy is complete, and only then removes the source.
// Nothing that exists is replaced unless the call says so.

struct MoveOutcome {
    bool ok = true;
    // One line per item that could not be moved, each naming the item and the reason.
    QStringList errors;

    void fail(const QString& what) {
        ok = false;
        errors << what;
    }
    void absorb(const MoveOutcome& other) {
        if (!other.ok) ok = false;
        errors << other.errors;
    }
    QString description() const { return errors.join(QLatin1Char('\n')); }
};

// Moves the file or folder `source` to `target`, which must not exist yet (an existing target
// is refused, never replaced).
MoveOutcome moveItem(const QString& source, const QString& target);

// Moves the file `source` over the existing file `target`, which it replaces.
MoveOutcome replaceFile(const QString& source, const QString& target);

// Moves what the folder `source` holds into the existing folder `target`: files replace files
// of the same name, sub-folders are merged the same way. The source folder is removed only when
// everything in it was moved; whatever could not be moved stays in it.
MoveOutcome mergeFolder(const QString& source, const QString& target);

// The platform's rename that fails, rather than replaces, when `to` exists. On failure returns
// false and sets `error` (errno style: EEXIST, EXDEV for another file system, ...).
// Paths are the file system's own, so names that are not valid text work too.
bool renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                     int* error);

} // namespace tunewalk
