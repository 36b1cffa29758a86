#pragma once

#include "fileops/FileJob.h"

#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <future>
#include <memory>

namespace tunewalk {

class ReturnAddress;

// Runs file jobs one after another on a worker thread, so the window never waits for the disk.
// Each job's `done` runs back on the runner's thread when the job has ended, where the window
// shows the outcome. Jobs queue: one dropped while another runs starts when that one ends.
class FileJobRunner : public QObject {
    Q_OBJECT
public:
    using Work = std::function<void(FileJob&)>;
    using Done = std::function<void(bool cancelled)>;

    explicit FileJobRunner(QObject* parent = nullptr);
    ~FileJobRunner() override; // cancels what runs and waits for it to stop

    void run(const QString& title, Work work, Done done);

    bool idle() const { return !m_job; }
    // The running job, for its progress and its Cancel; null when idle.
    FileJob* current() const { return m_job.get(); }
    QString currentTitle() const { return m_title; }
    // Stops the running job and drops the queued ones, waiting until the worker has stopped
    // (a cancelled job takes back its half-done copy first). The running job's `done` still
    // runs, so the views show what did happen; no job starts any more (the window is closing).
    void cancelAll();

    // Where the tests break the file system; applies to jobs started afterwards.
    void setFaults(FileFaults* faults) { m_faults = faults; }

signals:
    void started();
    void finished(); // every queued job has ended

private:
    struct Pending {
        QString title;
        Work work;
        Done done;
    };
    void startNext();
    void finishCurrent(quint64 serial);

    std::deque<Pending> m_queue;
    std::unique_ptr<FileJob> m_job;
    Done m_done;
    QString m_title;
    std::future<void> m_ended; // the running job's worker has returned
    std::shared_ptr<ReturnAddress> m_address;
    FileFaults* m_faults = nullptr;
    quint64 m_serial = 0;
    bool m_stopped = false;
};

} // namespace tunewalk
