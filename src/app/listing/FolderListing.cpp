#include "app/listing/FolderListing.h"

#include "app/listing/DetailReader.h"
#include "app/listing/FolderModel.h"
#include "app/listing/FolderSortModel.h"
#include "app/listing/FolderWatcher.h"
#include "app/playorder/PlayOrder.h"
#include "common/NativePath.h"
#include "common/PathRules.h"
#include "shell/Volumes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <cerrno>

namespace tunewalk {

namespace {
constexpr std::size_t ApplyBatch = 64;

void setFileStat(ListEntry& e, const NativeFileInfo& info) {
    e.statIn = true;
    e.size = info.size;
    e.modifiedNs = info.modifiedNs;
    e.inode = info.inode;
    e.changedNs = info.changedNs;
}

void setFolderStat(ListEntry& e, const NativeFileInfo& info) {
    e.statIn = true;
    e.modifiedNs = info.modifiedNs;
}
} // namespace

FolderListing::FolderListing(FolderModel& rows, FolderSortModel& order, PlayOrder& playOrder,
                             QObject* parent)
    : QObject(parent), m_rows(rows), m_order(order), m_playOrder(playOrder),
      m_scan(new FolderScan(this)), m_update(new FolderScan(this)),
      m_watcher(new FolderWatcher(this)), m_detailReader(new DetailReader(this)) {
    m_detailsDelay.setSingleShot(true);
    m_detailsDelay.setInterval(10);
    connect(&m_detailsDelay, &QTimer::timeout, this, &FolderListing::fillAllDetails);
    // Results arriving one by one are gathered for a moment and shown together.
    connect(m_detailReader, &DetailReader::resultsReady, this, [this] {
        if (m_drainQueued) return;
        m_drainQueued = true;
        QTimer::singleShot(BatchMs, this, [this] {
            m_drainQueued = false;
            drainDetails();
        });
    });
    connect(m_detailReader, &DetailReader::finished, this, &FolderListing::drainDetails);
    connect(m_watcher, &FolderWatcher::entriesChanged, this, [this](const QStringList& names) {
        for (const QString& name : names)
            m_changedNames.insert(name); // a set: a move of 10,000 files reports 10,000
        applyChanges();
    });
    connect(m_watcher, &FolderWatcher::folderChanged, this, [this] {
        m_rescanPending = true;
        applyChanges();
    });
}

FolderListing::~FolderListing() {
    abandon();
}

void FolderListing::abandon() {
    m_detailsDelay.stop();
    m_detailReader->cancel();
    m_fillingFolder.clear();
    m_scan->abandon();
    m_statsStage = false;
    m_stats.clear();
    m_statsShown = 0;
    m_entries.clear();
    m_entriesShown = 0;
    forgetChanges();
}

bool FolderListing::isBusy() const {
    // The watcher's updates count too: a file another program added is being filled in.
    return m_scan->isRunning() || m_statsStage || !m_entries.empty() || m_detailsDelay.isActive() ||
           !m_fillingFolder.isEmpty() || m_update->isRunning() || !m_changedDetails.isEmpty();
}

// ---- names

void FolderListing::list(const QString& folder, const QString& previous,
                         std::vector<ListEntry> first, Options options) {
    abandon();
    m_options = options;
    m_folder = folder;
    m_rows.clear();
    m_rows.setFolder(folder);
    m_order.hold();
    m_rows.append(std::move(first));
    // Watched from before the names are read, so nothing made meanwhile is missed.
    m_watcher->watch(folder);
    FolderScan::Handlers handlers;
    handlers.names = [=, this](std::vector<FolderScan::Entry> entries, int error) {
        const bool volume = error && isVolumeRoot(folder);
        if (volume || error == ENOENT || error == ENOTDIR) {
            // Nothing to list there: the window stays on the folder it showed before.
            m_folder = previous;
            m_rows.setFolder(previous);
            m_watcher->watch({}); // its rows are gone; changes to them have nothing to follow
            finishNames();
            if (volume)
                emit notReady(folder);
            else
                emit failed(folder, previous, error);
            return;
        }
        // A folder that cannot be read shows as empty, as one with nothing to play.
        emit namesRead();
        m_entries = std::move(entries);
        m_entriesShown = 0;
        m_firstRowsShown = false;
        addNamedRows();
    };
    handlers.stats = [this](std::vector<FolderScan::Stat> stats) {
        m_stats.insert(m_stats.end(), std::make_move_iterator(stats.begin()),
                       std::make_move_iterator(stats.end()));
        queueApplyStats();
    };
    handlers.statsDone = [this] {
        m_statsArrived = true;
        queueApplyStats();
    };
    m_statsArrived = false;
    m_statsStage = true;
    FolderScan::Options scanOptions;
    // The worker sorts the names as the list sorts them by name, so rows go in in that order
    // and keep it as their name rank.
    scanOptions.inNameOrder = true;
    // What the cache knows shows with the names; the stats then say what must be read again.
    scanOptions.useCache = options.useCache && !options.reread;
    m_scan->start(folder, std::move(handlers), scanOptions);
}

void FolderListing::listDrives() {
    abandon();
    m_folder = DrivesKey;
    m_rows.clear();
    m_rows.setFolder(DrivesKey);
    m_order.hold();
    m_watcher->watch({});
    std::vector<ListEntry> drives;
    for (const Volume& v : mountedVolumes()) {
        ListEntry e;
        e.key = v.root;
        e.name = v.root;
        e.icon = v.iconKey;
        e.kind = RowKind::Drive;
        drives.push_back(std::move(e));
    }
    m_rows.append(std::move(drives));
    finishNames();
    emit statsFilled();
    m_detailsDelay.start();
    // Labels and readiness need a call on each mount, which a dead one never answers.
    gatherVolumes(this, [this](const QList<Volume>& volumes) {
        m_volumeReady.clear();
        for (const Volume& v : volumes)
            m_volumeReady.insert(v.root, v.ready);
        if (m_folder != DrivesKey) return;
        QStringList gone; // mount points that turned out to be no folders
        for (const ListEntry& e : m_rows.entries())
            if (!m_volumeReady.contains(e.key)) gone << e.key;
        removeGone(gone);
    });
}

void FolderListing::addNamedRows() {
    // A few thousand rows a turn: the first screenful shows at once, and a folder of a hundred
    // thousand files never holds the window.
    QElapsedTimer clock;
    clock.start();
    std::vector<ListEntry> rows;
    while (m_entriesShown < m_entries.size() && clock.elapsed() < ApplyBudgetMs) {
        for (const std::size_t end = std::min(m_entries.size(), m_entriesShown + 256);
             m_entriesShown < end; ++m_entriesShown) {
            FolderScan::Entry& named = m_entries[m_entriesShown];
            ListEntry e;
            e.key = joinPath(m_folder, named.name);
            e.name = std::move(named.name);
            e.kind = named.kind;
            e.nameRank = static_cast<int>(m_entriesShown);
            if (named.cached) {
                e.details = named.cached->details;
                e.detailsIn = true;
                e.detailsSize = named.cached->size;
                e.detailsNs = named.cached->modifiedNs;
                e.detailsInode = named.cached->inode;
                e.detailsChangedNs = named.cached->changedNs;
            }
            rows.push_back(std::move(e));
        }
    }
    m_rows.append(std::move(rows));
    if (!m_firstRowsShown) {
        m_firstRowsShown = true;
        if (m_visibleNames) m_scan->statFirst(m_visibleNames()); // the first screenful
    }
    if (m_entriesShown < m_entries.size()) {
        QTimer::singleShot(0, this, &FolderListing::addNamedRows);
        return;
    }
    m_entries.clear();
    m_entriesShown = 0;
    // The rows went in in name order; any other order is sorted once.
    if (m_order.playOrder() || m_order.column() != 0 || m_order.order() != Qt::AscendingOrder)
        m_order.resort();
    finishNames();
    if (m_visibleNames) m_scan->statFirst(m_visibleNames());
    queueApplyStats(); // what arrived while the rows were being made
    // Every row showing details from the cache: filled, as far as anyone can see. Files the
    // stats find changed are read again after them.
    bool filled = !m_options.folderSizes && m_rows.size() > 0;
    for (const ListEntry& e : m_rows.entries())
        filled = filled && (!e.isFile() || e.detailsNs != 0);
    if (filled) emit detailsFilled();
}

void FolderListing::finishNames() {
    emit rowsChanged();
    emit listed();
}

// ---- sizes and times

void FolderListing::queueApplyStats() {
    if (m_applyQueued) return;
    m_applyQueued = true;
    // Values arriving one by one are shown a few times a second, not one repaint each: the
    // waiting costs the window nothing, the painting would.
    QTimer::singleShot(m_statsArrived ? 0 : BatchMs, this, &FolderListing::applyStats);
}

void FolderListing::applyStats() {
    m_applyQueued = false;
    // Stats wait for their rows: these are still being made.
    if (!m_statsStage || !m_entries.empty()) return;
    QElapsedTimer clock;
    clock.start();
    QStringList gone;
    std::vector<int> changed;
    while (m_statsShown < m_stats.size() && clock.elapsed() < ApplyBudgetMs) {
        for (const std::size_t end = std::min(m_stats.size(), m_statsShown + 64);
             m_statsShown < end; ++m_statsShown) {
            const FolderScan::Stat& stat = m_stats[m_statsShown];
            const int row = m_rows.rowOf(joinPath(m_folder, stat.name));
            if (row < 0) continue; // renamed, moved or deleted meanwhile
            ListEntry& e = m_rows.mutableAt(row);
            // Empty files are no playlist entries; nor is what turned out not to be a file.
            if (e.isFile() ? (!stat.info.isFile || stat.info.size <= 0) : !stat.info.isDir) {
                gone << e.key;
                continue;
            }
            e.isFile() ? setFileStat(e, stat.info) : setFolderStat(e, stat.info);
            changed.push_back(row);
        }
    }
    m_rows.announce(std::move(changed), Col::Size, Col::Modified);
    removeGone(gone);
    if (m_statsShown < m_stats.size()) {
        queueApplyStats(); // the window's turn first
    } else {
        m_stats.clear();
        m_statsShown = 0;
        if (m_statsArrived) finishStats();
    }
}

void FolderListing::finishStats() {
    m_statsStage = false;
    if (!m_order.playOrder() &&
        (m_order.column() == Col::Size || m_order.column() == Col::Modified))
        m_order.resort();
    emit rowsChanged();
    emit statsFilled();
    m_detailsDelay.start();
    applyChanges(); // what the watcher reported meanwhile
}

void FolderListing::removeGone(const QStringList& keys) {
    if (keys.isEmpty()) return;
    m_rows.remove(keys);
    emit rowsChanged();
}

// ---- details

std::vector<int> FolderListing::rowsScreenFirst() const {
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(m_rows.size()));
    std::vector<char> taken(static_cast<std::size_t>(m_rows.size()), 0);
    const auto take = [&](int row) {
        if (row < 0 || taken[static_cast<std::size_t>(row)]) return;
        taken[static_cast<std::size_t>(row)] = 1;
        rows.push_back(row);
    };
    if (m_visibleNames)
        for (const QString& name : m_visibleNames())
            take(m_rows.rowOf(joinPath(m_folder, name)));
    for (int i = 0, n = m_order.rowCount(); i < n; ++i)
        take(m_order.mapToSource(m_order.index(i, 0)).row());
    for (int row = 0; row < m_rows.size(); ++row)
        take(row); // those the filter hides
    return rows;
}

