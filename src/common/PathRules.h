#pragma once

#include <QString>

namespace tunewalk {

// The one place that knows how this platform compares paths: exactly on Linux, ignoring letter
// case on Windows. No other code lower-cases a path.
bool samePath(const QString& a, const QString& b);
// Whether `path` contains `part` by the platform's rule.
bool pathContains(const QString& path, const QString& part);
// Whether `path` lies below `folder`, comparing whole components: /music/a is within /music,
// /music2 is not, and a folder is not within itself.
bool pathIsWithin(const QString& path, const QString& folder);
// The key the folder tree uses for a folder: the path itself on Linux, lower case on Windows;
// a volume root keeps its trailing separator.
QString pathKey(const QString& path);

// Native path joining that never doubles a separator ("/" + "x" gives "/x").
QString joinPath(const QString& folder, const QString& name);
// The path without separators at its end, a root kept ("/", "C:\\"): with a trailing
// separator a link to a folder would stand for the folder it points to.
QString withoutTrailingSeparator(const QString& path);
// The folder part of a path ("" for a root).
QString parentPath(const QString& path);
// The last component of a path.
QString fileNamePart(const QString& path);

} // namespace tunewalk
