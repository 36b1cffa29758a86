#include "fileops/FileMoves.h"

#include "common/NativePath.h"
#include "common/SizeText.h"
#include "common/TreeWalk.h"
#include "fileops/FileJob.h"
#include "fileops/FileSystemCalls.h"

#include <QCoreApplication>
#include <QObject>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <set>
#include <string>
#include <system_error>
#include <vector>

namespace tunewalk {

namespace fs = std::filesystem;
using fsc::ItemState;
using fsc::Kind;

static_assert(int(ItemKind::Other) == int(Kind::Other), "one order for both");

namespace {

// The translation context of every message a move reports.
class FileMoves {
    Q_DECLARE_TR_FUNCTIONS(FileMoves)
};

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString shown(const fs::path& path) {
    return displayPath(fromFsPath(path));
}

// An error of the item at `item`; `line` is what the window shows for it.
Result failure(const fs::path& item, const QString& line) {
    return Result::failure(item.native(), line.toLocal8Bit().toStdString());
}

Result cannotMove(const fs::path& source, const fs::path& target, const QString& why) {
    return failure(
        source,
        FileMoves::tr("Cannot move \"%1\" to \"%2\": %3").arg(shown(source), shown(target), why));
}

Result copiedNotRemoved(const fs::path& source, const fs::path& copy, int error) {
    return failure(source, FileMoves::tr("\"%1\" was copied to \"%2\" but could not be removed: %3")
                               .arg(shown(source), shown(copy), reason(error)));
}

QString noSpace(const fs::path& folder, std::uint64_t needed) {
    const std::uint64_t free = fsc::freeSpace(folder).value_or(0);
    return FileMoves::tr("Not enough free space on \"%1\": %2 needed, %3 free.")
        .arg(shown(fsc::volumeRoot(folder)), formatSize(qint64(needed)), formatSize(qint64(free)));
}

// A short hidden name for a copy in progress: it fits any file system's name limit however
// long the file's own name is, and no listing shows it meanwhile.
std::string partPrefix(qint64 pid) {
    return ".tunewalk-" + std::to_string(pid) + "-";
}
fs::path partName(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    return target.parent_path() /
           (partPrefix(QCoreApplication::applicationPid()) + std::to_string(++counter) + ".part");
}

// Bytes in the regular files of a tree (links and folders count nothing).
std::uint64_t treeSize(const fs::path& folder, const FileJob& job) {
    std::uint64_t total = 0;
    walkTree(folder, [&](const TreeEntry& entry) {
        total += entry.size;
        return !job.cancelled();
    });
    return total;
}

// Whether `path` or a folder above it is `folder` itself, by identity: a folder cannot go
// into itself, whatever path leads there.
bool insideOf(fs::path path, const ItemState& folder) {
    for (;;) {
        if (fsc::sameItem(fsc::lookThrough(path), folder)) return true;
        if (!path.has_relative_path()) return false;
        path = path.parent_path();
    }
}

struct Copied {
    fs::path source, copy;
    ItemState state; // the source as it was copied
};
// What a copy made, in the order it made it; undone backwards, so what is inside a folder
// goes before the folder.
using CopyLog = std::vector<Copied>;

// How one piece of a copy ended: done, cancelled, or failed with the reason.
struct Step {
    enum Result { Done, Cancelled, Failed } result = Done;
    QString why;
    static Step failed(const QString& why) { return {Failed, why}; }
};

// Copies one file into place beside `target` (or over it when `replace`) by way of a part file
// that goes again on every failure.
Step copyFile(const fs::path& source, const ItemState& state, const fs::path& target, bool replace,
              FileJob& job) {
    fs::path part;
    int error = EEXIST;
    bool created = false;
    // A taken name (someone's file) is never touched: the next one is tried.
    for (int attempt = 0; attempt < 100 && error == EEXIST && !created; ++attempt) {
        part = partName(target);
        error = fsc::copyContents(source, state, part, job, &created);
    }
    if (!error) {
        if (FileFaults* faults = job.faults()) faults->copied(source);
        error = replace ? fsc::renameReplace(part, target) : fsc::renameNoReplace(part, target);
    }
    if (!error) return {};
    if (created) fsc::removeFile(part);
    switch (error) {
    case ECANCELED:
        return {Step::Cancelled, {}};
    case ENOSPC:
        return Step::failed(noSpace(target.parent_path(), state.size));
    case EEXIST:
        return Step::failed(FileMoves::tr("something of that name appeared there meanwhile"));
    case fsc::ChangedWhileCopied:
        return Step::failed(
            FileMoves::tr("it changed while it was copied (is a program still writing it?)"));
    default:
        return Step::failed(reason(error));
    }
}

// Copies a folder tree to `target`, which must not exist, reading it by raw names. Links are
// copied as links; anything that is neither file, folder nor link stops the copy.
Step copyLink(const fs::path& source, const ItemState& state, const fs::path& target,
              CopyLog& log) {
    std::error_code ec;
    fs::copy_symlink(source, target, ec);
    if (ec) return Step::failed(QString::fromLocal8Bit(ec.message()));
    log.push_back({source, target, state});
    return {};
}

// A FIFO, a socket or a device: never opened (a FIFO would block the move for ever), so it
// goes only by a rename.
Step cannotCopy(const fs::path& item) {
    return Step::failed(
        FileMoves::tr("\"%1\" is not a file or folder that can be copied").arg(shown(item)));
}

Step copyTree(const fs::path& source, const ItemState& state, const fs::path& target, CopyLog& log,
              FileJob& job) {
    std::error_code ec;
    if (!fs::create_directory(target, ec))
        return Step::failed(ec ? QString::fromLocal8Bit(ec.message())
                               : FileMoves::tr("it already exists"));
    log.push_back({source, target, state});
    for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
        if (job.cancelled()) return {Step::Cancelled, {}};
        const fs::path from = it->path(), to = target / from.filename();
        const ItemState item = fsc::lookAt(from);
        job.setItem(shown(from));
        Step step;
        switch (item.kind) {
        case Kind::Missing:
            continue; // gone since the folder was read: nothing to lose
        case Kind::Link:
            step = copyLink(from, item, to, log);
            break;
        case Kind::Folder:
            step = copyTree(from, item, to, log, job);
            break;
        case Kind::File:
            step = copyFile(from, item, to, false, job);
            if (step.result == Step::Done) log.push_back({from, to, item});
            break;
        case Kind::Other:
            return cannotCopy(from);
        }
        if (step.result != Step::Done) return step;
    }
    if (ec) return Step::failed(QString::fromLocal8Bit(ec.message()));
    fsc::flushFolder(target); // the names of its copies, before any source goes
    // The folder's own permissions last: a read-only folder still takes its copies first.
    fs::permissions(target, fs::symlink_status(source, ec).permissions(), ec);
    fs::last_write_time(target, fs::last_write_time(source, ec), ec);
    return {};
}

// Takes back what a failed or cancelled copy made, and only that.
void undoCopies(const CopyLog& log) {
    for (auto it = log.rbegin(); it != log.rend(); ++it)
        it->state.kind == Kind::Folder ? fsc::removeFolder(it->copy) : fsc::removeFile(it->copy);
}

// Lists, relative to `root`, what is still in a source folder after its move, but for what was
// already named.
QStringList leftIn(const fs::path& root, const QStringList& named = {}) {
    QStringList names;
    walkTree(root, [&](const TreeEntry& entry) {
        if (entry.kind != TreeEntry::Kind::Folder && !named.contains(shown(entry.path)))
            names << shown(entry.path.lexically_relative(root));
        return true;
    });
    return names;
}

// A source folder that stays because entries came into it while it was moved.
Result addedMeanwhile(const fs::path& folder, const QStringList& left) {
    return failure(folder, FileMoves::tr("\"%1\" was not removed: these items were added to it "
                                         "during the move and stay there:\n%2")
                               .arg(shown(folder), left.join(QLatin1Char('\n'))));
}

// The copies are complete: the sources go, backwards, each only if it is still what was
// copied. A file that changed meanwhile keeps its place and its stale copy goes; a folder that
// gained an entry stays with that entry.
void removeSources(const CopyLog& log, const fs::path& root, MoveOutcome& outcome, FileJob& job) {
    QStringList changed;
    for (auto it = log.rbegin(); it != log.rend(); ++it) {
        switch (it->state.kind) {
        case Kind::Folder:
            if (fsc::removeFolder(it->source) == 0) // never forced
                if (FileFaults* faults = job.faults()) faults->removed(it->source);
            break;
        case Kind::File:
            if (!fsc::unchanged(fsc::lookAt(it->source), it->state)) {
                fsc::removeFile(it->copy);
                changed << shown(it->source);
                break;
            }
            [[fallthrough]];
        default:
            if (const int error = fsc::removeFile(it->source))
                outcome.fail(copiedNotRemoved(it->source, it->copy, error));
            else if (FileFaults* faults = job.faults())
                faults->removed(it->source);
        }
    }
    if (!changed.isEmpty())
        outcome.fail(failure(root, FileMoves::tr("These files changed during the move and stay "
                                                 "where they were:\n%1")
                                       .arg(changed.join(QLatin1Char('\n')))));
    if (fsc::lookAt(root).kind != Kind::Folder) return;
    const QStringList left = leftIn(root, changed);
    if (left.isEmpty()) return;
    outcome.fail(addedMeanwhile(root, left));
}

// A move across file systems: copy, check, and only then let go of the source.
MoveOutcome copyAcross(const fs::path& source, const ItemState& state, const fs::path& target,
                       FileJob& job) {
    MoveOutcome outcome;
    const std::uint64_t needed = state.kind == Kind::Folder ? treeSize(source, job) : state.size;
    job.addTotal(std::int64_t(needed), 0);
    if (job.cancelled()) {
        outcome.cancelled = true;
        return outcome;
    }
    const auto free = fsc::freeSpace(target.parent_path());
    if (free && needed > *free) {
        outcome.fail(cannotMove(source, target, noSpace(target.parent_path(), needed)));
        return outcome;
    }
    CopyLog log;
    Step step;
    if (state.kind == Kind::Other) {
        step = cannotCopy(source);
    } else if (state.kind == Kind::Link) {
        step = copyLink(source, state, target, log);
    } else if (state.kind == Kind::Folder) {
        step = copyTree(source, state, target, log, job);
    } else {
        step = copyFile(source, state, target, false, job);
        if (step.result == Step::Done) log.push_back({source, target, state});
    }
    if (step.result == Step::Done) {
        fsc::flushFolder(target.parent_path());
        removeSources(log, source, outcome, job);
        return outcome;
    }
    undoCopies(log);
    if (step.result == Step::Cancelled)
        outcome.cancelled = true;
    else
        outcome.fail(cannotMove(source, target, step.why));
    return outcome;
}

} // namespace

