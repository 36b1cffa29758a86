#include "app/FolderScan.h"

#include "common/PathRules.h"
#include "common/ReturnAddress.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>

namespace tunewalk {

namespace fs = std::filesystem;

struct FolderScan::Run {
    QString folder;
    // Kept by the run, so a handler that starts another scan does not destroy itself.
    Handlers handlers;
    std::shared_ptr<ReturnAddress> back;
    std::atomic<bool> abandoned{false};
    std::mutex mutex;
    std::deque<QString> queue;  // names waiting for their stat; guarded by mutex
    std::vector<Stat> results;  // guarded by mutex
    bool notifyPending = false; // guarded by mutex
    int workersLeft = 0;        // guarded by mutex
};

bool FolderScan::audioKind(const QString& name, Kind* kind) {
    if (name.size() < 4 || name[name.size() - 4] != QLatin1Char('.')) return false;
    const QStringView ext = QStringView(name).right(3);
    if (ext.compare(QLatin1String("mp3"), Qt::CaseInsensitive) == 0)
        *kind = FolderScan::Kind::MP3;
    else if (ext.compare(QLatin1String("wav"), Qt::CaseInsensitive) == 0)
        *kind = FolderScan::Kind::WAV;
    else
        return false;
    return true;
}

namespace {

// One pass over the folder by its raw names (Qt's iterator skips names that are not valid
// text). The entry's type comes from the directory itself where the file system gives it, so
// only links and file systems without types cost a stat here. Hidden entries stay out.
std::vector<FolderScan::Entry> readNames(const QString& folder, int* error) {
    std::vector<FolderScan::Entry> folders, mp3s, wavs;
    std::error_code ec;
    fs::directory_iterator it(toFsPath(folder), ec);
    if (ec) {
        *error = ec.value() ? ec.value() : EIO;
        return {};
    }
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        const QString name = fromFsPath(it->path().filename());
        if (name.startsWith(QLatin1Char('.'))) continue;
        std::error_code kindError;
        FolderScan::Kind kind;
        if (it->is_directory(kindError))
            folders.push_back({name, FolderScan::Kind::Folder});
        else if (FolderScan::audioKind(name, &kind))
            (kind == FolderScan::Kind::MP3 ? mp3s : wavs).push_back({name, kind});
    }
    *error = 0;
    folders.insert(folders.end(), std::make_move_iterator(mp3s.begin()),
                   std::make_move_iterator(mp3s.end()));
    folders.insert(folders.end(), std::make_move_iterator(wavs.begin()),
                   std::make_move_iterator(wavs.end()));
    return folders;
}

} // namespace

std::function<void(const QString&)>& FolderScan::beforeReadingHook() {
    static std::function<void(const QString&)> hook;
    return hook;
}

std::function<void(const QString&)>& FolderScan::beforeStatHook() {
    static std::function<void(const QString&)> hook;
    return hook;
}

FolderScan::FolderScan(QObject* parent) : QObject(parent) {}

FolderScan::~FolderScan() {
    abandon();
}

void FolderScan::abandon() {
    if (!m_run) return;
    m_run->abandoned = true;
    m_run->back->close();
    {
        std::lock_guard lock(m_run->mutex);
        m_run->queue.clear(); // the pool stops after the stats in flight
    }
    m_run.reset();
}

std::shared_ptr<FolderScan::Run> FolderScan::newRun(const QString& folder, Handlers handlers) {
    abandon();
    auto run = std::make_shared<Run>();
    run->folder = folder;
    run->handlers = std::move(handlers);
    run->back = ReturnAddress::to(this);
    m_run = run;
    return run;
}

// Each worker takes the next name until none is left; the last one out says the scan is done.
void FolderScan::startPool(const std::shared_ptr<Run>& run, int workers) {
    workers = std::max(1, workers); // an empty folder still ends through one worker
    {
        std::lock_guard lock(run->mutex);
        run->workersLeft = workers;
    }
    auto statWorker = [this, run] {
        for (;;) {
            QString name;
            {
                std::lock_guard lock(run->mutex);
                if (run->queue.empty() || run->abandoned) {
                    if (--run->workersLeft == 0 && !run->abandoned)
                        run->back->post([this, run] {
                            if (run != m_run) return;
                            deliverStats(run);
                            m_run.reset();
                            if (run->handlers.statsDone) run->handlers.statsDone();
                        });
                    return;
                }
                name = std::move(run->queue.front());
                run->queue.pop_front();
            }
            if (const auto& hook = beforeStatHook()) hook(name);
            Stat stat{name, nativeFileInfo(joinPath(run->folder, name))};
            std::lock_guard lock(run->mutex);
            run->results.push_back(std::move(stat));
            // One wake-up per batch: the window thread takes everything that has arrived.
            if (!run->notifyPending) {
                run->notifyPending = true;
                run->back->post([this, run] {
                    if (run == m_run) deliverStats(run);
                });
            }
        }
    };
    for (int i = 0; i < workers; ++i)
        std::thread(statWorker).detach();
}

void FolderScan::start(const QString& folder, Handlers handlers) {
    auto run = newRun(folder, std::move(handlers));
    std::thread([this, run] {
        if (const auto& hook = beforeReadingHook()) hook(run->folder);
        if (run->abandoned) return;
        int error = 0;
        std::vector<Entry> entries = readNames(run->folder, &error);
        {
            std::lock_guard lock(run->mutex);
            for (const Entry& e : entries)
                run->queue.push_back(e.name);
        }
        const int workers = std::min<int>(PoolSize, static_cast<int>(entries.size()));
        run->back->post([this, run, entries = std::move(entries), error]() mutable {
            if (run == m_run && run->handlers.names) run->handlers.names(std::move(entries), error);
        });
        startPool(run, workers);
    }).detach();
}

void FolderScan::startNames(const QString& folder, const QStringList& names, Handlers handlers) {
    auto run = newRun(folder, std::move(handlers));
    {
        std::lock_guard lock(run->mutex);
        run->queue.assign(names.begin(), names.end());
    }
    startPool(run, std::min<int>(PoolSize, static_cast<int>(names.size())));
}

void FolderScan::deliverStats(const std::shared_ptr<Run>& run) {
    std::vector<Stat> batch;
    {
        std::lock_guard lock(run->mutex);
        batch.swap(run->results);
        run->notifyPending = false;
    }
    if (!batch.empty() && run->handlers.stats) run->handlers.stats(std::move(batch));
}

void FolderScan::statFirst(const QStringList& names) {
    if (!m_run) return;
    std::lock_guard lock(m_run->mutex);
    auto& queue = m_run->queue;
    for (auto name = names.crbegin(); name != names.crend(); ++name) {
        const auto found = std::find(queue.begin(), queue.end(), *name);
        if (found == queue.end() || found == queue.begin()) continue;
        QString moved = std::move(*found);
        queue.erase(found);
        queue.push_front(std::move(moved));
    }
}

} // namespace tunewalk
