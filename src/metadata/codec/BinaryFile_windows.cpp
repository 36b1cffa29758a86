#include "BinaryFile.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <system_error>

namespace tunewalk {

std::optional<BinaryFile::Stamp> BinaryFile::lookAt(const std::string& path) {
    // file_size also refuses anything that is not a regular file.
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) return std::nullopt;
    const auto modified = std::filesystem::last_write_time(path, ec);
    if (ec) return std::nullopt;
    return Stamp{
        static_cast<std::int64_t>(size),
        std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch()).count()};
}

std::FILE* BinaryFile::openRegular(const std::string& path, Mode mode, Stamp& stamp) {
    // Windows has no FIFOs in the file system: a look before the open is enough here.
    errno = 0;
    const auto looked = lookAt(path);
    if (!looked) {
        if (errno == 0) errno = EINVAL;
        return nullptr;
    }
    std::FILE* file = std::fopen(path.c_str(), mode == Mode::Read ? "rb" : "r+b");
    if (file) stamp = *looked;
    return file;
}

} // namespace tunewalk
