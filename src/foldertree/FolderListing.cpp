#include "foldertree/FolderListing.h"

#include "foldertree/TreeNode.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <algorithm>

namespace tunewalk::FolderListing {

namespace {

// Without QDir::Hidden and QDir::System the iterator skips dot folders and broken links, and
// it learns the entry type from the directory entry itself, so a big folder costs no stat
// calls per entry.
constexpr QDir::Filters ShownFolders = QDir::Dirs | QDir::NoDotAndDotDot;

} // namespace

std::optional<QStringList> subFolderNames(const QString& folder) {
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable()) return std::nullopt;
    QStringList names;
    QDirIterator it(folder, ShownFolders);
    while (it.hasNext()) {
        it.next();
        names.append(it.fileName());
    }
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return TreeNode::compareText(a, b) < 0; });
    return names;
}

bool hasSubFolder(const QString& folder) {
    QDirIterator it(folder, ShownFolders);
    return it.hasNext();
}

} // namespace tunewalk::FolderListing
