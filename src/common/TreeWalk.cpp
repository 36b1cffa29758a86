#include "common/TreeWalk.h"

namespace tunewalk {

namespace fs = std::filesystem;

void walkTree(const fs::path& folder, const std::function<bool(const TreeEntry&)>& visit) {
    std::error_code ec;
    // Not following directory links is the iterator's default; it is this walk's one rule.
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::error_code lost;
        const fs::file_type type = it->symlink_status(lost).type();
        if (lost || type == fs::file_type::not_found) continue;
        using Kind = TreeEntry::Kind;
        const Kind kind = type == fs::file_type::symlink     ? Kind::Link
                          : type == fs::file_type::directory ? Kind::Folder
                          : type == fs::file_type::regular   ? Kind::File
                                                             : Kind::Other;
        std::uint64_t size = 0;
        if (kind == Kind::File) {
            size = it->file_size(lost);
            if (lost) size = 0;
        }
        if (!visit({it->path(), kind, size})) return;
    }
}

} // namespace tunewalk
