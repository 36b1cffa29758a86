#pragma once

#include <memory>
#include <string>

namespace TagLib {
class IOStream;
}

namespace tunewalk {

// A read-only stream on the regular file at `path`, opened without blocking and checked on the
// open descriptor, so a pipe or device swapped in for the file is never read; null, with `why`
// set, otherwise.
std::unique_ptr<TagLib::IOStream> openRegularFile(const std::string& path, std::string* why);

} // namespace tunewalk
