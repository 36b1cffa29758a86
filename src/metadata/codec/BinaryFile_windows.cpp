#include "BinaryFile.h"

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

} // namespace tunewalk
