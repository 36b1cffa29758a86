#include "shell/cClipFiles.h"

#include "common/NativePath.h"
#include "common/PathRules.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

namespace tunewalk {

namespace {

const QString uriListFormat = QStringLiteral("text/uri-list");
// GNOME's and several other file managers' Copy/Cut: "copy" or "cut", then one URL a line.
const QString gnomeFormat = QStringLiteral("x-special/gnome-copied-files");

std::string keyOf(const QString& path) {
    return pathKey(path).toStdString();
}

} // namespace

bool cClipFiles::GetClipboardFiles() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return readFiles(clipboard ? clipboard->mimeData() : nullptr);
}

bool cClipFiles::readFiles(const QMimeData* data) {
    Clear();
    if (!data) return false;
    bool found = false;
    if (data->hasFormat(uriListFormat)) {
        found = true;
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) add(localPath(url));
    }
    if (data->hasFormat(gnomeFormat)) {
        found = true;
        const QStringList lines =
            QString::fromUtf8(data->data(gnomeFormat)).split(QLatin1Char('\n'));
        // The first line is the operation, not a file.
        for (qsizetype i = 1; i < lines.size(); ++i) {
            // Some writers end lines with CR or the whole list with a NUL.
            const QString line = lines[i].trimmed().remove(QChar(0));
            if (line.isEmpty()) continue;
            const QUrl url(line);
            if (url.isLocalFile()) add(localPath(url));
        }
    }
    return found;
}

void cClipFiles::add(const QString& path) {
    if (path.isEmpty()) return;
    // Both formats usually carry the same files; one record per path is all that is wanted.
    if (m_records.contains(keyOf(path)) || m_failed.contains(path)) return;
    cFileInfo info;
    if (!info.setName(path)) {
        m_failed << path;
        return;
    }
    m_records.add(keyOf(path), info);
}

void cClipFiles::Clear() {
    m_records.clear();
    m_failed.clear();
}

const cFileInfo* cClipFiles::find(const QString& path) const {
    return m_records.find(keyOf(path));
}

} // namespace tunewalk
