#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tunewalk::SubFolders {

// The names of the sub-folders of `folder`, in the tree's text order. Hidden folders and
// entries that are not folders (files, broken links) are left out. Nothing when `folder` is
// not a readable folder (gone, replaced by a file, a volume without its medium).
std::optional<QStringList> subFolderNames(const QString& folder);

// Whether `folder` has at least one sub-folder the tree would show: the probe that decides on
// a node's expand button. Stops at the first one found.
bool hasSubFolder(const QString& folder);

} // namespace tunewalk::SubFolders
