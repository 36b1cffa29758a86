#include "metadata/tags/RegularFileStream.h"

#include <taglib/tfilestream.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tunewalk {

std::unique_ptr<TagLib::IOStream> openRegularFile(const std::string& path, std::string* why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (why) *why = std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (why) *why = "not a regular file";
        ::close(fd);
        return nullptr;
    }
    // The stream owns the descriptor from here on.
    auto stream = std::make_unique<TagLib::FileStream>(fd, true);
    if (!stream->isOpen()) {
        if (why) *why = "cannot be read";
        return nullptr;
    }
    return stream;
}

} // namespace tunewalk
