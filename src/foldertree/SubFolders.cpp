#include "foldertree/SubFolders.h"

#include "common/NativePath.h"
#include "foldertree/TreeNode.h"

#include <algorithm>
#include <filesystem>

namespace tunewalk::SubFolders {

namespace fs = std::filesystem;

namespace {

// Calls `take` with each shown sub-folder's name until it returns false; false when the folder
// cannot be read (gone, not a folder, no permission). The folder is read by
// its raw names (Qt's iterator skips names that are not valid text); dot folders and entries
// that are no folders (files, broken links) stay out. The entry type comes from the directory
// entry itself, so a big folder costs no stat calls per entry; only links are followed.
template <typename Take> bool forEachSubFolder(const QString& folder, Take take) {
    std::error_code ec;
    fs::directory_iterator it(toFsPath(folder), ec);
    if (ec) return false;
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (!it->is_directory(kind)) continue;
        const QString name = fromFsPath(it->path().filename());
        if (!name.startsWith(QLatin1Char('.')) && !take(name)) break;
    }
    return true;
}

} // namespace

std::optional<QStringList> subFolderNames(const QString& folder) {
    QStringList names;
    const bool readable = forEachSubFolder(folder, [&names](const QString& name) {
        names.append(name);
        return true;
    });
    if (!readable) return std::nullopt;
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return TreeNode::compareText(a, b) < 0; });
    return names;
}

bool hasSubFolder(const QString& folder) {
    bool found = false;
    forEachSubFolder(folder, [&found](const QString&) {
        found = true;
        return false;
    });
    return found;
}

} // namespace tunewalk::SubFolders
