#pragma once

#include "fileops/FileJobRunner.h"
#include "fileops/FileMoves.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace tunewalk {

class HistoryStore;
class Prompter;
namespace history {
class Recording;
}

// The window's file jobs: moves, merges, replaces, deletes and the Trash. The questions are
// asked here on the window's thread before a job starts (never while the worker holds a
// half-done file); the work runs on the runner's worker, whose progress the window shows when a
// job takes a while; the outcome comes back to the window's thread.
class FileOperations : public QObject {
    Q_OBJECT
public:
    struct Move {
        enum class Kind { Move, Merge, Replace } kind = Kind::Move;
        QString source, target;
        ItemLook asked = {}; // a replace: the file the user agreed to replace
    };
    struct Moved {
        Move move;
        MoveOutcome outcome;
        bool sourceGone = false;     // nothing is left at the source path
        bool arrived = false;        // something is at the target path now
        bool targetIsFolder = false; // a folder (or a link to one) is at the target now
        qint64 folderSize = -1;      // of a folder that arrived, when asked for
    };
    // A dropped item and the place it would go, as one look at the disk found them.
    struct Dropped {
        QString source, target;
        ItemLook from, to;
    };
    // Deleted: every item went. Cancelled: the user said no (or stopped the job before
    // anything went). Failed: some items could not go (the user was told why) or were kept;
    // the views must be read again from the disk.
    enum class DeleteResult { Deleted, Cancelled, Failed };

    explicit FileOperations(Prompter& prompter, QObject* parent = nullptr);
    ~FileOperations() override;

    // Looks at the dropped items and at their places in `destination` on the worker (a drop of
    // thousands of files, or one from a slow share, never holds the window); `done` gets
    // the looks, in the order of `paths`.
    void lookAtDrop(const QStringList& paths, const QString& destination,
                    std::function<void(const std::vector<Dropped>&)> done);
    // Runs the moves as one job into `destination`; `done` gets each move's outcome and, with
    // `folderSizes`, the size of each folder that arrived (counted on the worker too).
    void moveItems(std::vector<Move> moves, const QString& destination, bool folderSizes,
                   std::function<void(const std::vector<Moved>&)> done);
    // One question for the whole list (unless `noConfirmation`), then every item to the Trash,
    // or destroyed when `permanent`. Links go as links. What the Trash refuses is destroyed
    // only after a second question. `done` gets the result when everything has ended.
    void deleteItems(const QStringList& paths, bool noConfirmation, bool permanent,
                     std::function<void(DeleteResult)> done);

    // Where moves, merges, the Trash and deletes are recorded, written ahead of each job;
    // `recorded` runs after a job's record is complete. Null records nothing.
    void setHistory(HistoryStore* store, std::function<void()> recorded);

    bool idle() const { return m_runner.idle(); }
    // Stops the running job cleanly (its half-done copy taken back) and drops the queued ones.
    void cancelAll() { m_runner.cancelAll(); }
    // The jobs as they run, with their progress and Cancel, for the window to show.
    FileJobRunner& runner() { return m_runner; }

    struct Trouble {
        QString path, why;
    };

signals:
    void finished(); // every job has ended and its outcome has been shown

private:
    struct Deletion;
    void runDeletion(const std::shared_ptr<Deletion>& deletion, const QStringList& items,
                     bool destroy, std::function<void(bool cancelled)> then);
    std::shared_ptr<history::Recording> recordDeletion(const QStringList& items, bool destroy);
    void endRecording(const history::Recording& recording);
    bool destroyRefused(const Deletion& deletion);
    void endDeletion(const Deletion& deletion);

    Prompter& m_prompter;
    FileJobRunner m_runner;
    QString m_historyPath; // each job records through a connection of its own
    std::function<void()> m_recorded;
};

} // namespace tunewalk
