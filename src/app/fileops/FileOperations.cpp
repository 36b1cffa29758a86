#include "app/fileops/FileOperations.h"

#include "app/listing/DetailReader.h"
#include "common/NativePath.h"
#include "common/PathRules.h"
#include "common/ResultText.h"
#include "fileops/FileMoves.h"
#include "fileops/Removal.h"
#include "fileops/Trash.h"
#include "history/FileChanges.h"
#include "history/Recording.h"
#include "shell/Prompter.h"

#include <map>
#include <memory>

namespace tunewalk {

namespace {

using Icon = Prompter::Icon;
using Buttons = Prompter::Buttons;
using Answer = Prompter::Answer;

QString displayName(const QString& path) {
    const QString name = fileNamePart(path);
    return name.isEmpty() ? displayPath(path) : displayPath(name);
}

QString confirmation(const QStringList& items, bool permanent) {
    if (items.size() == 1) {
        const QString name = displayName(items.front());
        return permanent ? FileOperations::tr("Are you sure you want to permanently delete \"%1\"?")
                               .arg(name)
                         : FileOperations::tr("Are you sure you want to move \"%1\" to the %2?")
                               .arg(name, trashName());
    }
    return permanent
               ? FileOperations::tr("Are you sure you want to permanently delete these %1 items?")
                     .arg(items.size())
               : FileOperations::tr("Are you sure you want to move these %1 items to the %2?")
                     .arg(items.size())
                     .arg(trashName());
}

QString movesDescription(const std::vector<FileOperations::Move>& moves,
                         const QString& destination) {
    if (moves.size() == 1)
        return FileOperations::tr("Move \"%1\" to \"%2\"")
            .arg(displayName(moves.front().source), displayName(destination));
    return FileOperations::tr("Move %1 items to \"%2\"")
        .arg(moves.size())
        .arg(displayName(destination));
}

QString deletionDescription(const QStringList& items, bool destroy) {
    if (items.size() == 1)
        return destroy
                   ? FileOperations::tr("Delete \"%1\" permanently").arg(displayName(items.front()))
                   : FileOperations::tr("Move \"%1\" to the %2")
                         .arg(displayName(items.front()), trashName());
    return destroy
               ? FileOperations::tr("Delete %1 items permanently").arg(items.size())
               : FileOperations::tr("Move %1 items to the %2").arg(items.size()).arg(trashName());
}

} // namespace

// One delete command on its way: what went and what went wrong so far.
struct FileOperations::Deletion {
    QStringList items;
    bool permanent = false;
    std::function<void(DeleteResult)> done;
    qsizetype gone = 0;
    std::vector<Trouble> failed, refused; // refused: what the Trash would not take
};

FileOperations::FileOperations(Prompter& prompter, QObject* parent)
    : QObject(parent), m_prompter(prompter) {
    connect(&m_runner, &FileJobRunner::finished, this, &FileOperations::finished);
}

// The runner stops its job as it goes; no outcome is shown to a window that is going away.
FileOperations::~FileOperations() = default;

void FileOperations::lookAtDrop(const QStringList& paths, const QString& destination,
                                std::function<void(const std::vector<Dropped>&)> done) {
    auto looks = std::make_shared<std::vector<Dropped>>();
    m_runner.run(
        tr("Looking at the dropped items"),
        [paths, destination, looks](FileJob& job) {
            for (const QString& path : paths) {
                if (job.cancelled()) return;
                const QString target = joinPath(destination, fileNamePart(path));
                looks->push_back({path, target, lookAtItem(path), lookAtItem(target)});
            }
        },
        [looks, done = std::move(done)](bool cancelled) {
            if (!cancelled) done(*looks); // a cancelled look asks nothing and moves nothing
        });
}

void FileOperations::moveItems(std::vector<Move> moves, const QString& destination,
                               bool folderSizes,
                               std::function<void(const std::vector<Moved>&)> done) {
    if (moves.empty()) return;
    auto results = std::make_shared<std::vector<Moved>>();
    const QString title = tr("Moving to \"%1\"").arg(displayPath(destination));
    // Written ahead on the worker: each item and where it goes. A merge is recorded by what it
    // moved.
    auto recording = std::make_shared<history::Recording>(
        m_historyPath, HistoryStore::EntryKind::Move, movesDescription(moves, destination));
    for (const Move& move : moves)
        recording->plan(history::move(move.kind == Move::Kind::Merge
                                          ? HistoryStore::ChangeKind::Merge
                                          : HistoryStore::ChangeKind::Move,
                                      move.source, move.target));
    m_runner.run(
        title,
        [moves = std::move(moves), results, folderSizes, recording](FileJob& job) {
            // A merge is written ahead item by item as it stands now, so one cut short can be
            // taken back, or finished, by what it had moved.
            std::map<QString, std::size_t> planned; // an item's place -> its planned change
            for (const Move& move : moves)
                if (move.kind == Move::Kind::Merge)
                    for (const MoveOutcome::Item& item : planMerge(move.source, move.target))
                        planned[item.from] = recording->plan(history::merged(item));
            recording->begin();
            job.addTotal(0, qint64(moves.size()));
            for (std::size_t i = 0; i < moves.size(); ++i) {
                const Move& move = moves[i];
                MoveOutcome outcome;
                if (job.cancelled())
                    outcome.cancelled = true;
                else if (move.kind == Move::Kind::Merge)
                    outcome = mergeFolder(move.source, move.target, job);
                else if (move.kind == Move::Kind::Replace)
                    outcome = replaceFile(move.source, move.target, job, &move.asked);
                else
                    outcome = moveItem(move.source, move.target, job);
                Moved moved{move, outcome, !itemExists(move.source), itemExists(move.target),
                            itemKind(move.target, true) == ItemKind::Folder};
                if (move.kind == Move::Kind::Merge) {
                    for (const MoveOutcome::Item& item : outcome.moved) {
                        const auto it = planned.find(item.from);
                        const bool asPlanned =
                            it != planned.end() && recording->change(it->second).target == item.to;
                        const std::size_t index =
                            asPlanned ? it->second : recording->plan(history::merged(item));
                        recording->change(index).replaced = item.replaced;
                        recording->made(index);
                    }
                } else if (moved.sourceGone && moved.arrived) {
                    recording->change(i).replaced = move.kind == Move::Kind::Replace;
                    recording->made(i);
                }
                results->push_back(std::move(moved));
            }
            recording->finish();
            if (!folderSizes) return;
            for (Moved& moved : *results)
                if (moved.targetIsFolder)
                    moved.folderSize = folderSize(moved.move.target, job.cancelFlag());
        },
        [this, results, recording, done = std::move(done)](bool) {
            endRecording(*recording);
            done(*results);
        });
}

void FileOperations::setHistory(HistoryStore* store, std::function<void()> recorded) {
    m_historyPath = store && store->isOpen() ? store->path() : QString();
    m_recorded = std::move(recorded);
}

// Back on the window's thread, the job's record finished on the worker.
void FileOperations::endRecording(const history::Recording& recording) {
    if (recording.recording() && m_recorded) m_recorded();
}

std::shared_ptr<history::Recording> FileOperations::recordDeletion(const QStringList& items,
                                                                   bool destroy) {
    auto recording = std::make_shared<history::Recording>(
        m_historyPath, destroy ? HistoryStore::EntryKind::Delete : HistoryStore::EntryKind::Trash,
        deletionDescription(items, destroy), !destroy);
    for (const QString& item : items) {
        history::Change change;
        change.kind = destroy ? HistoryStore::ChangeKind::Delete : HistoryStore::ChangeKind::Trash;
        change.path = item;
        recording->plan(std::move(change));
    }
    return recording; // begun on the worker
}

void FileOperations::deleteItems(const QStringList& paths, bool noConfirmation, bool permanent,
                                 std::function<void(DeleteResult)> done) {
    auto deletion = std::make_shared<Deletion>();
    for (const QString& path : paths)
        if (!path.isEmpty()) deletion->items << withoutTrailingSeparator(path);
    deletion->items.removeDuplicates();
    if (deletion->items.isEmpty()) return done(DeleteResult::Deleted);
    if (!noConfirmation && m_prompter.message(confirmation(deletion->items, permanent),
                                              Icon::Question, Buttons::YesNo) != Answer::Yes)
        return done(DeleteResult::Cancelled);
    deletion->permanent = permanent;
    deletion->done = std::move(done);
    runDeletion(deletion, deletion->items, permanent, [this, deletion](bool cancelled) {
        // The user asked for the Trash: nothing is destroyed instead without their word, and
        // after a Cancel nothing more is asked.
        if (cancelled || deletion->refused.empty() || !destroyRefused(*deletion))
            return endDeletion(*deletion);
        QStringList refused;
        for (const Trouble& t : deletion->refused)
            refused << t.path;
        deletion->refused.clear();
        runDeletion(deletion, refused, true, [this, deletion](bool) { endDeletion(*deletion); });
    });
}

void FileOperations::runDeletion(const std::shared_ptr<Deletion>& deletion,
                                 const QStringList& items, bool destroy,
                                 std::function<void(bool cancelled)> then) {
    struct Tally {
        qsizetype gone = 0;
        std::vector<Trouble> failed, refused;
    };
    auto tally = std::make_shared<Tally>();
    const QString title = destroy ? tr("Deleting") : tr("Moving to the %1").arg(trashName());
    auto recording = recordDeletion(items, destroy);
    m_runner.run(
        title,
        [items, destroy, tally, recording](FileJob& job) {
            recording->begin();
            // Finished here on the worker, however the job ends.
            const std::unique_ptr<history::Recording, void (*)(history::Recording*)> finishing(
                recording.get(), [](history::Recording* r) { r->finish(); });
            qint64 entries = 0;
            for (const QString& item : items)
                entries += destroy ? countEntries(item, job) : 1;
            job.addTotal(0, entries);
            for (qsizetype i = 0; i < items.size(); ++i) {
                const QString& item = items[i];
                if (job.cancelled()) return; // the rest stays untouched
                job.setItem(displayPath(item));
                TrashEntry made;
                if (!itemExists(item)) {
                    tally->failed.push_back({item, tr("it no longer exists")});
                } else if (const Result gone = destroy ? removeItem(item, job)
                                                       : moveToTrash(toNativePath(item), &made);
                           gone) {
                    ++tally->gone;
                    history::Change& change = recording->change(std::size_t(i));
                    change.target = fromNativePath(made.file);
                    change.trashInfo = fromNativePath(made.info);
                    recording->made(std::size_t(i));
                } else if (!gone.reason().empty()) { // no reason: cancelled half-way
                    (destroy ? tally->failed : tally->refused).push_back({item, reasonText(gone)});
                }
                if (!destroy) job.addItem();
            }
        },
        [this, deletion, tally, recording, then = std::move(then)](bool cancelled) {
            endRecording(*recording);
            deletion->gone += tally->gone;
            deletion->failed.insert(deletion->failed.end(), tally->failed.begin(),
                                    tally->failed.end());
            deletion->refused = tally->refused;
            then(cancelled);
        });
}

namespace {
QString listed(const std::vector<FileOperations::Trouble>& troubles) {
    QStringList lines;
    for (const auto& t : troubles)
        lines << QStringLiteral("\"%1\": %2").arg(displayPath(t.path), t.why);
    return lines.join(QLatin1Char('\n'));
}
} // namespace

bool FileOperations::destroyRefused(const Deletion& deletion) {
    const auto& refused = deletion.refused;
    const QString question =
        refused.size() == 1
            ? tr("\"%1\" cannot be moved to the %2: %3.\n\nDelete it permanently?")
                  .arg(displayPath(refused.front().path), trashName(), refused.front().why)
            : tr("These %1 items cannot be moved to the %2:\n\n%3\n\nDelete them permanently?")
                  .arg(refused.size())
                  .arg(trashName(), listed(refused));
    return m_prompter.message(question, Icon::Exclamation, Buttons::YesNo) == Answer::Yes;
}

void FileOperations::endDeletion(const Deletion& deletion) {
    const auto& failed = deletion.failed;
    if (!failed.empty()) {
        const bool permanent = deletion.permanent;
        QString text;
        if (failed.size() == 1) {
            const QString path = displayPath(failed.front().path);
            text = permanent ? tr("Cannot delete \"%1\": %2.").arg(path, failed.front().why)
                             : tr("Cannot move \"%1\" to the %2: %3.")
                                   .arg(path, trashName(), failed.front().why);
        } else {
            text = permanent ? tr("Cannot delete these %1 items:\n\n%2")
                                   .arg(failed.size())
                                   .arg(listed(failed))
                             : tr("Cannot move these %1 items to the %2:\n\n%3")
                                   .arg(failed.size())
                                   .arg(trashName(), listed(failed));
        }
        m_prompter.error(text);
    }
    if (deletion.gone == deletion.items.size())
        deletion.done(DeleteResult::Deleted);
    else if (deletion.gone == 0 && failed.empty())
        deletion.done(DeleteResult::Cancelled); // kept by the user, or stopped before any went
    else
        deletion.done(DeleteResult::Failed);
}

} // namespace tunewalk
