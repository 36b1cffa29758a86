// The engine's file-system calls on Windows: std::filesystem where it does the job, and
// MoveFileEx for the rename that must not replace.
#include "fileops/FileSystemCalls.h"

#include "fileops/FileJob.h"

#include <cerrno>
#include <fstream>
#include <memory>
#include <system_error>
#include <windows.h>

namespace tunewalk::fsc {

namespace fs = std::filesystem;

namespace {

int errnoOf(DWORD error) {
    switch (error) {
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        return EEXIST;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    default:
        return EACCES;
    }
}

ItemState look(const fs::path& path, bool follow) {
    ItemState state;
    std::error_code ec;
    const fs::file_status status = follow ? fs::status(path, ec) : fs::symlink_status(path, ec);
    if (!fs::exists(status)) return state;
    state.kind = fs::is_symlink(status)        ? Kind::Link
                 : fs::is_directory(status)    ? Kind::Folder
                 : fs::is_regular_file(status) ? Kind::File
                                               : Kind::Other;
    HANDLE h = ::CreateFileW(
        path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT),
        nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info;
        if (::GetFileInformationByHandle(h, &info)) {
            state.device = info.dwVolumeSerialNumber;
            state.inode = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
            state.size = (std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
            state.modified = (std::int64_t(info.ftLastWriteTime.dwHighDateTime) << 32) |
                             info.ftLastWriteTime.dwLowDateTime;
        }
        ::CloseHandle(h);
    }
    return state;
}

} // namespace

ItemState lookAt(const fs::path& path) {
    return look(path, false);
}

ItemState lookThrough(const fs::path& path) {
    return look(path, true);
}

int renameNoReplace(const fs::path& from, const fs::path& to) {
    return ::MoveFileExW(from.c_str(), to.c_str(), 0) ? 0 : errnoOf(::GetLastError());
}

int renameReplace(const fs::path& from, const fs::path& to) {
    return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)
               ? 0
               : errnoOf(::GetLastError());
}

int copyContents(const fs::path& source, const ItemState& state, const fs::path& copy, FileJob& job,
                 bool* created) {
    if (lookAt(copy).exists()) return EEXIST;
    std::ifstream in(source, std::ios::binary);
    if (!in) return EACCES;
    std::ofstream out(copy, std::ios::binary);
    if (!out) return EACCES;
    *created = true;
    constexpr std::size_t Chunk = 1 << 20;
    const auto buffer = std::make_unique<char[]>(Chunk);
    std::uint64_t done = 0;
    while (in) {
        if (job.cancelled()) return ECANCELED;
        in.read(buffer.get(), Chunk);
        const auto n = std::size_t(in.gcount());
        if (n == 0) break;
        if (FileFaults* faults = job.faults())
            if (const int error = faults->write(copy, done, n)) return error;
        if (!out.write(buffer.get(), std::streamsize(n))) return ENOSPC;
        done += n;
        job.addBytes(std::int64_t(n));
    }
    out.close();
    if (!out) return EIO;
    if (done != state.size) return ChangedWhileCopied;
    std::error_code ec;
    fs::last_write_time(copy, fs::last_write_time(source, ec), ec);
    return ec ? ec.value() : 0;
}

int removeFile(const fs::path& path) {
    std::error_code ec;
    fs::remove(path, ec);
    return ec ? ec.value() : 0;
}

int removeFolder(const fs::path& path) {
    return ::RemoveDirectoryW(path.c_str()) ? 0 : errnoOf(::GetLastError());
}

void flushFolder(const fs::path& folder) {
    (void)folder; // the file system keeps its own folder entries
}

fs::path volumeRoot(const fs::path& path) {
    return path.root_path();
}

std::optional<std::uint64_t> freeSpace(const fs::path& folder) {
    std::error_code ec;
    const auto space = fs::space(folder, ec);
    if (ec) return std::nullopt;
    return space.available;
}

} // namespace tunewalk::fsc
