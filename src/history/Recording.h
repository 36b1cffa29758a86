#pragma once

#include "history/HistoryStore.h"

#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace tunewalk::history {

// One action's record in the history, kept as the action goes: its changes are planned, then
// written ahead all at once (begin), each is settled when it has been made, and finish() keeps
// the ones made (or forgets the entry when none was). Without a store, or when the history
// cannot be written, it records nothing and the action goes on all the same: a history that
// fails never stops the user's work.
class Recording {
public:
    using Change = HistoryStore::Change;
    using EntryKind = HistoryStore::EntryKind;

    Recording(HistoryStore* store, EntryKind kind, QString description, bool undoable = true);
    // For a job on a thread of its own: planned anywhere, then begun, made and finished on
    // the job's thread, through a connection of its own to the history at `storePath` (empty:
    // nothing is recorded). The window's thread never waits for the history's disk.
    Recording(const QString& storePath, EntryKind kind, QString description, bool undoable = true);
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    // Index of the planned change in changes().
    std::size_t plan(Change change);
    // Writes the entry and every planned change ahead of the work, as one durable record.
    bool begin();
    // The change at `index` has been made: it takes the item as it is now.
    void made(std::size_t index);
    // The same, told by the work what it wrote and how it left the file (its size and time),
    // so a batch of thousands of files is not read again to learn it.
    void made(std::size_t index, const QByteArray& written, qint64 size, qint64 modifiedNs);
    // The change at `index` as the work found it after all (a file that changed before its
    // turn), kept in memory until finish().
    Change& change(std::size_t index) { return m_changes[index]; }
    std::vector<Change>& changes() { return m_changes; }
    // Keeps the changes that were made; an action that made none leaves no entry. Also run
    // by the destructor when not called.
    void finish();

    qint64 id() const { return m_id; }
    bool recording() const { return m_id != 0; }

    // Told, on the thread that began it, whether each action meant for a history got its
    // record written (false: the action goes ahead but cannot be undone). One listener for the
    // process, the window; none by default. It is called with a lock held, so once
    // clearWrittenListener(owner) returns it is not running and never runs again.
    using WrittenListener = std::function<void(bool written)>;
    static void setWrittenListener(const void* owner, WrittenListener listener);
    static void clearWrittenListener(const void* owner);

    ~Recording();

private:
    HistoryStore* m_store;
    QString m_storePath;                 // the job's own connection, opened by begin()
    std::unique_ptr<HistoryStore> m_own; // ...and closed by finish()
    std::unique_ptr<QLockFile> m_lock;   // held while the entry is being made
    HistoryStore::Entry m_entry;
    std::vector<Change> m_changes;
    qint64 m_id = 0;
    bool m_finished = false;
    bool m_wanted; // a history was given, so a record that fails is news
    bool m_told = false;
};

} // namespace tunewalk::history
