// Keeping the listed folder current while other programs change it: the watcher names the
// entries that changed (or, on a network share, says only that something did), their stats are
// taken on the scan's pool, and each row is added, updated or removed alone. The selection,
// the scroll position and a play order stay as they are. The program's own changes have
// updated their rows already; their stats then match, and nothing is done twice.
#include "app/playback/Playback.h"
#include "app/playorder/PlayOrder.h"
#include "app/window/Form1.h"

#include "app/listing/FolderScan.h"
#include "app/listing/FolderWatcher.h"
#include "app/listing/ListRow.h"
#include "common/PathRules.h"

#include <QTreeWidget>

namespace tunewalk {

void Form1::connectWatcher() {
    m_watcher = new FolderWatcher(this);
    m_update = new FolderScan(this);
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

void Form1::forgetChanges() {
    m_update->abandon();
    m_changedNames.clear();
    m_rescanPending = false;
    m_changedDetails.clear();
}

void Form1::applyChanges() {
    // One thing at a time: the listing's own stages first, then one update after another.
    if (m_scan->isRunning() || m_statsStage || m_update->isRunning()) return;
    if (!samePath(m_watcher->folder(), dirCurrent)) {
        m_changedNames.clear();
        m_rescanPending = false;
        return;
    }
    FolderScan::Handlers handlers;
    handlers.stats = [this](std::vector<FolderScan::Stat> stats) {
        QStringList gone;
        for (const FolderScan::Stat& stat : stats)
            updateFromStat(stat.name, stat.info, &gone);
        if (!gone.isEmpty()) removeRows(gone);
    };
    handlers.statsDone = [this] {
        hasAudioFiles = false;
        for (ListRow* row : std::as_const(m_rows))
            hasAudioFiles = hasAudioFiles || row->isFile();
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
                present.insert(joinPath(dirCurrent, e.name));
            QStringList gone;
            for (auto it = m_rows.cbegin(); it != m_rows.cend(); ++it)
                if ((it.value()->isFile() || it.value()->kind == RowKind::Folder) &&
                    !present.contains(it.key()))
                    gone << it.key();
            if (!gone.isEmpty()) removeRows(gone);
        };
        m_update->start(dirCurrent, std::move(handlers));
    } else if (!m_changedNames.isEmpty()) {
        const QStringList names(m_changedNames.cbegin(), m_changedNames.cend());
        m_changedNames.clear();
        m_update->startNames(dirCurrent, names, std::move(handlers));
    }
}

void Form1::updateFromStat(const QString& name, const NativeFileInfo& info, QStringList* gone) {
    if (name.startsWith(QLatin1Char('.'))) return; // hidden, as in the listing
    const QString key = joinPath(dirCurrent, name);
    ListRow* row = findRow(key);
    const std::optional<RowKind> kind = audioKindOf(name);
    const bool isFile = kind && !info.isDir && info.isFile && info.size > 0;
    if (!row) {
        if (info.isDir)
            row = makeFolderRow(dirCurrent, name);
        else if (isFile)
            row = makeFileRow(dirCurrent, name, *kind, m_playback->currentFile());
        if (!row || !addRow(row)) return;
        if (m_playOrder->isActive()) m_playOrder->append(row);
        ListView1->addTopLevelItem(row);
    } else if (row->isFile() ? !isFile : !info.isDir) {
        *gone << key;
        return;
    }
    if (row->isFile()) {
        const bool same = row->modifiedNs == info.modifiedNs && row->inode == info.inode &&
                          row->cell(Col::SizeInBytes).toLongLong() == info.size;
        if (same) return;
        setFileStat(row, info);
        m_changedDetails.insert(key);
    } else {
        if (row->modified == info.modified) return;
        setFolderStat(row, info);
    }
    row->changed();
}

} // namespace tunewalk
