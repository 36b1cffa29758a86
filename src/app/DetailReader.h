#pragma once

#include "app/AudioDetails.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tunewalk {

// Reads the details of a listing's rows on a worker thread, in the order given (the list's
// display order), and hands the results to the window thread in batches. Starting a new run
// or cancelling stops the old one before its next file; results of an old run are never
// delivered.
class DetailReader : public QObject {
    Q_OBJECT
public:
    enum class Kind { MP3, WAV, FolderSize };
    struct Job {
        QString key;
        Kind kind;
        qint64 size; // bytes the listing saw (files)
    };
    struct Result {
        QString key;
        Kind kind;
        AudioDetails details;  // files
        qint64 folderSize = 0; // folders
    };

    explicit DetailReader(QObject* parent = nullptr);
    ~DetailReader() override;

    void start(std::vector<Job> jobs);
    void cancel();
    bool isRunning() const;

    // The results that have arrived so far, oldest first, at most `limit` of them.
    std::vector<Result> take(std::size_t limit);

signals:
    // Results are waiting; emitted on the window thread, once per batch.
    void resultsReady();
    // The run read its last row (not emitted for a cancelled run).
    void finished();

private:
    struct Run;
    void work(std::shared_ptr<Run> run);
    void stopWorker();

    std::shared_ptr<Run> m_run;
    std::thread m_thread;
};

// Total size of the files below `folder`, not following links; gives up (returning what it
// counted) when `cancelled` turns true.
qint64 folderSize(const QString& folder, const std::atomic<bool>& cancelled);

} // namespace tunewalk
