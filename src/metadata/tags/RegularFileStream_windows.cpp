#include "metadata/tags/RegularFileStream.h"

#include <taglib/tfilestream.h>

#include <filesystem>
#include <system_error>

namespace tunewalk {

// Windows has no pipes that look like files in a folder; the check by name is enough there.
std::unique_ptr<TagLib::IOStream> openRegularFile(const std::string& path, std::string* why) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(std::filesystem::u8path(path), error)) {
        if (why) *why = error ? error.message() : "not a regular file";
        return nullptr;
    }
    auto stream =
        std::make_unique<TagLib::FileStream>(std::filesystem::u8path(path).wstring().c_str(), true);
    if (!stream->isOpen()) {
        if (why) *why = "cannot be read";
        return nullptr;
    }
    return stream;
}

} // namespace tunewalk