ItemKind itemKind(const QString& path, bool follow) {
    const fs::path item = toFsPath(path);
    return ItemKind(int((follow ? fsc::lookThrough(item) : fsc::lookAt(item)).kind));
}

ItemLook lookAtItem(const QString& path) {
    const fs::path item = toFsPath(path);
    const ItemState state = fsc::lookAt(item);
    const ItemKind kind = ItemKind(int(state.kind));
    return {kind, kind == ItemKind::Link ? ItemKind(int(fsc::lookThrough(item).kind)) : kind,
            state.device, state.inode};
}

bool sameItem(const QString& a, const QString& b) {
    return fsc::sameItem(fsc::lookAt(toFsPath(a)), fsc::lookAt(toFsPath(b)));
}

MoveOutcome moveItem(const QString& sourcePath, const QString& targetPath, FileJob& job) {
    MoveOutcome outcome;
    const fs::path source = toFsPath(sourcePath), target = toFsPath(targetPath);
    const ItemState state = fsc::lookAt(source), there = fsc::lookAt(target);
    job.setItem(shown(source));
    if (!state.exists()) {
        outcome.fail(cannotMove(source, target, FileMoves::tr("it no longer exists")));
        return outcome;
    }
    if (there.exists()) {
        // A case-only rename where names ignore case finds the item itself: that is no clash.
        const bool caseRename = fsc::sameItem(state, there) && source != target &&
                                source.parent_path() == target.parent_path();
        if (!caseRename) {
            outcome.fail(
                cannotMove(source, target,
                           fsc::sameItem(state, there)
                               ? FileMoves::tr("it is the same item as the target")
                               : FileMoves::tr("something of that name is already there")));
            return outcome;
        }
    }
    if (state.kind == Kind::Folder && insideOf(target.parent_path(), state)) {
        outcome.fail(cannotMove(source, target, FileMoves::tr("a folder cannot move into itself")));
        return outcome;
    }
    int error = job.faults() ? job.faults()->rename(source, target) : 0;
    if (!error) error = fsc::renameNoReplace(source, target);
    if (!error) {
        job.addItem();
        return outcome;
    }
    if (error != EXDEV) {
        outcome.fail(cannotMove(source, target, reason(error)));
        return outcome;
    }
    outcome = copyAcross(source, state, target, job);
    job.addItem();
    return outcome;
}

