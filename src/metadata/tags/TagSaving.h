#pragma once

#include "history/HistoryStore.h"
#include "metadata/tags/TagWriter.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace tunewalk {

// One file's save: the path (raw bytes of the name as Qt holds them) and what to set.
struct TagSaveRequest {
    QString path;
    TagFields fields;
};

// Where a run of saves is recorded: the window's open store, or the path of a history for a
// connection of the run's own (another thread, tunewalk-tag). Neither: nothing is recorded.
struct HistoryPlace {
    HistoryStore* store = nullptr;
    QString storePath;
    bool any() const { return store || !storePath.isEmpty(); }
};

struct TagSaveOutcome {
    int written = 0;   // files changed
    int rewritten = 0; // of those, written whole: the tags outgrew their room
    int unchanged = 0; // held the values already
    bool cancelled = false;
    QStringList savedPaths;
    QStringList failures; // one line per file not written: "Name.flac: the system's reason"
    QStringList failedPaths; // those files, as requested
    qint64 historyId = 0; // the entry recorded; 0 when none was
    bool ok() const { return failures.isEmpty(); }
};

// One file's save for a run that keeps its own record: the plan, the change that records it
// (a save in place, or a whole rewrite whose old version is to be kept in `keptFolder`), made
// before the record is written ahead.
struct FileTagSave {
    QString path; // as saved into: links followed
    TagSavePlan plan;
    HistoryStore::Change change;
};
// Empty, with `why`, when the file cannot be read or saved as its kind; a plan without changes
// when the file holds the values already.
std::optional<FileTagSave> prepareTagSave(const QString& path, const TagFields& fields,
                                          const TagWriteOptions& options,
                                          const QString& keptFolder, QString* why);
// Writes it; with `keep`, a whole rewrite's old version is kept where the change says first.
bool carryOutTagSave(const FileTagSave& save, bool keep, QString* why);

// Saves every request as one history entry of `kind` (each file planned in memory first, then
// the entry written ahead, then the files written; a rewritten file's original is kept in the
// history's folder, a hard link where it can be, so the save can be undone byte for byte).
// With `keepTimes` each file gets its modification time back. `progress` is told after each
// file and stops the run when it returns false (the files written so far stay recorded).
TagSaveOutcome saveTags(const HistoryPlace& history, HistoryStore::EntryKind kind,
                        const QString& description, const std::vector<TagSaveRequest>& requests,
                        const TagWriteOptions& options, bool keepTimes = false,
                        const std::function<bool(int done, int total)>& progress = {});

} // namespace tunewalk
