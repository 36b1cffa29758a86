// A rename that refuses to replace: MoveFileEx without MOVEFILE_REPLACE_EXISTING.
#include "common/FileMoves.h"

#include <cerrno>
#include <windows.h>

namespace tunewalk {

bool renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                     int* error) {
    if (::MoveFileExW(from.c_str(), to.c_str(), 0)) return true;
    switch (::GetLastError()) {
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        *error = EEXIST;
        break;
    case ERROR_NOT_SAME_DEVICE:
        *error = EXDEV;
        break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        *error = ENOENT;
        break;
    default:
        *error = EACCES;
        break;
    }
    return false;
}

} // namespace tunewalk
