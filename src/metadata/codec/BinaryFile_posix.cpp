#include "BinaryFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tunewalk {
namespace {

BinaryFile::Stamp stampOf(const struct stat& facts) {
    return {static_cast<std::int64_t>(facts.st_size),
            static_cast<std::int64_t>(facts.st_mtim.tv_sec) * 1'000'000'000 +
                static_cast<std::int64_t>(facts.st_mtim.tv_nsec)};
}

} // namespace

// One stat gives both size and time: a listing reads thousands of files, and a second look at
// each would cost as much as a good part of reading it.
std::optional<BinaryFile::Stamp> BinaryFile::lookAt(const std::string& path) {
    struct stat facts {};
    if (::stat(path.c_str(), &facts) != 0 || !S_ISREG(facts.st_mode)) return std::nullopt;
    return stampOf(facts);
}

std::FILE* BinaryFile::openRegular(const std::string& path, Mode mode, Stamp& stamp) {
    // A stat before the open cannot keep a FIFO out: one put in the file's place between the
    // two would block open() until someone writes to it. Opened without waiting, the file that
    // was opened is the one looked at.
    const int access = mode == Mode::Read ? O_RDONLY : O_RDWR;
    const int fd = ::open(path.c_str(), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        // A folder opened for writing, or a socket: neither is a regular file.
        if (errno == EISDIR || errno == ENXIO) errno = EINVAL;
        return nullptr;
    }
    struct stat facts {};
    const bool looked = ::fstat(fd, &facts) == 0;
    if (!looked || !S_ISREG(facts.st_mode)) {
        const int error = looked ? EINVAL : errno;
        ::close(fd);
        errno = error;
        return nullptr;
    }
    // O_NONBLOCK stays: it changes nothing for a regular file, and two more calls per file
    // would cost a listing of thousands of them.
    std::FILE* file = ::fdopen(fd, mode == Mode::Read ? "rb" : "r+b");
    if (!file) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return nullptr;
    }
    stamp = stampOf(facts);
    return file;
}

} // namespace tunewalk
