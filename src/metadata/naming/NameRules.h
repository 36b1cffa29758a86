#pragma once

#include <QByteArray>
#include <QString>

namespace tunewalk {

// What a folder's file system takes as a file's name. Every file system refuses '/' and NUL;
// those made for Windows (FAT, exFAT, NTFS, SMB shares) also refuse <>:"\|?* and a name ending
// in a dot or a blank, and find a file whatever the letter case of its name. A name is at most
// `maxBytes` bytes long.
struct NameRules {
    bool windows = false;
    bool ignoresCase = false;
    int maxBytes = 255;

    // The rules of a FAT drive: for the tests, and for a folder that cannot be looked at.
    static NameRules windowsLike() { return {true, true, 255}; }
    // Whether two names stand for the same file here.
    bool same(const QString& a, const QString& b) const { return key(a) == key(b); }
    // The name as the file system compares it.
    QString key(const QString& name) const { return ignoresCase ? name.toCaseFolded() : name; }
    bool operator==(const NameRules&) const = default;
};

// The rules of a file system by the type its mount table gives ("vfat", "ntfs3", "fuseblk").
NameRules nameRulesForType(const QByteArray& type);
// The rules of the file system `folder` is on: by the system's magic number for it, else by
// the mount table; a folder whose own names ignore case (an ext4 folder with case folding) too.
// It asks the file system: a dead mount blocks it.
NameRules nameRulesFor(const QString& folder);

// What keeps `name` from being a file's name under the rules, as a sentence for the user; empty
// when nothing does. The name as a whole: a '/' in it is refused, never taken as a folder.
QString nameProblem(const QString& name, const NameRules& rules);

} // namespace tunewalk
