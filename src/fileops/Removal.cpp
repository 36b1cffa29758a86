#include "fileops/Removal.h"

#include "common/NativePath.h"
#include "fileops/FileJob.h"
#include "fileops/FileSystemCalls.h"

#include <QDir>
#include <QObject>
#include <cstring>
#include <system_error>
#include <vector>

namespace tunewalk {

namespace fs = std::filesystem;

namespace {

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

bool removeTree(const fs::path& path, fsc::Kind kind, FileJob& job, QString* why) {
    if (job.cancelled()) return false;
    if (kind == fsc::Kind::Folder) {
        std::vector<fs::path> entries;
        std::error_code ec;
        for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
            entries.push_back(it->path());
        if (ec) {
            *why = QString::fromLocal8Bit(ec.message());
            return false;
        }
        for (const fs::path& entry : entries) {
            const fsc::Kind inner = fsc::lookAt(entry).kind;
            if (inner != fsc::Kind::Missing && !removeTree(entry, inner, job, why)) return false;
        }
        if (job.cancelled()) return false;
    }
    job.setItem(QDir::toNativeSeparators(displayPath(fromFsPath(path))));
    const int error = kind == fsc::Kind::Folder ? fsc::removeFolder(path) : fsc::removeFile(path);
    if (error) {
        *why = reason(error);
        return false;
    }
    job.addItem();
    if (FileFaults* faults = job.faults()) faults->removed(path);
    return true;
}

} // namespace

bool removeItem(const QString& path, FileJob& job, QString* why) {
    const fs::path item = toFsPath(path);
    const fsc::ItemState state = fsc::lookAt(item);
    if (!state.exists()) {
        *why = state.error ? reason(state.error) : QObject::tr("it no longer exists");
        return false;
    }
    return removeTree(item, state.kind, job, why);
}

std::int64_t countEntries(const QString& path) {
    const fs::path item = toFsPath(path);
    if (fsc::lookAt(item).kind != fsc::Kind::Folder) return 1;
    std::int64_t count = 1;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(item, ec), end; !ec && it != end; it.increment(ec))
        ++count;
    return count;
}

} // namespace tunewalk
