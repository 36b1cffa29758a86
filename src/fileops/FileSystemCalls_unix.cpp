#include "fileops/FileSystemCalls.h"

#include "fileops/FileJob.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>

namespace tunewalk::fsc {

namespace {

ItemState fromStat(int result, const struct stat& st) {
    ItemState state;
    if (result != 0) {
        state.error = errno == ENOENT || errno == ENOTDIR ? 0 : errno;
        return state;
    }
    state.kind = S_ISREG(st.st_mode)   ? Kind::File
                 : S_ISDIR(st.st_mode) ? Kind::Folder
                 : S_ISLNK(st.st_mode) ? Kind::Link
                                       : Kind::Other;
    state.device = st.st_dev;
    state.inode = st.st_ino;
    state.size = std::uint64_t(st.st_size);
    state.modified = std::int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    return state;
}

// Closes on every path out; the copy's own close is checked where it matters.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

int writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += n;
        size -= std::size_t(n);
    }
    return 0;
}

// A cancel is noticed after at most this much, also on a slow stick.
constexpr std::size_t Chunk = 256 << 10;
// Written data is sent to the disk window by window as the copy goes, so the flush at the
// end (which no cancel can interrupt) has at most two windows left to write.
constexpr off_t FlushWindow = 8 << 20;

} // namespace

ItemState lookAt(const std::filesystem::path& path) {
    struct stat st;
    const int result = ::lstat(path.c_str(), &st);
    return fromStat(result, st);
}

ItemState lookThrough(const std::filesystem::path& path) {
    struct stat st;
    const int result = ::stat(path.c_str(), &st);
    return fromStat(result, st);
}

int openRegular(const std::filesystem::path& path, int flags) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return -1;
    if (S_ISREG(st.st_mode)) {
        // Non-blocking all the same: a FIFO put in its place since the look opens at once.
        const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return -1;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            return fd;
        }
        ::close(fd);
    }
    errno = EINVAL;
    return -1;
}

int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
    const char *a = from.c_str(), *b = to.c_str();
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, a, AT_FDCWD, b, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
#endif
    // A link fails when the name is taken, so no window opens between check and rename.
    if (lookAt(from).kind != Kind::Folder) {
        if (::link(a, b) == 0) {
            ::unlink(a);
            return 0;
        }
        if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP) return errno;
    }
    if (lookAt(to).exists()) return EEXIST;
    return ::rename(a, b) == 0 ? 0 : errno;
}

int renameReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int copyContents(const std::filesystem::path& source, const ItemState& state,
                 const std::filesystem::path& copy, FileJob& job, bool* created) {
    Fd in{openRegular(source, O_RDONLY)};
    if (in.fd < 0) return errno;
    struct stat st;
    if (::fstat(in.fd, &st) != 0) return errno;
    Fd out{::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)};
    if (out.fd < 0) return errno;
    *created = true;
    ::posix_fadvise(in.fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    const auto buffer = std::make_unique<char[]>(Chunk);
    std::uint64_t done = 0;
    off_t sent = 0;                  // written up to here has been started on its way
    std::pair<off_t, off_t> waiting; // the window before: offset, length
    for (;;) {
        if (job.cancelled()) return ECANCELED;
        const ssize_t n = ::read(in.fd, buffer.get(), Chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) break;
        if (FileFaults* faults = job.faults())
            if (const int error = faults->write(copy, done, std::size_t(n))) return error;
        if (const int error = writeAll(out.fd, buffer.get(), std::size_t(n))) return error;
        done += std::uint64_t(n);
        job.addBytes(n);
#ifdef __linux__
        if (off_t(done) - sent >= FlushWindow) {
            // Start this window on its way, then wait for the one before it.
            ::sync_file_range(out.fd, sent, off_t(done) - sent, SYNC_FILE_RANGE_WRITE);
            if (waiting.second > 0)
                ::sync_file_range(out.fd, waiting.first, waiting.second,
                                  SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                      SYNC_FILE_RANGE_WAIT_AFTER);
            waiting = {sent, off_t(done) - sent};
            sent = off_t(done);
        }
#endif
    }
    if (done != state.size) return ChangedWhileCopied;
    ::fchmod(out.fd, st.st_mode & 07777);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(out.fd, times) != 0) return errno;
    if (::fsync(out.fd) != 0) return errno;
    struct stat written;
    if (::fstat(out.fd, &written) != 0) return errno;
    if (std::uint64_t(written.st_size) != done) return EIO;
    const int fd = out.fd;
    out.fd = -1;
    return ::close(fd) == 0 ? 0 : errno;
}

int removeFile(const std::filesystem::path& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int removeFolder(const std::filesystem::path& path) {
    return ::rmdir(path.c_str()) == 0 ? 0 : errno;
}

void flushFolder(const std::filesystem::path& folder) {
    Fd fd{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (fd.fd >= 0) ::fsync(fd.fd);
}

std::filesystem::path volumeRoot(const std::filesystem::path& path) {
    std::filesystem::path top = path;
    const ItemState here = lookThrough(top);
    while (top.has_relative_path()) {
        const std::filesystem::path up = top.parent_path();
        const ItemState above = lookThrough(up);
        if (!above.exists() || above.device != here.device) break;
        top = up;
    }
    return top;
}

std::optional<std::uint64_t> freeSpace(const std::filesystem::path& folder) {
    struct statvfs vfs;
    if (::statvfs(folder.c_str(), &vfs) != 0) return std::nullopt;
    return std::uint64_t(vfs.f_bavail) * vfs.f_frsize;
}

} // namespace tunewalk::fsc
