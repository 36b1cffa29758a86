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

QString nameOf(const QString& path) {
    return displayPath(QFileInfo(path).fileName());
}

} // namespace

std::optional<FileTagSave> prepareTagSave(const QString& path, const TagFields& fields,
                                          const TagWriteOptions& options,
                                          const QString& keptFolder, QString* why) {
    std::string failure;
    std::optional<TagSavePlan> plan =
        planTagSave(toNativePath(path).toStdString(), fields, options, &failure);
    if (!plan) {
        if (why) *why = QString::fromStdString(failure);
        return std::nullopt;
    }
    FileTagSave save;
    save.path = fromNativePath(QByteArray::fromStdString(plan->path));
    if (plan->inPlace) {
        std::vector<HistoryStore::Region> regions;
        for (const ByteRegion& r : plan->regions)
            regions.push_back({r.offset, QByteArray::fromStdString(r.before),
                               QByteArray::fromStdString(r.after)});
        save.change = history::tagRegions(save.path, std::move(regions), plan->modifiedNs,
                                          plan->device, plan->inode);
    } else {
        const QString kept =
            keptFolder.isEmpty() ? QString() : history::newKeptPath(keptFolder, save.path);
        save.change = history::fileReplace(save.path, kept, plan->modifiedNs, plan->device,
                                           plan->inode);
    }
    save.plan = std::move(*plan);
    return save;
}

bool carryOutTagSave(const FileTagSave& save, bool keep, QString* why) {
    std::string failure;
    const auto keepOld = [&] {
        if (!keep || save.change.target.isEmpty()) return true;
        const QString error = history::keepFile(save.path, save.change.target);
        if (!error.isEmpty()) failure = error.toStdString();
        return error.isEmpty();
    };
    if (writeTagSave(save.plan, keepOld, &failure)) return true;
    if (why) *why = QString::fromStdString(failure);
    return false;
}

TagSaveOutcome saveTags(const HistoryPlace& history, HistoryStore::EntryKind kind,
                        const QString& description, const std::vector<TagSaveRequest>& requests,
                        const TagWriteOptions& options, bool keepTimes,
                        const std::function<bool(int done, int total)>& progress) {
    TagSaveOutcome out;
    const int total = int(requests.size());
    int done = 0;
    const auto told = [&] { return !progress || progress(done, total); };

    std::optional<history::Recording> record;
    if (history.store)
        record.emplace(history.store, kind, description);
    else
        record.emplace(history.storePath, kind, description);
    const QString keptFolder =
        history.any()
            ? history::keptFolderFor(history.store ? history.store->path() : history.storePath)
            : QString();

    // Every file worked out first, in memory: what is written is known before the history's
    // record of it is.
    struct Planned {
        FileTagSave save;
        std::size_t change = 0;
        QString requested;
    };
    std::vector<Planned> planned;
    for (const TagSaveRequest& request : requests) {
        QString why;
        std::optional<FileTagSave> save =
            prepareTagSave(request.path, request.fields, options, keptFolder, &why);
        if (!save) {
            out.failures << QStringLiteral("%1: %2").arg(nameOf(request.path), why);
            out.failedPaths << request.path;
        }
        else if (!save->plan.changes)
            ++out.unchanged;
        else {
            const std::size_t change = record->plan(save->change);
            planned.push_back({std::move(*save), change, request.path});
        }
    }
    if (planned.empty()) return out;
    record->begin();
    const bool keeping = record->recording();

    for (const Planned& p : planned) {
        if (out.cancelled) break;
        QString why;
        if (carryOutTagSave(p.save, keeping, &why)) {
            if (keepTimes) {
                const qint64 ns = p.save.plan.modifiedNs;
                (void)setModificationTime(p.save.path, {ns / 1000000000, ns % 1000000000});
            }
            record->made(p.change);
            ++out.written;
            out.rewritten += p.save.plan.inPlace ? 0 : 1;
            out.savedPaths << p.save.path;
        } else {
            out.failures << QStringLiteral("%1: %2").arg(nameOf(p.save.path), why);
            out.failedPaths << p.requested;
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
