#include "app/DetailReader.h"

#include "common/NativePath.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/codec/WAVInfo.h"

#include <QMetaObject>
#include <filesystem>

namespace tunewalk {

struct DetailReader::Run {
    std::vector<Job> jobs;
    std::atomic<bool> cancelled{false};
    std::atomic<bool> done{false};
    std::mutex mutex;
    std::deque<Result> results; // guarded by mutex
    bool notifyPending = false; // guarded by mutex
};

DetailReader::DetailReader(QObject* parent) : QObject(parent) {}

DetailReader::~DetailReader() {
    stopWorker();
}

void DetailReader::stopWorker() {
    if (m_run) m_run->cancelled = true;
    // The worker stops before its next file; only a read in progress is waited for.
    if (m_thread.joinable()) m_thread.join();
    m_run.reset();
}

void DetailReader::cancel() {
    stopWorker();
}

bool DetailReader::isRunning() const {
    return m_run && !m_run->done;
}

void DetailReader::start(std::vector<Job> jobs) {
    stopWorker();
    m_run = std::make_shared<Run>();
    m_run->jobs = std::move(jobs);
    m_thread = std::thread([this, run = m_run] { work(run); });
}

std::vector<DetailReader::Result> DetailReader::take(std::size_t limit) {
    std::vector<Result> out;
    if (!m_run) return out;
    std::lock_guard lock(m_run->mutex);
    while (!m_run->results.empty() && out.size() < limit) {
        out.push_back(std::move(m_run->results.front()));
        m_run->results.pop_front();
    }
    if (m_run->results.empty()) m_run->notifyPending = false;
    return out;
}

void DetailReader::work(std::shared_ptr<Run> run) {
    MP3TagEditor mp3;
    WAVInfo wav;
    for (const Job& job : run->jobs) {
        if (run->cancelled) return;
        Result result{job.key, job.kind, {}, 0};
        if (job.kind == Kind::FolderSize)
            result.folderSize = folderSize(job.key, run->cancelled);
        else
            result.details = readAudioDetails(job.key, job.kind == Kind::WAV, job.size, mp3, wav);
        if (run->cancelled) return;
        bool notify = false;
        {
            std::lock_guard lock(run->mutex);
            run->results.push_back(std::move(result));
            notify = !run->notifyPending;
            run->notifyPending = true;
        }
        // One wake-up per batch: the window thread drains everything that has arrived.
        if (notify) {
            QMetaObject::invokeMethod(
                this,
                [this, run] {
                    if (run == m_run) emit resultsReady();
                },
                Qt::QueuedConnection);
        }
    }
    run->done = true;
    QMetaObject::invokeMethod(
        this,
        [this, run] {
            if (run == m_run) emit finished();
        },
        Qt::QueuedConnection);
}

qint64 folderSize(const QString& folder, const std::atomic<bool>& cancelled) {
    // By raw names, so files whose names are not valid text count too; links are not
    // followed, and a folder that cannot be read adds nothing.
    namespace fs = std::filesystem;
    qint64 total = 0;
    std::error_code ec;
    fs::recursive_directory_iterator it(toFsPath(folder),
                                        fs::directory_options::skip_permission_denied, ec);
    for (const fs::recursive_directory_iterator end; !ec && it != end && !cancelled;
         it.increment(ec)) {
        std::error_code ignored;
        if (it->is_symlink(ignored) || it->is_directory(ignored)) continue;
        const auto size = it->file_size(ignored);
        if (!ignored) total += static_cast<qint64>(size);
    }
    return total;
}

} // namespace tunewalk
