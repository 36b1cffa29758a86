#pragma once

#include "app/listing/DetailsCache.h"
#include "common/NativePath.h"
#include "common/RowKind.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tunewalk {

// Lists one folder for the main list without ever holding up the window: the names come from
// one pass over the folder on a worker thread, then each entry's kind, size and time from
// stat calls made a few at a time on a small pool (more than one in flight hides a network
// share's latency). Results come back on the window thread through the handlers, in batches.
// A new start or abandon() drops the old run's work without waiting for it: a worker stuck on
// a dead mount is left behind and its results never arrive.
class FolderScan : public QObject {
    Q_OBJECT
public:
    struct Entry {
        QString name; // raw bytes kept (see NativePath.h)
        RowKind kind; // Folder, MP3 or WAV
        // Files: what the details cache holds for the name, to show before the file's stat
        // says whether it still holds.
        std::optional<DetailsCache::Entry> cached = std::nullopt;
    };
    struct Options {
        // The names come sorted as the list sorts them by name (folders first, then files,
        // natural order), so the list need not sort them itself.
        bool inNameOrder = false;
        bool useCache = false;
        QString cacheDatabase; // empty: the user's cache folder
    };
    struct Stat {
        QString name;
        NativeFileInfo info;
    };
    struct Handlers {
        // The folder's names, sub-folders first, then MP3 and WAV files, each group in the
        // file system's order. `error` is the system's errno when the folder cannot be read
        // (the names are then empty).
        std::function<void(std::vector<Entry> entries, int error)> names;
        // Stat results as they arrive, in no particular order.
        std::function<void(std::vector<Stat> stats)> stats;
        // Every entry has been looked at.
        std::function<void()> statsDone;
    };

    explicit FolderScan(QObject* parent = nullptr);
    ~FolderScan() override;

    void start(const QString& folder, Handlers handlers, Options options);
    void start(const QString& folder, Handlers handlers);
    // Stats the given entries of `folder` only (no names handler is called).
    void startNames(const QString& folder, const QStringList& names, Handlers handlers);
    // Drops the running scan; nothing more of it is delivered.
    void abandon();
    bool isRunning() const { return m_run != nullptr; }
    // Moves these names to the front of the stat queue (the rows the user sees).
    void statFirst(const QStringList& names);

    // How many stat calls a scan keeps in flight.
    static constexpr int PoolSize = 32;

    // Test seams, called on the workers: before the folder is read (a test blocks it to stand
    // for a dead mount), and before each stat (a test holds values back with it).
    using Hook = std::function<void(const QString& folderOrName)>;
    static void setBeforeReadingHook(Hook hook);
    static void setBeforeStatHook(Hook hook);

private:
    struct Run;
    std::shared_ptr<Run> newRun(const QString& folder, Handlers handlers);
    // Static: the reading thread calls it after the scan may have been destroyed. `self` is only
    // reached through the run's return address, which is closed by then.
    static void startPool(FolderScan* self, const std::shared_ptr<Run>& run, int workers);
    void deliverStats(const std::shared_ptr<Run>& run);

    std::shared_ptr<Run> m_run;
};

} // namespace tunewalk