void FolderListing::fillAllDetails() {
    m_changedDetails.clear();
    startDetails(rowsScreenFirst(), m_options.reread);
    m_options.reread = false;
}

void FolderListing::startDetails(const std::vector<int>& rows, bool reread) {
    m_fillingFolder.clear();
    std::vector<DetailReader::Job> jobs;
    for (int row : rows) {
        const ListEntry& e = m_rows.at(row);
        if (e.isFile() && !reread && e.detailsCurrent()) continue; // from the cache
        if (e.isFile())
            jobs.push_back({e.key, e.kind, e.size, e.modifiedNs, e.inode, e.changedNs});
        else if (m_options.folderSizes && e.kind == RowKind::Folder && !reread)
            jobs.push_back({e.key, RowKind::Folder, 0});
    }
    if (jobs.empty()) {
        finishDetails();
        return;
    }
    m_fillingFolder = m_folder;
    DetailReader::Options options;
    options.useCache = m_options.useCache;
    options.reread = reread;
    options.details = m_options.details;
    m_detailReader->start(std::move(jobs), options);
}

void FolderListing::applyDetails(ListEntry& e, const AudioDetails& details) {
    e.details = details;
    e.detailsReadNow();
    if (details.hasTitle() && e.key == m_rows.playingKey()) emit playingDetails();
}

