#include "app/listing/FolderScan.h"

#include "common/Detached.h"

#include "app/listing/ListText.h"
#include "common/PathRules.h"
#include "common/ResultQueue.h"
#include "common/ReturnAddress.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <filesystem>
#include <future>
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
    std::deque<QString> queue; // names waiting for their stat; guarded by mutex
    int workersLeft = 0;       // guarded by mutex
    ResultQueue<Stat> results;
};

namespace {

// One pass over the folder by its raw names (Qt's iterator skips names that are not valid
// text). The entry's type comes from the directory itself where the file system gives it, so
// only links and file systems without types cost a stat here. Hidden entries stay out.
std::vector<FolderScan::Entry> readNames(const QString& folder, int* error) {
    std::vector<FolderScan::Entry> folders, files;
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
        if (it->is_directory(kindError))
            folders.push_back({name, RowKind::Folder});
        else if (const auto kind = audioKindOf(name))
            files.push_back({name, *kind});
    }
    *error = 0;
    folders.insert(folders.end(), std::make_move_iterator(files.begin()),
                   std::make_move_iterator(files.end()));
    return folders;
}

} // namespace

namespace {
// The order the list sorts names in: folders first, then files, each in natural order of
// the shown name; stable for names that are alike. Each name's key is made once.
void sortByName(std::vector<FolderScan::Entry>* entries) {
    struct Keyed {
        bool file;
        QString key;
        std::size_t index;
    };
    std::vector<Keyed> keys;
    keys.reserve(entries->size());
    for (std::size_t i = 0; i < entries->size(); ++i) {
        const FolderScan::Entry& e = (*entries)[i];
        keys.push_back({e.kind != RowKind::Folder, naturalKey(displayPath(e.name)), i});
    }
    std::stable_sort(keys.begin(), keys.end(), [](const Keyed& a, const Keyed& b) {
        return a.file != b.file ? b.file : a.key < b.key;
    });
    std::vector<FolderScan::Entry> sorted;
    sorted.reserve(entries->size());
    for (const Keyed& key : keys)
        sorted.push_back(std::move((*entries)[key.index]));
    entries->swap(sorted);
}

// Workers may still run when a test replaces a hook, so each call takes a copy under the lock.
std::mutex hookMutex;
FolderScan::Hook readingHook, statHook;

void callHook(const FolderScan::Hook& hook, const QString& argument) {
    FolderScan::Hook copy;
    {
        std::lock_guard lock(hookMutex);
        copy = hook;
    }
    if (copy) copy(argument);
}
} // namespace

void FolderScan::setBeforeReadingHook(Hook hook) {
    std::lock_guard lock(hookMutex);
    readingHook = std::move(hook);
}

void FolderScan::setBeforeStatHook(Hook hook) {
    std::lock_guard lock(hookMutex);
    statHook = std::move(hook);
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
void FolderScan::startPool(FolderScan* self, const std::shared_ptr<Run>& run, int workers) {
    workers = std::max(1, workers); // an empty folder still ends through one worker
    {
        std::lock_guard lock(run->mutex);
        run->workersLeft = workers;
    }
    auto statWorker = [self, run] {
        yieldToForeground();
        for (;;) {
            QString name;
            {
                std::lock_guard lock(run->mutex);
                if (run->queue.empty() || run->abandoned) {
                    if (--run->workersLeft == 0 && !run->abandoned)
                        run->back->post([self, run] {
                            if (run != self->m_run) return;
                            self->deliverStats(run);
                            self->m_run.reset();
                            if (run->handlers.statsDone) run->handlers.statsDone();
                        });
                    return;
                }
                name = std::move(run->queue.front());
                run->queue.pop_front();
            }
            callHook(statHook, name);
            if (run->results.push({name, nativeFileInfo(joinPath(run->folder, name))}))
                run->back->post([self, run] {
                    if (run == self->m_run) self->deliverStats(run);
                });
        }
    };
    for (int i = 0; i < workers; ++i)
        runDetached(statWorker);
}

void FolderScan::start(const QString& folder, Handlers handlers) {
    start(folder, std::move(handlers), Options());
}

void FolderScan::start(const QString& folder, Handlers handlers, Options options) {
    auto run = newRun(folder, std::move(handlers));
    runDetached([this, run, options] {
        callHook(readingHook, run->folder);
        if (run->abandoned) return;
        // One query for the whole folder, made while the names are read: the rows show their
        // details at once.
        using Known = QHash<QString, DetailsCache::Entry>;
        auto known = std::make_shared<std::promise<Known>>();
        std::future<Known> cached = known->get_future();
        if (options.useCache)
            runDetached([known, folder = run->folder, database = options.cacheDatabase] {
                DetailsCache cache(database);
                known->set_value(cache.lookupFolder(folder));
            });
        else
            known->set_value({});
        int error = 0;
        std::vector<Entry> entries = readNames(run->folder, &error);
        if (options.inNameOrder) sortByName(&entries);
        {
            const Known hits = cached.get();
            if (!hits.isEmpty())
                for (Entry& e : entries)
                    if (e.kind != RowKind::Folder)
                        if (const auto hit = hits.constFind(e.name); hit != hits.cend())
                            e.cached = *hit;
        }
        {
            std::lock_guard lock(run->mutex);
            for (const Entry& e : entries)
                run->queue.push_back(e.name);
        }
        const int workers = std::min<int>(PoolSize, static_cast<int>(entries.size()));
        run->back->post([this, run, entries = std::move(entries), error]() mutable {
            if (run == m_run && run->handlers.names) run->handlers.names(std::move(entries), error);
        });
        startPool(this, run, workers);
    });
}

void FolderScan::startNames(const QString& folder, const QStringList& names, Handlers handlers) {
    auto run = newRun(folder, std::move(handlers));
    {
        std::lock_guard lock(run->mutex);
        run->queue.assign(names.begin(), names.end());
    }
    startPool(this, run, std::min<int>(PoolSize, static_cast<int>(names.size())));
}

void FolderScan::deliverStats(const std::shared_ptr<Run>& run) {
    std::vector<Stat> batch = run->results.take();
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
