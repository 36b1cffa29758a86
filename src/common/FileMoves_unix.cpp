// A rename that refuses to replace: renameat2 with RENAME_NOREPLACE where the file system
// supports it, otherwise a hard link (files) or a checked rename (folders).
#include "common/FileMoves.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tunewalk {

bool renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                     int* error) {
    const char *a = from.c_str(), *b = to.c_str();
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, a, AT_FDCWD, b, RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) {
        *error = errno;
        return false;
    }
#endif
    // A link fails when the name is taken, so no window opens between check and rename.
    std::error_code ec;
    if (!std::filesystem::is_directory(std::filesystem::symlink_status(from, ec))) {
        if (::link(a, b) == 0) {
            ::unlink(a);
            return true;
        }
        if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP) {
            *error = errno;
            return false;
        }
    }
    if (std::filesystem::exists(std::filesystem::symlink_status(to, ec))) {
        *error = EEXIST;
        return false;
    }
    if (::rename(a, b) == 0) return true;
    *error = errno;
    return false;
}

} // namespace tunewalk