void FolderListing::drainDetails() {
    if (m_fillingFolder.isEmpty()) return;
    if (m_fillingFolder != m_folder) {
        m_detailReader->cancel();
        m_fillingFolder.clear();
        return;
    }
    // Whether the worker had finished before this turn: only then does an empty queue mean
    // that every row has been read. A worker that finishes meanwhile sends `finished`, which
    // brings another turn.
    const bool workerDone = !m_detailReader->isRunning();
    QElapsedTimer clock;
    clock.start();
    bool empty = false;
    std::vector<int> changed;
    while (!empty && clock.elapsed() < ApplyBudgetMs) {
        const auto batch = m_detailReader->take(ApplyBatch);
        empty = batch.size() < ApplyBatch;
        for (const DetailReader::Result& result : batch) {
            // The row may have been renamed, moved or deleted meanwhile.
            const int row = m_rows.rowOf(result.key);
            if (row < 0) continue;
            ListEntry& e = m_rows.mutableAt(row);
            if (result.kind == RowKind::Folder) {
                e.size = result.folderSize;
                e.detailsIn = true;
            } else {
                applyDetails(e, result.details);
            }
            changed.push_back(row);
        }
    }
    // A track name or artist may now match the filter, or no longer.
    const bool refilter =
        !changed.empty() && m_order.filter().isActive() && !m_order.dynamicSortFilter();
    m_rows.announce(std::move(changed), Col::Track, Col::Count - 1);
    if (refilter) m_order.refilter();
    if (!empty) {
        // Give the window its turn, then carry on with what has arrived.
        QTimer::singleShot(0, this, &FolderListing::drainDetails);
        return;
    }
    if (workerDone) finishDetails();
}

