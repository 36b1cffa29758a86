#pragma once

#include <QDir>
#include <QString>

// How the tree spells the paths it is given. Keys are built from these with pathKey().
namespace tunewalk::TreePaths {

inline QChar separator() {
    return QDir::separator();
}

// Native separators, no "." or ".." components, no trailing separator except on a root.
inline QString clean(const QString& path) {
    if (path.isEmpty()) return {};
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

inline QString withSeparator(const QString& path) {
    return path.endsWith(separator()) ? path : path + separator();
}

// Whether the folder keyed `key` is the folder keyed `folderKey` or lies inside it, by whole
// components ("/a/bc" is not inside "/a/b").
inline bool keyInside(const QString& key, const QString& folderKey) {
    if (folderKey.isEmpty() || !key.startsWith(folderKey)) return false;
    return key.size() == folderKey.size() || folderKey.endsWith(separator()) ||
           key.at(folderKey.size()) == separator();
}

} // namespace tunewalk::TreePaths
