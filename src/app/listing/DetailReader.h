#pragma once

#include "app/listing/AudioDetails.h"
#include "common/RowKind.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace tunewalk {

// Reads the details of a listing's rows off the window thread and hands the results to the
// window thread in batches: first what the details cache knows (without opening the files),
// then the files read by a few readers at a time, taken in the order given (the rows the user
// sees first). Starting a new run, cancelling or destroying the reader abandons the old worker
// without waiting for it (it may hang on a dead mount); it stops before its next file, and
// results of an old run are never delivered.
class DetailReader : public QObject {
    Q_OBJECT
public:
    struct Job {
        QString key;
        RowKind kind;          // an audio kind, or Folder for a folder's size
        qint64 size;           // bytes the listing saw (files)
        qint64 modifiedNs = 0; // modification time the listing saw; 0: unknown, not cached
        quint64 inode = 0;     // 0 where the file system has no stable ones
        qint64 changedNs = 0;  // the change time the listing saw; 0: none
    };
    struct Options {
        bool useCache = true;
        bool reread = false;  // read every file, replacing what the cache holds (Refresh)
        QString databasePath; // empty: the user's cache folder
        // Called on the worker before each row: lets a test hold a run in place.
        std::function<void(const Job&)> beforeEachRow;
        DetailOptions details;
    };
    struct Result {
        QString key;
        RowKind kind;
        AudioDetails details;  // files
        qint64 folderSize = 0; // folders
    };

    explicit DetailReader(QObject* parent = nullptr);
    ~DetailReader() override;

    void start(std::vector<Job> jobs);
    void start(std::vector<Job> jobs, Options options);
    void cancel();
    bool isRunning() const;

    // The results that have arrived so far, oldest first, at most `limit` of them.
    std::vector<Result> take(std::size_t limit);

    // How many audio files all readers have opened so far (cache hits open none).
    static qint64 filesOpened();

signals:
    // Results are waiting; emitted on the window thread, once per batch.
    void resultsReady();
    // The run read its last row (not emitted for a cancelled run).
    void finished();

private:
    struct Run;
    static void work(const std::shared_ptr<Run>& run);
    static void deliver(const std::shared_ptr<Run>& run, Result result);
    void abandon();

    std::shared_ptr<Run> m_run;
};

// Total size of the files below `folder` (see walkTree: links are not followed); gives up
// (returning what it counted) when `cancelled` turns true.
qint64 folderSize(const QString& folder, const std::atomic<bool>& cancelled);

} // namespace tunewalk
