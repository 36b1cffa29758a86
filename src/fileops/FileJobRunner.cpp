#include "fileops/FileJobRunner.h"

#include <QMetaObject>

namespace tunewalk {

FileJobRunner::FileJobRunner(QObject* parent) : QObject(parent) {}

FileJobRunner::~FileJobRunner() {
    m_queue.clear();
    if (m_job) m_job->cancel();
    if (m_thread.joinable()) m_thread.join();
}

void FileJobRunner::run(const QString& title, Work work, Done done) {
    if (m_stopped) return;
    m_queue.push_back({title, std::move(work), std::move(done)});
    if (!m_job) startNext();
}

void FileJobRunner::startNext() {
    if (m_queue.empty()) {
        emit finished();
        return;
    }
    Pending next = std::move(m_queue.front());
    m_queue.pop_front();
    m_job = std::make_unique<FileJob>(m_faults);
    m_title = next.title;
    m_done = std::move(next.done);
    emit started();
    const quint64 serial = ++m_serial;
    m_thread = std::thread([this, serial, job = m_job.get(), work = std::move(next.work)] {
        work(*job);
        // Delivered to the runner's thread; dropped if the runner is gone by then.
        QMetaObject::invokeMethod(
            this, [this, serial] { finishCurrent(serial); }, Qt::QueuedConnection);
    });
}

void FileJobRunner::finishCurrent(quint64 serial) {
    if (!m_job || serial != m_serial) return; // already finished by cancelAll
    if (m_thread.joinable()) m_thread.join(); // the worker has returned: no wait
    const Done done = std::move(m_done);
    const bool cancelled = m_job->cancelled();
    m_job.reset();
    m_title.clear();
    if (done) done(cancelled);
    if (!m_job) startNext(); // `done` may have started the next job itself
}

void FileJobRunner::cancelAll() {
    m_stopped = true;
    m_queue.clear(); // never started: nothing to show for them
    if (!m_job) return;
    m_job->cancel();
    m_thread.join();
    finishCurrent(m_serial);
}

} // namespace tunewalk