MoveOutcome moveItem(const QString& source, const QString& target) {
    FileJob job;
    return moveItem(source, target, job);
}

MoveOutcome replaceFile(const QString& sourcePath, const QString& targetPath, FileJob& job,
                        const ItemLook* asked) {
    MoveOutcome outcome;
    const fs::path source = toFsPath(sourcePath), target = toFsPath(targetPath);
    const ItemState state = fsc::lookAt(source), there = fsc::lookAt(target);
    job.setItem(shown(source));
    if (state.kind != Kind::File) {
        outcome.fail(cannotMove(source, target, FileMoves::tr("it no longer exists")));
        return outcome;
    }
    if (fsc::sameItem(state, there)) {
        outcome.fail(
            cannotMove(source, target, FileMoves::tr("it is the same item as the target")));
        return outcome;
    }
    if (there.kind != Kind::File) {
        outcome.fail(cannotMove(source, target, FileMoves::tr("what is there is not a file")));
        return outcome;
    }
    // Only the file the user agreed to replace is replaced: not one that took its place since
    // (another dropped file of the same name that has just arrived, say).
    if (asked && (asked->device != there.device || asked->inode != there.inode)) {
        outcome.fail(
            cannotMove(source, target, FileMoves::tr("the file there changed since the question")));
        return outcome;
    }
    int error = job.faults() ? job.faults()->rename(source, target) : 0;
    if (!error) error = fsc::renameReplace(source, target);
    if (error == EXDEV) {
        job.addTotal(std::int64_t(state.size), 0);
        const auto free = fsc::freeSpace(target.parent_path());
        const Step step = free && state.size > *free
                              ? Step::failed(noSpace(target.parent_path(), state.size))
                              : copyFile(source, state, target, true, job);
        if (step.result == Step::Cancelled) {
            outcome.cancelled = true;
        } else if (step.result == Step::Failed) {
            outcome.fail(cannotMove(source, target, step.why));
        } else if (fsc::flushFolder(target.parent_path());
                   !fsc::unchanged(fsc::lookAt(source), state)) {
            outcome.fail(failure(source, FileMoves::tr("\"%1\" changed during the move and stays "
                                                       "where it was; \"%2\" holds the copy made "
                                                       "before it changed.")
                                             .arg(shown(source), shown(target))));
        } else if (const int removed = fsc::removeFile(source)) {
            outcome.fail(copiedNotRemoved(source, target, removed));
        }
    } else if (error) {
        outcome.fail(cannotMove(source, target, reason(error)));
    }
    job.addItem();
    return outcome;
}

