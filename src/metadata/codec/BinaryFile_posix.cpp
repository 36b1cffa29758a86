#include "BinaryFile.h"

#include <sys/stat.h>

namespace tunewalk {

// One stat gives both size and time: a listing reads thousands of files, and a second look at
// each would cost as much as a good part of reading it.
std::optional<BinaryFile::Stamp> BinaryFile::lookAt(const std::string& path) {
    struct stat facts {};
    if (::stat(path.c_str(), &facts) != 0 || !S_ISREG(facts.st_mode)) return std::nullopt;
    return Stamp{static_cast<std::int64_t>(facts.st_size),
                 static_cast<std::int64_t>(facts.st_mtim.tv_sec) * 1'000'000'000 +
                     static_cast<std::int64_t>(facts.st_mtim.tv_nsec)};
}

} // namespace tunewalk
