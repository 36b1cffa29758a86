#include "fileops/Removal.h"

#include "common/NativePath.h"
#include "common/ResultText.h"
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

Result failed(const fs::path& path, const QString& why) {
    return itemFailure(fromFsPath(path), why);
}

Result removeTree(const fs::path& path, const fsc::ItemState& state, std::uint64_t device,
                  FileJob& job) {
    if (job.cancelled()) return failed(path, {});
    const fsc::Kind kind = state.kind;
    if (kind == fsc::Kind::Folder && state.device != device) {
        // Another drive mounted inside the folder: what is on it is not the folder's to lose.
        return failed(path, Removal::tr("\"%1\" is another drive mounted there; it was left alone")
                                .arg(displayPath(fromFsPath(path))));
    }
    if (kind == fsc::Kind::Folder) {
        std::vector<fs::path> entries;
        std::error_code ec;
        for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
            entries.push_back(it->path());
        if (ec) return failed(path, QString::fromLocal8Bit(ec.message()));
        for (const fs::path& entry : entries) {
            const fsc::ItemState inner = fsc::lookAt(entry);
            if (!inner.exists()) continue;
            if (Result removed = removeTree(entry, inner, device, job); !removed) return removed;
        }
        if (job.cancelled()) return failed(path, {});
    }
    job.setItem(displayPath(fromFsPath(path)));
    const int error = kind == fsc::Kind::Folder ? fsc::removeFolder(path) : fsc::removeFile(path);
    if (error) return failed(path, reason(error));
    job.addItem();
    if (FileFaults* faults = job.faults()) faults->removed(path);
    return Result::ok();
}

} // namespace

Result removeItem(const QString& path, FileJob& job) {
    const fs::path item = toFsPath(path);
    const fsc::ItemState state = fsc::lookAt(item);
    if (!state.exists())
        return failed(item, state.error ? reason(state.error) : Removal::tr("it no longer exists"));
    return removeTree(item, state, state.device, job);
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