MoveOutcome mergeFolder(const QString& sourcePath, const QString& targetPath, FileJob& job) {
    MoveOutcome outcome;
    const fs::path source = toFsPath(sourcePath), target = toFsPath(targetPath);
    const ItemState state = fsc::lookAt(source), there = fsc::lookThrough(target);
    if (fsc::sameItem(state, there)) {
        outcome.fail(cannotMove(source, target,
                                FileMoves::tr("it is the same folder, reached by another path")));
        return outcome;
    }
    if (state.kind != Kind::Folder || insideOf(target, state)) {
        outcome.fail(cannotMove(source, target, FileMoves::tr("a folder cannot move into itself")));
        return outcome;
    }
    // Names first: the folder changes while its entries move out. What the target held before
    // the merge is noted by identity: only that is ever replaced or merged into, never what
    // this merge has just brought in (on a drive that ignores case, "Song.mp3" and "song.mp3"
    // from the source meet at one name).
    std::vector<fs::path> names;
    std::error_code ec;
    for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename());
    if (ec) outcome.fail(cannotMove(source, target, QString::fromLocal8Bit(ec.message())));
    std::set<std::pair<std::uint64_t, std::uint64_t>> before;
    for (fs::directory_iterator it(target, ec), end; !ec && it != end; it.increment(ec)) {
        const ItemState entry = fsc::lookAt(it->path());
        before.insert({entry.device, entry.inode});
    }
    job.addTotal(0, std::int64_t(names.size()));
    for (const fs::path& name : names) {
        if (job.cancelled()) {
            outcome.cancelled = true;
            return outcome;
        }
        const QString from = fromFsPath(source / name), to = fromFsPath(target / name);
        const Kind kind = fsc::lookAt(source / name).kind;
        const ItemState there = fsc::lookAt(target / name);
        const Kind existing = there.kind;
        if (existing != Kind::Missing && !before.count({there.device, there.inode})) {
            outcome.fail(cannotMove(source / name, target / name,
                                    FileMoves::tr("something of that name came there during the "
                                                  "move")));
            job.addItem();
        } else if (existing == Kind::Missing) {
            MoveOutcome one = moveItem(from, to, job);
            if (one.ok && !one.cancelled) one.moved.push_back({from, to, false});
            outcome.absorb(one);
        } else if (kind == Kind::Folder && existing == Kind::Folder) {
            outcome.absorb(mergeFolder(from, to, job));
        } else if (kind == Kind::File && existing == Kind::File) {
            MoveOutcome one = replaceFile(from, to, job);
            if (one.ok && !one.cancelled) one.moved.push_back({from, to, true});
            outcome.absorb(one);
        } else {
            outcome.fail(cannotMove(source / name, target / name,
                                    existing == Kind::Folder
                                        ? FileMoves::tr("a folder of that name is there")
                                        : FileMoves::tr("a file of that name is there")));
        }
        if (outcome.cancelled) return outcome;
    }
    job.addItem(); // the folder itself
    const int error = fsc::removeFolder(source);
    if (error == 0) outcome.moved.push_back({sourcePath, {}, false});
    if (error == 0 || !outcome.ok) return outcome;
    if (error != ENOTEMPTY && error != EEXIST)
        outcome.fail(failure(
            source,
            FileMoves::tr("\"%1\" could not be removed: %2").arg(shown(source), reason(error))));
    else
        outcome.fail(addedMeanwhile(source, leftIn(source)));
    return outcome;
}

