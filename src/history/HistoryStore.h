#pragma once

#include "common/SqliteFile.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QSqlError;
class QSqlQuery;
class QLockFile;

namespace tunewalk {

// The change history: every change the program makes to the file system, kept in a SQLite
// file so it can be taken back later, even after a crash. An entry is one user action (a tag
// save, a batch run, a drop's move job) and holds one change per file. The entry is written
// with all its planned changes before the first file is touched and marked done after the
// last: an entry still open at the next start is a run that was cut short, and which of its
// changes reached the disk is told by looking at the files.
//
// A damaged file is set aside and a fresh history started (wasReset says so, for a message);
// a history that cannot be opened at all is simply closed (isOpen false) and records nothing.
// One object is one connection, used on the thread that made it.
class HistoryStore {
public:
    // The numbers are stored: never renumber, only add.
    enum class EntryKind {
        TagSave = 1,
        BatchTag = 2,
        Rename = 3,
        Move = 4,
        Trash = 5,
        NewFolder = 6,
        Delete = 7,
        HeaderSave = 8,
        TagEdit = 9,         // Edit Tags: the tags of any format, one file or many
        TagsFromNames = 10,  // tags read from the files' names
        RenameFromTags = 11, // files renamed from their tags
    };
    enum class ChangeKind {
        TagWrite = 1,
        HeaderWrite = 2,
        Rename = 3,
        Move = 4,
        Trash = 5,
        NewFolder = 6,
        Delete = 7,
        RemoveFolder = 8, // a folder a merge emptied, removed after its last item
        // A merge about to be made, as written ahead: never taken back as a whole (the folder
        // at its target held things of its own), only by the items it is found to have moved.
        Merge = 9,
        // A move cut short half-way across drives, found at a later start: the item is at both
        // places (a folder partly copied or partly removed, a file copied and not yet removed).
        // Undo brings it together at its place, redo at its target.
        Split = 10,
        // Tags saved in place by the tag library: the stretches of bytes in `regions`, the
        // file's size unchanged.
        TagRegions = 11,
        // A file written whole anew (its tags outgrew their room) and renamed over the old one:
        // `target` is the version not at the path now, kept in the history's own folder (the
        // old file after the change, the new one after its undo).
        FileReplace = 12,
    };
    struct Region {
        qint64 offset = 0;
        QByteArray before, after;
        bool operator==(const Region&) const = default;
    };
    enum class State {
        Open = 0, // written ahead, not finished: a run cut short when seen at a later start
        Done = 1,
        Undone = 2,
        // A run cut short (an action, an undo or a redo), found at a later start: the changes
        // that reached the disk are applied, the moves still to make are not. Undo takes back
        // the first, redo makes the rest.
        Incomplete = 3,
    };

    struct Change {
        ChangeKind kind = ChangeKind::TagWrite;
        QString path;
        QString target;           // where it went: the destination, or the file in the trash
        QString trashInfo;        // the trash's record of the original place
        qint64 offset = 0;        // where `before` and `after` start in the file
        QByteArray before;        // the bytes there before the change...
        QByteArray after;         // ...and after it
        bool noTagBefore = false; // the tag was appended: undoing cuts the file short again
        // The file as the change leaves it: undo acts only while it is still so.
        qint64 size = -1;
        qint64 modifiedNs = 0;
        quint64 device = 0; // 0 where unknown
        quint64 inode = 0;
        qint64 modifiedNsBefore = 0; // the file's time before the change, put back by undo
        bool replaced = false;       // a move that replaced a file of the same name (gone for good)
        bool applied = false;        // on the disk now: made and not undone
        std::vector<Region> regions; // TagRegions: every stretch written
        bool operator==(const Change&) const = default;
    };
    struct Entry {
        qint64 id = 0;     // given by begin()
        qint64 timeMs = 0; // ms since the epoch; begin() fills in the present when 0
        EntryKind kind = EntryKind::TagSave;
        QString description; // as the history shows it, "Batch tag 1,000 files"
        State state = State::Open;
        bool undoable = true; // false for a permanent delete
        int changeCount = 0;  // filled in when read
        qint64 changed = 0;   // when it last changed state, in the order of all entries' changes
    };
    struct Record {
        Entry entry;
        std::vector<Change> changes;
    };

