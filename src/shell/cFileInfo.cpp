#include "shell/cFileInfo.h"

#include "common/NativePath.h"

namespace tunewalk {

bool cFileInfo::setName(const QString& path) {
    m_error.clear();
    const NativeFileInfo info = nativeFileInfo(path);
    const QString shown = displayPath(path);
    if (path.isEmpty() || !info.exists) {
        m_error = tr("File not found: %1").arg(shown);
        return false;
    }
    // A folder on the clipboard has no length of its own; the file system's block size is not
    // one, so it reads as 0 on every platform.
    m_size = info.isDir ? 0 : info.size;
    m_name = path;
    const QDateTime modified = info.modified;
    if (!modified.isValid()) {
        m_error = tr("Cannot read the time of %1").arg(shown);
        return false;
    }
    m_modified = modified;
    // The last dot of the whole path, not of the file name: "/my.music/readme" gives
    // "music/readme", as the record always did.
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) m_extension = path.mid(dot + 1);
    return true;
}

} // namespace tunewalk
