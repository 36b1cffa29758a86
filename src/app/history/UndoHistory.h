#pragma once

#include "history/HistoryStore.h"

#include <QObject>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace tunewalk {

class FileOperations;
class Prompter;

// The window's side of the change history: the store every change is recorded in, what Undo
// and Redo act on, and the undo and redo themselves. Those run as file jobs on the worker (so
// a move back across drives shows progress and can be stopped, and never holds the window),
// and refuse, naming what changed, when the disk is no longer as the change left it.
class UndoHistory : public QObject {
    Q_OBJECT
public:
    using Entry = HistoryStore::Entry;
    using Record = HistoryStore::Record;
    // What an undo or redo left at the places it touched: folders there now, places gone,
    // and files whose bytes were written.
    struct Touched {
        QStringList folders, gone, rewritten;
    };

    // `path` empty: the user's data folder.
    UndoHistory(FileOperations& fileOps, Prompter& prompter, const QString& path = {},
                QObject* parent = nullptr);
    ~UndoHistory() override;

    // Where changes are recorded; null when the history cannot be opened (nothing is recorded
    // then, and the program works on).
    HistoryStore* store();
    // A damaged history set aside (by this program or tunewalk-tag) and not yet told of:
    // where it went.
    std::optional<QString> takeSetAsideNotice();

    // What Undo and Redo act on now: the newest action that can be taken back, and the action
    // undone last while nothing has been done since.
    std::optional<Entry> undoTarget();
    std::optional<Entry> redoTarget();

    // Whether the run cut short `id` has moves still to make, which Redo finishes.
    bool canFinish(qint64 id);

    // Takes back or makes again the action `id`, as a job. `done` runs when it has ended
    // (also after a refusal, which the user has been told about).
    void undo(qint64 id);
    void redo(qint64 id);
    bool busy() const { return m_busy; }

    // Runs found cut short (begun and never finished, by a crash or a kill; an action, an undo
    // or a redo): the part files of their copies go, and each becomes Incomplete with the
    // changes that reached the disk applied and the moves still to make kept, so the user can
    // undo the first or finish the rest. Returns them as they now stand, for the message at
    // the start.
    std::vector<Record> recover();

    // Tells the views a change was recorded.
    void recorded() { emit changed(); }

signals:
    // The history has a new or changed entry: menus and the History window read it again.
    void changed();
    // An undo or redo has changed the disk: the views follow.
    void applied(const UndoHistory::Touched& touched);

private:
    void run(qint64 id, bool undo);

    FileOperations& m_fileOps;
    Prompter& m_prompter;
    std::unique_ptr<HistoryStore> m_store;
    bool m_busy = false;
};

} // namespace tunewalk
