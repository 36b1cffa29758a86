// How a listing fills in without holding up the window: the names first (rows at once), then
// each row's size and time, then the audio details, the rows on screen first at each stage.
//
// While a value is pending its cell is blank and its sort key empty, so a header click sorts
// pending rows before the known ones (ascending) or after them (descending). Values arriving
// never move a row under the user's pointer: when a stage is complete the list sorts once by
// the column in force, if that stage filled it, and keeps the current row in view.
#include "app/Form1.h"

#include "app/DetailReader.h"
#include "app/FolderScan.h"
#include "app/FolderWatcher.h"
#include "app/ListRow.h"
#include "common/PathRules.h"
#include "foldertree/Treefolder.h"
#include "shell/Prompter.h"
#include "shell/Volumes.h"

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
            m_watcher->watch(previous == QLatin1String("Drives") ? QString() : previous);
            setWindowTitle(Prompter::caption() + QStringLiteral(" - ") + displayPath(previous));
            showRows({});
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
        QList<QTreeWidgetItem*> rows;
        rows.reserve(static_cast<qsizetype>(entries.size()));
        for (const FolderScan::Entry& e : entries) {
            ListRow* row =
                e.kind == FolderScan::Kind::Folder
                    ? makeFolderRow(dirCurrent, e.name)
                    : makeFileRow(dirCurrent, e.name, e.kind == FolderScan::Kind::WAV, currentFile);
            if (addRow(row)) rows.append(row);
        }
        showRows(rows);
        m_scan->statFirst(visibleNames());
    };
    handlers.stats = [this](std::vector<FolderScan::Stat> stats) { applyStats(stats); };
    handlers.statsDone = [this] { finishStats(); };
    m_scan->start(folder, std::move(handlers));
}

void Form1::showRows(const QList<QTreeWidgetItem*>& rows) {
    ListView1->addTopLevelItems(rows);
    setListSorting(true); // one sort, by the indicator
    hasAudioFiles = false;
    for (QTreeWidgetItem* item : rows)
        hasAudioFiles = hasAudioFiles || static_cast<ListRow*>(item)->isFile();
    updateCommandStates(false);

    if (ListView1->topLevelItemCount() > 0) {
        if (!pendingSelection.isEmpty()) {
            if (ListRow* row = findRow(pendingSelection)) {
                ListView1->setCurrentItem(row);
                handleRowClick(row);
                if (!suppressAutoPlay)
                    mnuPlay->trigger();
                else
                    selectOnly();
            }
            pendingSelection.clear();
        } else {
            clickRow(static_cast<ListRow*>(ListView1->topLevelItem(0)));
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

void Form1::applyStats(const std::vector<FolderScan::Stat>& stats) {
    QStringList gone;
    for (const FolderScan::Stat& stat : stats) {
        ListRow* row = findRow(joinPath(dirCurrent, stat.name));
        if (!row) continue; // renamed, moved or deleted meanwhile
        if (row->isFile()) {
            // Empty files are no playlist entries; nor is what turned out not to be a file.
            if (!stat.info.isFile || stat.info.size <= 0) {
                gone << row->key;
                continue;
            }
            setFileStat(row, stat.info);
        } else {
            if (!stat.info.isDir) {
                gone << row->key;
                continue;
            }
            setFolderStat(row, stat.info);
        }
        row->changedInPlace();
    }
    if (!gone.isEmpty()) removeRows(gone);
}

void Form1::finishStats() {
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