void FolderListing::finishDetails() {
    m_fillingFolder.clear();
    m_order.settle(); // one sort, now that every value is in; rows find their places from now
    emit detailsFilled();
    readChangedDetails(); // files another program changed meanwhile
}

void FolderListing::readChangedDetails() {
    if (m_changedDetails.isEmpty() || !m_fillingFolder.isEmpty() || m_scan->isRunning()) return;
    std::vector<int> rows;
    for (const QString& key : std::as_const(m_changedDetails))
        if (const int row = m_rows.rowOf(key); row >= 0) rows.push_back(row);
    m_changedDetails.clear();
    startDetails(rows, true);
}

void FolderListing::rereadDetails(const QString& key) {
    m_changedDetails.insert(key);
    readChangedDetails();
}

void FolderListing::refreshFile(const QString& key, MP3TagEditor& mp3, WAVInfo& wav) {
    const int row = m_rows.rowOf(key);
    if (row < 0 || !m_rows.at(row).isFile()) return;
    // The file has just been written by the program: its new size and time are the row's, so
    // the folder watcher finds nothing to do for it.
    ListEntry& e = m_rows.mutableAt(row);
    if (const NativeFileInfo info = nativeFileInfo(key); info.isFile) setFileStat(e, info);
    const AudioDetails details =
        readAudioDetails(key, e.kind, e.size, mp3, wav, m_options.details); // may throw
    applyDetails(m_rows.mutableAt(row), details);
    m_rows.announce({row}, 0, Col::Count - 1);
}

// ---- what the program itself adds, and renames of the listed folder

bool FolderListing::entryFor(const QString& path, ListEntry* entry) {
    const QString absolute = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    const NativeFileInfo info = nativeFileInfo(absolute);
    ListEntry e;
    e.key = absolute;
    e.name = fileNamePart(absolute);
    if (info.isDir) {
        e.kind = RowKind::Folder;
        setFolderStat(e, info);
    } else {
        const std::optional<RowKind> kind = audioKindOf(e.name);
        if (!kind || !info.isFile || info.size <= 0) return false; // empty files play nothing
        e.kind = *kind;
        setFileStat(e, info);
    }
    *entry = std::move(e);
    return true;
}

