#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

namespace tunewalk {

// One entry met on a walk of a folder tree.
struct TreeEntry {
    enum class Kind { File, Folder, Link, Other };
    const std::filesystem::path& path;
    Kind kind;
    std::uint64_t size; // a regular file's bytes; 0 for the rest
};

// Visits everything below `folder` (not the folder itself) by raw names, each folder before
// what it holds. A link is an entry of its own and is never followed: what it leads to is not
// reached, so nothing outside the tree is counted, copied or removed, and nothing twice. A
// folder that may not be read is passed over; an entry gone since its folder was read is
// skipped. The walk stops when `visit` returns false. It blocks: run it on a worker.
void walkTree(const std::filesystem::path& folder,
              const std::function<bool(const TreeEntry&)>& visit);

} // namespace tunewalk
