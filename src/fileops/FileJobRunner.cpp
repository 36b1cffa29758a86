#include "fileops/FileJobRunner.h"

#include "common/Detached.h"
#include "common/ReturnAddress.h"

namespace tunewalk {

FileJobRunner::FileJobRunner(QObject* parent)
    : QObject(parent), m_address(ReturnAddress::to(this)) {}

FileJobRunner::~FileJobRunner() {
    m_queue.clear();
    if (m_job) m_job->cancel();
    if (m_ended.valid()) m_ended.wait();
    m_address->close();
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
    // The job is only cancelled, never abandoned: the runner waits for it before it goes.
    m_ended = runDetachedWorkers(
        1, [job = m_job.get(), work = std::move(next.work)] { work(*job); },
        [this, serial, address = m_address] {
            address->post([this, serial] { finishCurrent(serial); });
        });
}

void FileJobRunner::finishCurrent(quint64 serial) {
    if (!m_job || serial != m_serial) return; // already finished by cancelAll
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
    m_ended.wait();
    finishCurrent(m_serial);
}

} // namespace tunewalk
