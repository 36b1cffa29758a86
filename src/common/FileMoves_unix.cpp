// A rename that refuses to replace: renameat2 with RENAME_NOREPLACE where the file system
// supports it, otherwise a hard link (files) or a checked rename (folders).
#include "common/FileMoves.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tunewalk {

bool renameNoReplace(const QString& from, const QString& to, int* error) {
    const QByteArray a = QFile::encodeName(from), b = QFile::encodeName(to);
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) {
        *error = errno;
        return false;
    }
#endif
    // A link fails when the name is taken, so no window opens between check and rename.
    const QFileInfo source(from);
    if (!source.isDir() || source.isSymLink()) {
        if (::link(a.constData(), b.constData()) == 0) {
            ::unlink(a.constData());
            return true;
        }
        if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP) {
            *error = errno;
            return false;
        }
    }
    if (QFileInfo::exists(to) || QFileInfo(to).isSymLink()) {
        *error = EEXIST;
        return false;
    }
    if (::rename(a.constData(), b.constData()) == 0) return true;
    *error = errno;
    return false;
}

} // namespace tunewalk