    static constexpr int DefaultMaxAgeDays = 90;
    static constexpr int DefaultMaxEntries = 1000;

    // `path` empty: the user's data folder. Finished entries older or more than these go when
    // it is opened.
    explicit HistoryStore(const QString& path = {}, int maxAgeDays = DefaultMaxAgeDays,
                          int maxEntries = DefaultMaxEntries);
    // A second connection to a history another one has opened (checked and pruned) already:
    // for a job's own thread. A damaged file is left to that one.
    static std::unique_ptr<HistoryStore> another(const QString& path);
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    static QString defaultPath();
    QString path() const { return m_file.path(); }
    // The lock a program holds while it makes the entry `id` (begun, not yet finished), so
    // another one starting meanwhile does not take it for a run cut short.
    QString lockPath(qint64 id) const { return m_file.path() + QStringLiteral(".open-%1").arg(id); }

    bool isOpen() const { return m_file.isOpen(); }
    // Whether a damaged history was set aside and a fresh one started by this object, and
    // where the damaged file went.
    bool wasReset() const { return m_reset; }
    QString setAsideAs() const { return m_setAsideAs; }
    // A history set aside by any program (the window or tunewalk-tag) that the window has not
    // told the user of yet: where it went. Marks it told.
    std::optional<QString> takeSetAsideNotice();

    // Records an action with every change it is about to make, in one durable transaction,
    // as Open. The id of the entry, 0 when nothing could be recorded.
    // With `lock`, the entry's lock (lockPath) is taken before the entry is committed and
    // handed over, to hold until the entry is finished.
    qint64 begin(const Entry& entry, const std::vector<Change>& changes,
                 std::unique_ptr<QLockFile>* lock = nullptr);
    // The action has made its changes.
    bool finish(qint64 id) { return setState(id, State::Done); }
    bool setState(qint64 id, State state);
    // The entry's state and its changes as they now stand (the files as an action, undo or redo
    // left them), in one transaction.
    bool update(qint64 id, State state, const std::vector<Change>& changes);
    // Forgets an entry whose action changed nothing after all.
    bool discard(qint64 id);

    // Newest first, without their changes.
    std::vector<Entry> entries(int limit = 1000);
    std::optional<Entry> entry(qint64 id);
    // The entry's changes; none where its record cannot be read.
    std::vector<Change> changes(qint64 id);
    // The same, or nothing where the record does not parse (damaged) or is missing: an entry
    // whose changes cannot be told is never undone as one that changed nothing.
    std::optional<std::vector<Change>> readChanges(qint64 id);
    // Entries begun and never finished, oldest first, with their changes.
    std::vector<Record> incomplete();

    // Removes finished entries older than `maxAgeDays` before `nowMs`, and the oldest beyond
    // `maxEntries`. Open entries stay until recovery has dealt with them.
    void prune(int maxAgeDays, int maxEntries, qint64 nowMs);

private:
    struct Unchecked {};
    HistoryStore(const QString& path, Unchecked);
    bool open();
    bool setUp();
    // A failed statement: a damaged history is set aside and a fresh one opened. Whether the
    // statement may be tried again.
    bool failed(const QSqlError& error);
    // False when the damaged file could not be moved aside; it is then left as it is.
    bool setAside();
    std::vector<Entry> readEntries(const QString& where, int limit);
    // Runs `work` in one transaction, committed when it returns true; with `retry`, once more
    // in a fresh history when the file turned out damaged.
    bool transaction(const std::function<bool(QSqlQuery&)>& work, bool retry);

    SqliteFile m_file;
    bool m_reset = false;
    QString m_setAsideAs;
    bool m_damaged = false; // why the last open() failed
    bool m_check = true;    // look the file over when it opens
};

} // namespace tunewalk