bool FolderListing::addPath(const QString& path) {
    ListEntry e;
    if (!entryFor(path, &e) || m_rows.append({std::move(e)}) == 0) return false;
    if (m_playOrder.isActive()) m_playOrder.append(m_rows.size() - 1);
    emit rowsChanged();
    return true;
}

bool FolderListing::followRename(const QString& newFolder) {
    m_folder = newFolder;
    m_rows.rebase(newFolder);
    m_watcher->watch(newFolder);
    const bool busy = m_scan->isRunning() || m_statsStage || !m_fillingFolder.isEmpty();
    forgetChanges();
    return !busy;
}

// ---- following other programs' changes

void FolderListing::forgetChanges() {
    m_update->abandon();
    m_changedNames.clear();
    m_rescanPending = false;
    m_changedDetails.clear();
}

void FolderListing::applyChanges() {
    // One thing at a time: the listing's own stages first, then one update after another.
    if (m_scan->isRunning() || m_statsStage || m_update->isRunning()) return;
    if (!samePath(m_watcher->folder(), m_folder)) {
        m_changedNames.clear();
        m_rescanPending = false;
        return;
    }
    FolderScan::Handlers handlers;
    handlers.stats = [this](std::vector<FolderScan::Stat> stats) {
        QStringList gone;
        std::vector<ListEntry> added;
        std::vector<int> changed;
        for (const FolderScan::Stat& stat : stats)
            updateFromStat(stat.name, stat.info, &added, &gone, &changed);
        m_rows.announce(std::move(changed), 0, Col::Count - 1);
        const int first = m_rows.size();
        if (!added.empty() && m_rows.append(std::move(added)) > 0) {
            if (m_playOrder.isActive())
                for (int row = first; row < m_rows.size(); ++row)
                    m_playOrder.append(row);
            emit rowsChanged();
        }
        removeGone(gone);
    };
    handlers.statsDone = [this] {
        emit rowsChanged();
        readChangedDetails();
        applyChanges();
    };
    if (m_rescanPending) {
        m_rescanPending = false;
        m_changedNames.clear();
        // Names that went are the rows the new names lack; the rest is decided by the stats.
        handlers.names = [this](std::vector<FolderScan::Entry> entries, int error) {
            if (error) return;
            QSet<QString> present;
            for (const FolderScan::Entry& e : entries)
                present.insert(joinPath(m_folder, e.name));
            QStringList gone;
            for (const ListEntry& e : m_rows.entries())
                if ((e.isFile() || e.kind == RowKind::Folder) && !present.contains(e.key))
                    gone << e.key;
            removeGone(gone);
        };
        m_update->start(m_folder, std::move(handlers));
    } else if (!m_changedNames.isEmpty()) {
        const QStringList names(m_changedNames.cbegin(), m_changedNames.cend());
        m_changedNames.clear();
        m_update->startNames(m_folder, names, std::move(handlers));
    }
}

void FolderListing::updateFromStat(const QString& name, const NativeFileInfo& info,
                                   std::vector<ListEntry>* added, QStringList* gone,
                                   std::vector<int>* changed) {
    if (name.startsWith(QLatin1Char('.'))) return; // hidden, as in the listing
    const QString key = joinPath(m_folder, name);
    const int row = m_rows.rowOf(key);
    const std::optional<RowKind> kind = audioKindOf(name);
    const bool isFile = kind && !info.isDir && info.isFile && info.size > 0;
    if (row < 0) {
        if (!info.isDir && !isFile) return;
        ListEntry e;
        e.key = key;
        e.name = name;
        e.kind = info.isDir ? RowKind::Folder : *kind;
        info.isDir ? setFolderStat(e, info) : setFileStat(e, info);
        if (isFile) m_changedDetails.insert(key);
        added->push_back(std::move(e));
        return;
    }
    ListEntry& e = m_rows.mutableAt(row);
    if (e.isFile() ? !isFile : !info.isDir) {
        *gone << key;
        return;
    }
    if (e.isFile()) {
        if (e.statIn && e.modifiedNs == info.modifiedNs && e.inode == info.inode &&
            e.size == info.size)
            return;
        setFileStat(e, info);
        m_changedDetails.insert(key);
    } else {
        if (e.statIn && e.modifiedNs == info.modifiedNs) return;
        setFolderStat(e, info);
    }
    changed->push_back(row);
}

} // namespace tunewalk
