#include "metadata/tags/TagSaving.h"

#include "common/FileTimes.h"
#include "common/NativePath.h"
#include "history/FileChanges.h"
#include "history/KeptFiles.h"
#include "history/Recording.h"

#include <QFileInfo>
#include <optional>

namespace tunewalk {

namespace {

struct Planned {
    QString path; // as saved into: links followed
    TagSavePlan plan;
    QString kept; // a whole rewrite's old version, kept for undo
    std::size_t change = 0;
};

QString nameOf(const QString& path) {
    return displayPath(QFileInfo(path).fileName());
}

} // namespace

TagSaveOutcome saveTags(const HistoryPlace& history, HistoryStore::EntryKind kind,
                        const QString& description, const std::vector<TagSaveRequest>& requests,
                        const TagWriteOptions& options, bool keepTimes,
                        const std::function<bool(int done, int total)>& progress) {
    TagSaveOutcome out;
    const int total = int(requests.size());
    int done = 0;
    const auto told = [&] { return !progress || progress(done, total); };

    // Every file worked out first, in memory: what is written is known before the history's
    // record of it is.
    std::vector<Planned> planned;
    for (const TagSaveRequest& request : requests) {
        std::string why;
        const std::optional<TagSavePlan> plan =
            planTagSave(toNativePath(request.path).toStdString(), request.fields, options, &why);
        if (!plan)
            out.failures << QStringLiteral("%1: %2").arg(nameOf(request.path),
                                                          QString::fromStdString(why));
        else if (!plan->changes)
            ++out.unchanged;
        else
            planned.push_back({fromNativePath(QByteArray::fromStdString(plan->path)), *plan, {}, 0});
    }
    if (planned.empty()) return out;

    std::optional<history::Recording> record;
    if (history.store)
        record.emplace(history.store, kind, description);
    else
        record.emplace(history.storePath, kind, description);
    const QString keptFolder =
        history.any() ? history::keptFolderFor(history.store ? history.store->path() : history.storePath)
                      : QString();
    for (Planned& p : planned) {
        std::vector<HistoryStore::Region> regions;
        for (const ByteRegion& r : p.plan.regions)
            regions.push_back({r.offset, QByteArray::fromStdString(r.before),
                               QByteArray::fromStdString(r.after)});
        if (!p.plan.inPlace && !keptFolder.isEmpty()) p.kept = history::newKeptPath(keptFolder, p.path);
        p.change = record->plan(
            p.plan.inPlace
                ? history::tagRegions(p.path, std::move(regions), p.plan.modifiedNs,
                                      p.plan.device, p.plan.inode)
                : history::fileReplace(p.path, p.kept, p.plan.modifiedNs, p.plan.device,
                                       p.plan.inode));
    }
    record->begin();
    const bool keeping = record->recording();

    for (const Planned& p : planned) {
        if (out.cancelled) break;
        std::string why;
        const auto keep = [&] {
            if (!keeping || p.kept.isEmpty()) return true;
            const QString error = history::keepFile(p.path, p.kept);
            if (!error.isEmpty()) why = error.toStdString();
            return error.isEmpty();
        };
        if (writeTagSave(p.plan, keep, &why)) {
            if (keepTimes) {
                const qint64 ns = p.plan.modifiedNs;
                (void)setModificationTime(p.path, {ns / 1000000000, ns % 1000000000});
            }
            record->made(p.change);
            ++out.written;
            out.rewritten += p.plan.inPlace ? 0 : 1;
            out.savedPaths << p.path;
        } else {
            out.failures << QStringLiteral("%1: %2").arg(nameOf(p.path), QString::fromStdString(why));
        }
        ++done;
        if (!told()) out.cancelled = true;
    }
    const bool recorded = record->recording();
    const qint64 id = record->id();
    record->finish();
    if (recorded && out.written > 0) out.historyId = id;
    return out;
}

} // namespace tunewalk
