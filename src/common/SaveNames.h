#pragma once

#include <string>

namespace tunewalk {

// The hidden name beside `path` (raw bytes of the name) that a file written anew whole is
// written under, flushed and checked, before it is renamed over the old one. One left by a save
// cut short is removed when the history finds that save.
inline std::string rewritePathFor(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return dir + ".tunewalk-save-" + name;
}

} // namespace tunewalk
