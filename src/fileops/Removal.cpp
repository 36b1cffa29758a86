#include "fileops/Removal.h"

#include "common/NativePath.h"
#include "common/TreeWalk.h"
#include "fileops/FileJob.h"
#include "fileops/FileSystemCalls.h"

#include <QCoreApplication>
#include <QObject>
#include <cstring>
#include <system_error>
#include <vector>

namespace tunewalk {

namespace fs = std::filesystem;

namespace {

// The translation context of what a deletion reports.
class Removal {
    Q_DECLARE_TR_FUNCTIONS(Removal)
};

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

bool removeTree(const fs::path& path, const fsc::ItemState& state, std::uint64_t device,
                FileJob& job, QString* why) {
    if (job.cancelled()) return false;
    const fsc::Kind kind = state.kind;
    if (kind == fsc::Kind::Folder && state.device != device) {
        // Another drive mounted inside the folder: what is on it is not the folder's to lose.
        *why = Removal::tr("\"%1\" is another drive mounted there; it was left alone")
                   .arg(displayPath(fromFsPath(path)));
        return false;
    }
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
            const fsc::ItemState inner = fsc::lookAt(entry);
            if (inner.exists() && !removeTree(entry, inner, device, job, why)) return false;
        }
        if (job.cancelled()) return false;
    }
    job.setItem(displayPath(fromFsPath(path)));
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
        *why = state.error ? reason(state.error) : Removal::tr("it no longer exists");
        return false;
    }
    return removeTree(item, state, state.device, job, why);
}

std::int64_t countEntries(const QString& path, const FileJob& job) {
    const fs::path item = toFsPath(path);
    if (fsc::lookAt(item).kind != fsc::Kind::Folder) return 1;
    std::int64_t count = 1;
    walkTree(item, [&](const TreeEntry&) {
        ++count;
        return !job.cancelled();
    });
    return count;
}

} // namespace tunewalk