namespace {
// mergeFolder's choices, made on the disk as it is: a name the target lacks moves whole, two
// folders merge, two files replace, anything else is a clash the merge will refuse.
void planInto(const fs::path& source, const fs::path& target,
              std::vector<MoveOutcome::Item>& plan) {
    std::error_code ec;
    for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path name = it->path().filename();
        const Kind kind = fsc::lookAt(source / name).kind;
        const Kind existing = fsc::lookAt(target / name).kind;
        const QString from = fromFsPath(source / name), to = fromFsPath(target / name);
        if (existing == Kind::Missing)
            plan.push_back({from, to, false});
        else if (kind == Kind::Folder && existing == Kind::Folder)
            planInto(source / name, target / name, plan);
        else if (kind == Kind::File && existing == Kind::File)
            plan.push_back({from, to, true});
    }
    plan.push_back({fromFsPath(source), {}, false});
}
} // namespace

std::vector<MoveOutcome::Item> planMerge(const QString& source, const QString& target) {
    std::vector<MoveOutcome::Item> plan;
    planInto(toFsPath(source), toFsPath(target), plan);
    return plan;
}

QStringList removePartFiles(const QString& folder, qint64 pid, bool within) {
    QStringList removed;
    if (pid <= 0) return removed;
    const std::string prefix = partPrefix(pid);
    const auto isPart = [&](const fs::path& path) {
        const std::string name = path.filename().native();
        return name.size() > prefix.size() + 5 && name.compare(0, prefix.size(), prefix) == 0 &&
               name.compare(name.size() - 5, 5, ".part") == 0;
    };
    const fs::path root = toFsPath(folder);
    std::vector<fs::path> found; // removed after the walk, not under it
    if (within) {
        walkTree(root, [&](const TreeEntry& entry) {
            if (entry.kind == TreeEntry::Kind::File && isPart(entry.path))
                found.push_back(entry.path);
            return true;
        });
    } else {
        std::error_code ec;
        for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
            if (isPart(it->path())) found.push_back(it->path());
    }
    for (const fs::path& path : found)
        if (fsc::lookAt(path).kind == Kind::File && fsc::removeFile(path) == 0)
            removed << fromFsPath(path);
    return removed;
}

} // namespace tunewalk
