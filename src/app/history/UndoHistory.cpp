#include "app/history/UndoHistory.h"

#include "app/fileops/FileOperations.h"
#include "common/NativePath.h"
#include "common/PathRules.h"
#include "fileops/FileMoves.h"
#include "fileops/Trash.h"
#include "history/FileChanges.h"
#include "history/Undo.h"
#include "shell/Prompter.h"

#include <QDateTime>
#include <QLockFile>
#include <QSet>
#include <algorithm>

namespace tunewalk {

namespace {
using State = HistoryStore::State;

using Kind = HistoryStore::ChangeKind;

bool canUndo(const HistoryStore::Entry& e) {
    return e.undoable && (e.state == State::Done || e.state == State::Incomplete);
}

// The copies in progress that a job killed mid-way left beside the places its changes go to,
// and inside a folder it was copying. Only the part files of that program's run go.
// How many went: a run that left one behind was cut short even if nothing else had moved.
qsizetype removeLeftParts(const std::vector<HistoryStore::Change>& changes, qint64 pid) {
    if (pid <= 0) return 0;
    QSet<QString> folders;
    qsizetype removed = 0;
    for (const HistoryStore::Change& c : changes) {
        if (c.kind != Kind::Move && c.kind != Kind::Rename && c.kind != Kind::Merge) continue;
        folders << parentPath(c.path) << parentPath(c.target);
        for (const QString& place : {c.path, c.target})
            if (itemKind(place) == ItemKind::Folder)
                removed += removePartFiles(place, pid, true).size();
    }
    for (const QString& folder : folders)
        removed += removePartFiles(folder, pid).size();
    return removed;
}

// What an undo or redo of `changes` left on the disk, looked at on the worker (thousands of
// items on a slow share never hold the window).
UndoHistory::Touched lookAtTouched(const std::vector<HistoryStore::Change>& changes) {
    QStringList places;
    UndoHistory::Touched touched;
    for (const HistoryStore::Change& c : changes) {
        places << c.path << parentPath(c.path);
        if (!c.target.isEmpty() && c.kind != HistoryStore::ChangeKind::Trash) places << c.target;
        if (c.kind == HistoryStore::ChangeKind::TagWrite ||
            c.kind == HistoryStore::ChangeKind::HeaderWrite)
            touched.rewritten << c.path;
    }
    places.removeDuplicates();
    for (const QString& place : places) {
        const ItemKind kind = itemKind(place, true);
        if (kind == ItemKind::Folder)
            touched.folders << place;
        else if (kind == ItemKind::Missing)
            touched.gone << place;
    }
    return touched;
}
} // namespace

UndoHistory::UndoHistory(FileOperations& fileOps, Prompter& prompter, const QString& path,
                         QObject* parent)
    : QObject(parent), m_fileOps(fileOps), m_prompter(prompter),
      m_store(std::make_unique<HistoryStore>(path)) {}

UndoHistory::~UndoHistory() = default;

HistoryStore* UndoHistory::store() {
    return m_store->isOpen() ? m_store.get() : nullptr;
}

std::optional<QString> UndoHistory::takeSetAsideNotice() {
    return m_store->isOpen() ? m_store->takeSetAsideNotice() : std::nullopt;
}

std::optional<UndoHistory::Entry> UndoHistory::undoTarget() {
    const std::vector<Entry> newest = m_store->entries(50);
    // While an action is still being made (a long move, tunewalk-tag at work), there is
    // nothing to undo yet: not the action before it either.
    if (!newest.empty() && newest.front().state == State::Open) return std::nullopt;
    for (const Entry& e : newest)
        if (canUndo(e)) return e;
    return std::nullopt;
}

std::optional<UndoHistory::Entry> UndoHistory::redoTarget() {
    // Among the undone actions on top of the history, the one undone last. Anything done
    // since ends the chance to redo what lies under it.
    std::optional<Entry> target;
    for (const Entry& e : m_store->entries(50)) {
        // A run cut short on top, with moves still to make, is finished by Redo.
        if (!target && e.state == State::Incomplete && canFinish(e.id)) return e;
        if (e.state != State::Undone) break; // done since, or still being made
        if (!target || e.changed > target->changed) target = e;
    }
    return target;
}

bool UndoHistory::canFinish(qint64 id) {
    const auto changes = m_store->readChanges(id);
    if (!changes) return false;
    const history::Tally now = history::tally(*changes);
    return now.toMake > 0 || now.split > 0;
}

void UndoHistory::undo(qint64 id) {
    run(id, true);
}

void UndoHistory::redo(qint64 id) {
    run(id, false);
}

void UndoHistory::run(qint64 id, bool undo) {
    const std::optional<Entry> entry = m_store->entry(id);
    if (m_busy || !entry) return;
    if (undo ? !canUndo(*entry)
             : entry->state != State::Undone && entry->state != State::Incomplete)
        return;
    struct Job {
        std::vector<HistoryStore::Change> changes;
        history::Outcome outcome;
        Touched touched;
    };
    const QString refused = undo ? tr("%1 cannot be undone:").arg(entry->description)
                                 : tr("%1 cannot be redone:").arg(entry->description);
    std::optional<std::vector<HistoryStore::Change>> changes = m_store->readChanges(id);
    if (!changes) {
        // Nothing to go by: taking it for an action that changed nothing would mark it undone.
        m_prompter.error(refused + QLatin1String("\n\n") +
                         tr("Its record in the history is damaged.") + QLatin1String("\n\n") +
                         tr("Nothing was changed."));
        return;
    }
    auto job = std::make_shared<Job>();
    job->changes = std::move(*changes);
    const State before = entry->state;
    // Written ahead like any change: an undo cut short is found at the next start as a run
    // cut short, and what it put back is told by looking at the files. Its lock tells that
    // start whose part files are left, and another program that it is still at work.
    auto lock = std::make_shared<QLockFile>(m_store->lockPath(id));
    lock->setStaleLockTime(0);
    lock->tryLock(0);
    if (!m_store->setState(id, State::Open)) {
        m_prompter.error(tr("The history cannot be written, so nothing was undone."));
        return;
    }
    m_busy = true;
    emit changed();
    const auto direction = undo ? history::Direction::Undo : history::Direction::Redo;
    const QString title = (undo ? tr("Undoing %1") : tr("Redoing %1")).arg(entry->description);
    m_fileOps.runner().run(
        title,
        [job, direction](FileJob& fileJob) {
            job->outcome = history::applyAll(job->changes, direction, fileJob);
            if (job->outcome.applied > 0) job->touched = lookAtTouched(job->changes);
        },
        [this, job, id, undo, before, refused, lock](bool) {
            m_busy = false;
            const history::Outcome& out = job->outcome;
            const history::Tally now = history::tally(job->changes);
            // Undone only when every change is off the disk: a partial undo leaves the rest to
            // undo again. A redo stopped half-way is done as far as it went; a run cut short
            // stays so until it is finished or taken back whole.
            State state = undo ? before : State::Done;
            if (!now.made && !now.split)
                state = State::Undone;
            else if (!now.toMake && !now.split)
                state = State::Done;
            else if (before == State::Incomplete)
                state = State::Incomplete;
            m_store->update(id, state, job->changes);
            lock->unlock();
            emit changed();
            if (out.applied > 0) emit applied(job->touched);
            if (out.ok || out.cancelled) return;
            QString text = refused + QLatin1String("\n\n") + out.problems.join(QLatin1Char('\n'));
            if (out.applied == 0) text += QLatin1String("\n\n") + tr("Nothing was changed.");
            m_prompter.error(text);
        });
}

std::vector<UndoHistory::Record> UndoHistory::recover() {
    std::vector<Record> cut;
    for (Record& r : m_store->incomplete()) {
        // Still being made by a program at work (tunewalk-tag on a long batch): not cut short.
        QLockFile running(m_store->lockPath(r.entry.id));
        running.setStaleLockTime(0);
        qint64 pid = 0; // the program that was making it, whose part files are left
        QString host, program;
        if (!running.getLockInfo(&pid, &host, &program)) pid = 0;
        if (!running.tryLock(0)) continue;
        // Items trashed just before the cut: where they went was never noted. The Trash is
        // read once for all of them.
        QStringList trashed;
        for (const HistoryStore::Change& c : r.changes)
            if (c.kind == HistoryStore::ChangeKind::Trash && c.target.isEmpty() &&
                !itemExists(c.path))
                trashed << c.path;
        const auto inTrash =
            trashed.isEmpty()
                ? std::map<QString, TrashEntry>()
                : findInTrash(trashed, QDateTime::fromMSecsSinceEpoch(r.entry.timeMs - 1000));
        const bool leftParts = removeLeftParts(r.changes, pid) > 0;
        std::vector<HistoryStore::Change> kept;
        bool madeOnce = false; // some change was made at some time (by the action or a redo)
        for (HistoryStore::Change& c : r.changes) {
            if (const auto it = inTrash.find(c.path); it != inTrash.end()) {
                c.target = fromNativePath(it->second.file);
                c.trashInfo = fromNativePath(it->second.info);
            }
            history::finishCutShort(c);
            if (history::isSplit(c)) {
                c.kind = Kind::Split; // half-way across drives: both ways are open
                madeOnce = true;
            } else if (history::reached(c)) {
                history::settle(c);
                madeOnce = true;
            } else if (history::wasMade(c)) {
                c.applied = false; // an undo cut short had taken it back: it can be made again
                madeOnce = true;
            } else if (c.kind == Kind::Move || c.kind == Kind::Rename ||
                       c.kind == Kind::RemoveFolder) {
                c.applied = false; // written ahead and not reached: kept, so Redo finishes it
            } else {
                continue; // only written ahead, and nothing to make it from
            }
            kept.push_back(std::move(c));
        }
        if (!madeOnce && !leftParts) {
            m_store->discard(r.entry.id); // cut short before it changed anything
            continue;
        }
        const history::Tally now = history::tally(kept);
        r.entry.state = now.made || now.split || leftParts ? State::Incomplete : State::Undone;
        m_store->update(r.entry.id, r.entry.state, kept);
        if (r.entry.state == State::Undone) continue;
        r.changes = std::move(kept);
        r.entry.changeCount = int(r.changes.size());
        cut.push_back(std::move(r));
    }
    emit changed();
    return cut;
}

} // namespace tunewalk
