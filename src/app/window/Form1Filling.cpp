// How a listing fills in without holding up the window: the names first (rows at once), then
// each row's size and time, then the audio details, the rows on screen first at each stage.
//
// While a value is pending its cell is blank and its sort key empty, so a header click sorts
// pending rows before the known ones (ascending) or after them (descending). Values arriving
// never move a row under the user's pointer: when a stage is complete the list sorts once by
// the column in force, if that stage filled it, and keeps the current row in view.
#include "app/playback/Playback.h"
#include "app/window/Form1.h"

#include "app/listing/DetailReader.h"
#include "app/listing/FolderScan.h"
#include "app/listing/FolderWatcher.h"
#include "app/listing/ListRow.h"
#include "common/PathRules.h"
#include "foldertree/Treefolder.h"
#include "shell/Prompter.h"
#include "shell/Volumes.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QTreeWidget>
#include <cerrno>

namespace tunewalk {

void Form1::startScan(const QString& previous, bool fromTree, bool isMyDocuments) {
    const QString folder = dirCurrent;
    // Watched from before the names are read, so nothing made meanwhile is missed.
    m_watcher->watch(folder);
    FolderScan::Handlers handlers;
    handlers.names = [=, this](std::vector<FolderScan::Entry> entries, int error) {
        const bool volume = error && isVolumeRoot(folder);
        if (volume || error == ENOENT || error == ENOTDIR) {
            // Nothing to list there: the window stays on the folder it showed before.
            dirCurrent = previous;
            m_watcher->watch({}); // its rows are gone; changes to them have nothing to follow
            setWindowTitle(Prompter::caption() + QStringLiteral(" - ") + displayPath(previous));
            showRows(false);
            if (volume)
                reportNotReady(folder);
            else
                m_prompter->message(tr("No such directory: \"%1\"").arg(displayPath(folder)),
                                    Prompter::Icon::Critical, Prompter::Buttons::Ok);
            return;
        }
        // A folder that cannot be read shows as empty, as one with nothing to play.
        if (!fromTree) {
            if (isMyDocuments)
                Treefolder1->MyDocuments();
            else
                Treefolder1->SetPath(dirCurrent);
        }
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
    m_stats.clear();
    m_statsShown = 0;
    m_statsArrived = false;
    m_statsStage = true;
    // Sorted by name, as a new folder always is, the worker sorts the names and the rows go
    // in as they are; any other order is sorted here once they are all in.
    const QHeaderView* header = ListView1->header();
    m_entriesInOrder = header->sortIndicatorSection() == Col::AscFirst &&
                       header->sortIndicatorOrder() == Qt::AscendingOrder;
    FolderScan::Options options;
    options.inNameOrder = m_entriesInOrder;
    // What the cache knows shows with the names; the stats then say what must be read again.
    options.useCache = mnuDetailsCache->isChecked() && !m_reReadDetails;
    m_scan->start(folder, std::move(handlers), options);
}

void Form1::addNamedRows() {
    // A few thousand rows a turn, in list order: the first screenful shows at once, and a
    // folder of a hundred thousand files never holds the window.
    QElapsedTimer clock;
    clock.start();
    QList<QTreeWidgetItem*> rows;
    while (m_entriesShown < m_entries.size() && clock.elapsed() < ApplyBudgetMs) {
        for (const std::size_t end = std::min(m_entries.size(), m_entriesShown + 256);
             m_entriesShown < end; ++m_entriesShown) {
            const FolderScan::Entry& e = m_entries[m_entriesShown];
            ListRow* row = e.kind == RowKind::Folder
                               ? makeFolderRow(dirCurrent, e.name)
                               : makeFileRow(dirCurrent, e.name, e.kind, m_playback->currentFile());
            if (!addRow(row)) continue;
            rows.append(row);
            if (e.cached) {
                applyDetails(row, e.cached->details, true);
                row->detailsSize = e.cached->size;
                row->detailsNs = e.cached->modifiedNs;
                row->detailsInode = e.cached->inode;
                row->detailsChangedNs = e.cached->changedNs;
            }
        }
    }
    // The first turn's rows show at once; the rest go in together at the end, since the view
    // lays out every row again after each insertion.
    if (!m_firstRowsShown) {
        ListView1->addTopLevelItems(rows);
        m_firstRowsShown = true;
        m_scan->statFirst(visibleNames()); // the first screenful
    } else {
        m_builtRows += rows;
    }
    if (m_entriesShown < m_entries.size()) {
        QTimer::singleShot(0, this, &Form1::addNamedRows);
        return;
    }
    ListView1->addTopLevelItems(m_builtRows);
    m_builtRows.clear();
    m_entries.clear();
    m_entriesShown = 0;
    showRows(m_entriesInOrder);
    m_scan->statFirst(visibleNames());
    queueApplyStats(); // what arrived while the rows were being made
    // Every row showing details from the cache: filled, as far as anyone can see. Files the
    // stats find changed are read again after them.
    bool filled = !mnuFolderSizes->isChecked();
    for (const ListRow* row : std::as_const(m_rows))
        filled = filled && (!row->isFile() || row->detailsNs != 0);
    if (filled && !m_rows.isEmpty()) emit detailsFilled();
}

void Form1::showRows(bool inOrder) {
    if (inOrder) {
        // The view's sorting goes back on without a sort: its sort skips a column it does not
        // have, and the indicator moves back once the view no longer follows it.
        QHeaderView* header = ListView1->header();
        const int key = header->sortIndicatorSection();
        const Qt::SortOrder order = header->sortIndicatorOrder();
        header->setSortIndicator(Col::Count, order);
        setListSorting(true);
        header->setSortIndicator(key, order);
    } else {
        setListSorting(true); // one sort, by the indicator
    }
    hasAudioFiles = false;
    for (const ListRow* row : std::as_const(m_rows))
        hasAudioFiles = hasAudioFiles || row->isFile();
    updateCommandStates(false);

    if (ListView1->topLevelItemCount() > 0) {
        if (!pendingSelection.isEmpty()) {
            if (ListRow* row = findRow(pendingSelection)) {
                ListView1->setCurrentItem(row);
                handleRowClick(row);
                if (!suppressAutoPlay && !m_pendingNoPlay)
                    mnuPlay->trigger();
                else
                    selectOnly();
            }
            pendingSelection.clear();
            m_pendingNoPlay = false;
        } else {
            clickRow(shownNeighbour(nullptr, 1)); // the first row the filter leaves
        }
    }
    emit listed();
}

QStringList Form1::visibleNames() const {
    QStringList names;
    const QRect area = ListView1->viewport()->rect();
    for (QTreeWidgetItem* item = ListView1->itemAt(area.topLeft());
         item && ListView1->visualItemRect(item).top() < area.bottom();
         item = ListView1->itemBelow(item))
        names << fileNamePart(static_cast<ListRow*>(item)->key);
    return names;
}

void Form1::queueApplyStats() {
    if (m_applyQueued) return;
    m_applyQueued = true;
    // Values arriving one by one are shown a few times a second, not one repaint each: the
    // waiting costs the window nothing, the painting would.
    QTimer::singleShot(m_statsArrived ? 0 : BatchMs, this, &Form1::applyStats);
}

void Form1::applyStats() {
    m_applyQueued = false;
    // Stats wait for their rows: these are still being made.
    if (!m_statsStage || !m_entries.empty()) return;
    QElapsedTimer clock;
    clock.start();
    QStringList gone;
    while (m_statsShown < m_stats.size() && clock.elapsed() < ApplyBudgetMs) {
        for (const std::size_t end = std::min(m_stats.size(), m_statsShown + 64);
             m_statsShown < end; ++m_statsShown) {
            const FolderScan::Stat& stat = m_stats[m_statsShown];
            ListRow* row = findRow(joinPath(dirCurrent, stat.name));
            if (!row) continue; // renamed, moved or deleted meanwhile
            // Empty files are no playlist entries; nor is what turned out not to be a file.
            if (row->isFile() ? (!stat.info.isFile || stat.info.size <= 0) : !stat.info.isDir) {
                gone << row->key;
                continue;
            }
            row->isFile() ? setFileStat(row, stat.info) : setFolderStat(row, stat.info);
        }
    }
    // One repaint for the lot; the view is not told row by row.
    ListView1->viewport()->update();
    if (!gone.isEmpty()) removeRows(gone);
    if (m_statsShown < m_stats.size()) {
        queueApplyStats(); // the window's turn first
    } else {
        m_stats.clear();
        m_statsShown = 0;
        if (m_statsArrived) finishStats();
    }
}

void Form1::finishStats() {
    m_statsStage = false;
    hasAudioFiles = false;
    for (ListRow* row : std::as_const(m_rows))
        hasAudioFiles = hasAudioFiles || row->isFile();
    sortAfterStage({Col::Size, Col::Modified});
    updateCommandStates(false);
    emit statsFilled();
    Timer2.start();
    applyChanges(); // what the watcher reported meanwhile
}

void Form1::sortAfterStage(std::initializer_list<int> filled) {
    const QHeaderView* header = ListView1->header();
    const int key = header->sortIndicatorSection();
    for (int column : filled) {
        if (key != Col::AscFirst + column && key != Col::DescFirst + column) continue;
        ListView1->sortItems(key, header->sortIndicatorOrder());
        if (QTreeWidgetItem* current = ListView1->currentItem()) ListView1->scrollToItem(current);
        return;
    }
}

} // namespace tunewalk
