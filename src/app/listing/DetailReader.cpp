#include "app/listing/DetailReader.h"

#include "common/Detached.h"

#include "app/listing/DetailsCache.h"
#include "common/NativePath.h"
#include "common/ResultQueue.h"
#include "common/ReturnAddress.h"
#include "common/TreeWalk.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/codec/WAVInfo.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace tunewalk {

namespace {
// Fresh results are written to the cache in transactions of this many.
constexpr std::size_t StoreBatch = 200;
// Files read at the same time.
constexpr int Readers = 6;
std::atomic<qint64> opened{0};
} // namespace

// Everything a worker uses is here or its own: an abandoned worker may outlive the reader.
struct DetailReader::Run {
    std::vector<Job> jobs;
    Options options;
    DetailReader* owner = nullptr; // used only by what is posted to the window thread
    std::shared_ptr<ReturnAddress> address;
    std::atomic<bool> cancelled{false};
    std::atomic<bool> done{false};
    ResultQueue<Result> results;
};

DetailReader::DetailReader(QObject* parent) : QObject(parent) {}

DetailReader::~DetailReader() {
    abandon();
}

void DetailReader::abandon() {
    if (!m_run) return;
    m_run->cancelled = true;
    m_run->address->close();
    m_run.reset();
}

void DetailReader::cancel() {
    abandon();
}

bool DetailReader::isRunning() const {
    return m_run && !m_run->done;
}

qint64 DetailReader::filesOpened() {
    return opened;
}

void DetailReader::start(std::vector<Job> jobs) {
    start(std::move(jobs), Options());
}

void DetailReader::start(std::vector<Job> jobs, Options options) {
    abandon();
    if (options.databasePath.isEmpty()) options.databasePath = DetailsCache::defaultPath();
    m_run = std::make_shared<Run>();
    m_run->jobs = std::move(jobs);
    m_run->options = std::move(options);
    m_run->owner = this;
    m_run->address = ReturnAddress::to(this);
    runDetached([run = m_run] { work(run); });
}

std::vector<DetailReader::Result> DetailReader::take(std::size_t limit) {
    return m_run ? m_run->results.take(limit) : std::vector<Result>();
}

void DetailReader::deliver(const std::shared_ptr<Run>& run, Result result) {
    if (!run->results.push(std::move(result))) return;
    run->address->post([run] {
        if (run->owner->m_run == run) emit run->owner->resultsReady();
    });
}

void DetailReader::work(const std::shared_ptr<Run>& run) {
    yieldToForeground();
    const Options& options = run->options;
    auto cacheable = [&options](const Job& job) {
        return options.useCache && job.kind != RowKind::Folder && job.modifiedNs != 0;
    };
    std::optional<DetailsCache> cache;
    if (std::any_of(run->jobs.begin(), run->jobs.end(), cacheable))
        cache.emplace(options.databasePath);
    QHash<QString, QHash<QString, DetailsCache::Entry>> folders; // looked up once each

    // What the cache knows goes out at once; the rest is read by a few readers, since on a
    // network share each file costs several round trips and more than one in flight hides
    // them. Only this thread writes to the cache.
    std::vector<const Job*> toRead;
    for (const Job& job : run->jobs) {
        if (run->cancelled) break;
        if (options.beforeEachRow) options.beforeEachRow(job);
        if (cacheable(job) && !options.reread) {
            const QString folder = DetailsCache::folderOf(job.key);
            auto known = folders.find(folder);
            if (known == folders.end()) known = folders.insert(folder, cache->lookupFolder(folder));
            const auto entry = known->constFind(job.key.mid(folder.size()));
            const DetailsCache::Entry now{
                job.size,      job.modifiedNs,           job.inode, job.kind, {},
                job.changedNs, options.details.variant()};
            if (entry != known->cend() && entry->matches(now)) {
                deliver(run, {job.key, job.kind, entry->details, 0});
                continue;
            }
        }
        toRead.push_back(&job);
    }

    // What the readers share lives here, not on this stack: this thread may return while the
    // last reader is still leaving.
    struct Pool {
        std::vector<const Job*> toRead;
        std::mutex mutex;
        std::condition_variable changed;
        std::size_t next = 0;
        bool readersEnded = false;
        std::vector<DetailsCache::Stored> fresh;
    };
    auto pool = std::make_shared<Pool>();
    pool->toRead = std::move(toRead);
    auto reader = [run, pool, cacheable] {
        yieldToForeground();
        MP3TagEditor mp3;
        WAVInfo wav;
        for (;;) {
            const Job* job = nullptr;
            {
                std::lock_guard lock(pool->mutex);
                if (pool->next == pool->toRead.size() || run->cancelled) return;
                job = pool->toRead[pool->next++];
            }
            Result result{job->key, job->kind, {}, 0};
            if (job->kind == RowKind::Folder) {
                result.folderSize = folderSize(job->key, run->cancelled);
            } else {
                ++opened;
                result.details = readAudioDetails(job->key, job->kind, job->size, mp3, wav,
                                                  run->options.details);
                if (cacheable(*job)) {
                    std::lock_guard lock(pool->mutex);
                    pool->fresh.push_back(
                        {job->key,
                         {job->size, job->modifiedNs, job->inode, job->kind, result.details,
                          job->changedNs, run->options.details.variant()}});
                    pool->changed.notify_all();
                }
            }
            if (run->cancelled) continue;
            deliver(run, std::move(result));
        }
    };
    runDetachedWorkers(pool->toRead.empty() ? 0 : Readers, reader, [pool] {
        std::lock_guard lock(pool->mutex);
        pool->readersEnded = true;
        pool->changed.notify_all();
    });
    // Fresh results are stored in batches as they come; also for an abandoned run, since
    // what was read is worth keeping.
    for (bool last = false; !last;) {
        std::vector<DetailsCache::Stored> batch;
        {
            std::unique_lock lock(pool->mutex);
            pool->changed.wait(
                lock, [&] { return pool->fresh.size() >= StoreBatch || pool->readersEnded; });
            batch.swap(pool->fresh);
            last = pool->readersEnded;
        }
        if (cache && !batch.empty()) cache->store(batch);
    }
    if (run->cancelled) return;
    run->done = true;
    run->address->post([run] {
        if (run->owner->m_run == run) emit run->owner->finished();
    });
}

qint64 folderSize(const QString& folder, const std::atomic<bool>& cancelled) {
    qint64 total = 0;
    walkTree(toFsPath(folder), [&](const TreeEntry& entry) {
        total += qint64(entry.size);
        return !cancelled;
    });
    return total;
}

} // namespace tunewalk
