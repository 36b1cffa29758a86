#include "common/PathRules.h"

#include <QDir>
#include <algorithm>

namespace tunewalk {

namespace {

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity PathCase = Qt::CaseInsensitive;

bool isSeparator(QChar c) {
    return c == u'/' || c == u'\\';
}

// "C:", "C:\" and "\\server\share\" are roots; the length of the root prefix of `path`, or 0.
qsizetype rootLength(const QString& path) {
    if (path.size() >= 2 && path[0].isLetter() && path[1] == u':')
        return (path.size() >= 3 && isSeparator(path[2])) ? 3 : 2;
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        // \\server\share\ : the root runs to the separator after the share name.
        qsizetype i = 2;
        int separators = 0;
        for (; i < path.size(); ++i) {
            if (isSeparator(path[i]) && ++separators == 2) return i + 1;
        }
        return path.size();
    }
    return (!path.isEmpty() && isSeparator(path[0])) ? 1 : 0;
}
#else
constexpr Qt::CaseSensitivity PathCase = Qt::CaseSensitive;

bool isSeparator(QChar c) {
    return c == u'/';
}

qsizetype rootLength(const QString& path) {
    return (!path.isEmpty() && path[0] == u'/') ? 1 : 0;
}
#endif

// The path without separators after its last component; a root stays as it is.
QString trimmed(const QString& path) {
    const qsizetype root = rootLength(path);
    qsizetype end = path.size();
    while (end > root && isSeparator(path[end - 1]))
        --end;
    return path.left(end);
}

qsizetype lastSeparator(const QString& path) {
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (isSeparator(path[i])) return i;
    }
    return -1;
}

} // namespace

bool samePath(const QString& a, const QString& b) {
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(a).compare(QDir::toNativeSeparators(b), PathCase) == 0;
#else
    return a == b;
#endif
}

bool pathContains(const QString& path, const QString& part) {
    return path.contains(part, PathCase);
}

bool pathIsWithin(const QString& path, const QString& folder) {
    const QString p = trimmed(path), f = trimmed(folder);
    if (f.isEmpty() || p.size() <= f.size()) return false;
    if (!p.startsWith(f, PathCase)) return false;
    // A root already ends in its separator.
    return isSeparator(f.back()) || isSeparator(p[f.size()]);
}

QString pathKey(const QString& path) {
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(path).toLower();
#else
    return path;
#endif
}

QString joinPath(const QString& folder, const QString& name) {
    qsizetype start = 0;
    while (start < name.size() && isSeparator(name[start]))
        ++start;
    const QString rest = name.mid(start);
    if (folder.isEmpty()) return rest;
    if (isSeparator(folder.back())) return folder + rest;
    return folder + QDir::separator() + rest;
}

QString withoutTrailingSeparator(const QString& path) {
    QString p = QDir::fromNativeSeparators(path);
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')) && !p.endsWith(QLatin1String(":/")))
        p.chop(1);
    return QDir::toNativeSeparators(p);
}

QString parentPath(const QString& path) {
    const QString p = trimmed(path);
    const qsizetype root = rootLength(p);
    if (root == p.size()) return {}; // a root, or an empty text
    const qsizetype sep = lastSeparator(p);
    if (sep < 0) return root > 0 ? p.left(root) : QString(); // "C:name", or a bare name
    if (sep < root) return p.left(root);
    return trimmed(p.left(sep + 1));
}

QString fileNamePart(const QString& path) {
    const QString p = trimmed(path);
    const qsizetype root = rootLength(p);
    if (root == p.size()) return {};
    const qsizetype sep = lastSeparator(p);
    return p.mid(std::max(sep + 1, root));
}

} // namespace tunewalk
