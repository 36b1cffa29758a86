// The folder listing: rows, sorting, navigation and what clicks on rows do.
#include "app/playback/Playback.h"
#include "app/playorder/PlayOrder.h"
#include "app/window/Form1.h"

#include "app/listing/DetailReader.h"
#include "app/listing/FolderWatcher.h"
#include "app/listing/ListRow.h"
#include "app/listing/ListText.h"
#include "app/window/ListHeader.h"
#include "common/NativePath.h"
#include "common/PathRules.h"
#include "common/SettingsStore.h"
#include "foldertree/Treefolder.h"
#include "shell/Prompter.h"
#include "shell/Volumes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QStandardPaths>
#include <QTreeWidget>
#include <utility>

namespace tunewalk {

namespace {} // namespace

QString GetLongFileName(const QString& path) {
    if (path.isEmpty()) return {};
    if (!nativeFileInfo(path).exists) return {};
    return QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
}

QString Form1::desktopFolder() const {
    return Treefolder1->DesktopFolder();
}

QString Form1::myDocumentsFolder() const {
    return Treefolder1->MyDocumentsFolder();
}

void Form1::PopulateList(const QString& requested, bool fromTree, bool isMyDocuments) {
    // A copy: the caller's text may be a row's key, and the rows go before the folder is read.
    const QString path = requested;
    QHeaderView* header = ListView1->header();
    int sortColumn = header->sortIndicatorSection();
    Qt::SortOrder order = header->sortIndicatorOrder();
    hasAudioFiles = false;
    // Refreshing the same folder keeps the user's sort; anything else starts from names.
    const bool sameFolder = samePath(path, dirCurrent);
    if (!sameFolder || m_playOrder->isActive()) {
        sortColumn = Col::AscFirst;
        order = Qt::AscendingOrder;
        m_playOrder->clear();
    }
    // Refresh reads the listed files again; any other listing may take details from the cache.
    m_reReadDetails = sameFolder && m_refreshing;

    // The old folder's work is dropped where it stands; nothing of it arrives later.
    Timer2.stop();
    m_detailReader->cancel();
    m_fillingFolder.clear();
    m_scan->abandon();
    m_statsStage = false;
    m_stats.clear();
    m_entries.clear();
    m_entriesShown = 0;
    discardRows(std::exchange(m_builtRows, {}));
    ++m_listings;
    forgetChanges();

    ListView1->setSortingEnabled(false);
    discardRows(ListView1->invisibleRootItem()->takeChildren());
    m_rows.clear();
    // A filter is for the folder it was typed in; Refresh keeps it.
    if (!sameFolder) hideFilter();
    header->setSortIndicator(sortColumn, order);

    const bool desktop = samePath(path, desktopFolder()) && listingDesktop;
    listingDesktop = false;

    if (path == DrivesKey) {
        dirCurrent = DrivesKey;
        m_watcher->watch({});
        setWindowTitle(Prompter::caption() + QStringLiteral(" - ") + DrivesKey);
        if (!fromTree) Treefolder1->MyComputer();
        QList<QTreeWidgetItem*> rows;
        for (const Volume& v : mountedVolumes()) {
            auto* row = new ListRow(v.root, RowKind::Drive, v.iconKey);
            row->setCell(Col::Name, row->key);
            if (addRow(row)) rows.append(row);
        }
        ListView1->addTopLevelItems(rows);
        showRows(false);
        emit statsFilled();
        Timer2.start();
        // Labels and readiness need a call on each mount, which a dead one never answers.
        gatherVolumes(this, [this](const QList<Volume>& volumes) {
            m_volumeReady.clear();
            for (const Volume& v : volumes)
                m_volumeReady.insert(v.root, v.ready);
            if (dirCurrent != DrivesKey) return;
            QStringList gone; // mount points that turned out to be no folders
            for (auto it = m_rows.cbegin(); it != m_rows.cend(); ++it)
                if (!m_volumeReady.contains(it.key())) gone << it.key();
            if (!gone.isEmpty()) removeRows(gone);
        });
        return;
    }

    const QString previous = dirCurrent;
    dirCurrent = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    setWindowTitle(Prompter::caption() + QStringLiteral(" - ") + displayPath(dirCurrent));
    if (desktop) {
        for (ListRow* row :
             {makeSpecialRow(DrivesKey, tr("My Computer"), QStringLiteral("MyComputer")),
              makeSpecialRow(myDocumentsFolder(), tr("My Documents"),
                             QStringLiteral("MyDocuments"))})
            if (addRow(row)) ListView1->addTopLevelItem(row);
    }
    startScan(previous, fromTree, isMyDocuments);
}

void Form1::discardRows(const QList<QTreeWidgetItem*>& rows) {
    // Out of the view at once; deleting a big folder's rows takes a while, so a few thousand
    // go each turn.
    const bool queued = !m_discarded.isEmpty();
    m_discarded += rows;
    if (!queued && !m_discarded.isEmpty()) QTimer::singleShot(0, this, &Form1::deleteDiscarded);
}

void Form1::deleteDiscarded() {
    QElapsedTimer clock;
    clock.start();
    while (!m_discarded.isEmpty() && clock.elapsed() < ApplyBudgetMs)
        for (int i = 0; i < 256 && !m_discarded.isEmpty(); ++i)
            delete m_discarded.takeLast();
    if (!m_discarded.isEmpty()) QTimer::singleShot(0, this, &Form1::deleteDiscarded);
}

bool Form1::addRow(ListRow* row) {
    if (!row || m_rows.contains(row->key)) {
        delete row;
        return false;
    }
    m_rows.insert(row->key, row);
    return true;
}

ListRow* Form1::addFile(const QString& path) {
    const QString absolute = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    const NativeFileInfo info = nativeFileInfo(absolute);
    if (info.size <= 0 || !info.isFile) return nullptr; // empty files are no playlist entries
    const QString name = fileNamePart(absolute);
    const std::optional<RowKind> kind = audioKindOf(name);
    if (!kind) return nullptr;
    ListRow* row = makeFileRow(parentPath(absolute), name, *kind, m_playback->currentFile());
    setFileStat(row, info);
    if (!addRow(row)) return nullptr;
    ListView1->addTopLevelItem(row);
    return row;
}

ListRow* Form1::addFolderItem(const QString& folder) {
    const QString absolute = QDir::toNativeSeparators(QFileInfo(folder).absoluteFilePath());
    ListRow* row = makeFolderRow(parentPath(absolute), fileNamePart(absolute));
    setFolderStat(row, nativeFileInfo(absolute));
    if (!addRow(row)) return nullptr;
    ListView1->addTopLevelItem(row);
    // Its size, with folder sizes on, comes from whoever made the folder: counting a moved
    // folder here would hold the window.
    return row;
}

ListRow* Form1::findRow(const QString& key) const {
    return m_rows.value(key);
}

ListRow* Form1::currentRow() const {
    return static_cast<ListRow*>(ListView1->currentItem());
}

int Form1::getSelCount() const {
    return static_cast<int>(ListView1->selectedItems().size());
}

int Form1::getFileSelCount() const {
    int n = 0;
    for (QTreeWidgetItem* item : ListView1->selectedItems())
        if (static_cast<ListRow*>(item)->isFile()) ++n;
    return n;
}

int Form1::getMP3SelCount() const {
    int n = 0;
    for (QTreeWidgetItem* item : ListView1->selectedItems())
        if (static_cast<ListRow*>(item)->kind == RowKind::MP3) ++n;
    return n;
}

std::vector<ListRow*> Form1::selectedRows() const {
    std::vector<ListRow*> rows;
    for (int i = 0, n = ListView1->topLevelItemCount(); i < n; ++i)
        if (QTreeWidgetItem* item = ListView1->topLevelItem(i); item->isSelected())
            rows.push_back(static_cast<ListRow*>(item));
    return rows;
}

void Form1::selectOnly() {
    QTreeWidgetItem* current = ListView1->currentItem();
    for (QTreeWidgetItem* item : ListView1->selectedItems())
        if (item != current) item->setSelected(false);
}

QStringList Form1::listKeys() const {
    QStringList keys;
    keys.reserve(ListView1->topLevelItemCount());
    for (int i = 0, n = ListView1->topLevelItemCount(); i < n; ++i)
        keys << static_cast<ListRow*>(ListView1->topLevelItem(i))->key;
    return keys;
}

void Form1::adoptRenamedFolder(const QString& newPath) {
    const QString old = dirCurrent;
    dirCurrent = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(newPath).absoluteFilePath()));
    setWindowTitle(Prompter::caption() + QStringLiteral(" - ") + displayPath(dirCurrent));
    m_watcher->watch(dirCurrent);
    // The playing file moves with its folder, at whatever depth below it.
    if (const QString playing = m_playback->currentFile(); pathIsWithin(playing, old))
        m_playback->followMove(dirCurrent + playing.mid(old.size()));
    m_rows.clear();
    for (int i = 0, n = ListView1->topLevelItemCount(); i < n; ++i) {
        auto* row = static_cast<ListRow*>(ListView1->topLevelItem(i));
        row->key = joinPath(dirCurrent, fileNamePart(row->key)); // the name shown may not be it
        m_rows.insert(row->key, row);
    }
    forgetChanges();
    // Work still under way asks the old path: the folder is listed afresh under its new name.
    if (m_scan->isRunning() || m_statsStage || !m_fillingFolder.isEmpty())
        PopulateList(dirCurrent, true);
}

void Form1::clickRow(ListRow* row) {
    if (!row) return;
    ListView1->setCurrentItem(row);
    selectOnly();
    handleRowClick(row);
}

void Form1::handleRowClick(ListRow* row) {
    if (!row) return;
    const int m = getMP3SelCount();
    const bool full = !smallWindowMode;
    auto show = [this, full](const char* key, bool on) {
        if (full) button(QLatin1String(key))->setVisible(on);
    };
    if (row->isFile()) {
        const bool wav = row->kind == RowKind::WAV;
        show("MoveUp", true);
        show("MoveDown", true);
        show("Tags", m >= 1);
        show("Headers", wav);
        button(QStringLiteral("Play"))->setVisible(true);
        mnuMoveUp1->setEnabled(true);
        mnuMoveDown1->setEnabled(true);
        mnuMP3Tags->setEnabled(m >= 1);
        mnuWAVHeaders->setEnabled(wav);
        mnuPlayFile->setEnabled(true);
    } else if (row->opensAsFolder()) {
        for (const char* key : {"MoveUp", "MoveDown", "Tags", "Headers"})
            show(key, false);
        mnuMoveUp1->setEnabled(false);
        mnuMoveDown1->setEnabled(false);
        mnuMP3Tags->setEnabled(m >= 1);
        mnuWAVHeaders->setEnabled(false);
        const bool paused = playerState == 2 || playerState == 4;
        mnuPlayFile->setEnabled((playerState == 0 && hasAudioFiles) || paused);
        button(QStringLiteral("Play"))->setVisible(mnuPlayFile->isEnabled());
    }
    mnuSTPlay->setEnabled(mnuPlayFile->isEnabled());
}

void Form1::handleRightClick(ListRow* row, const QPoint* at) {
    if (!row || getSelCount() == 0) return;
    const bool mp3 = row->kind == RowKind::MP3;
    const bool wav = row->kind == RowKind::WAV;
    mnuPlay->setVisible(mp3 || wav);
    mnuMoveUp->setVisible(mp3 || wav);
    mnuMoveDown->setVisible(mp3 || wav);
    mnuEditTags->setVisible(mp3);
    mnuEditWAV->setVisible(wav);
    bool anything = false;
    for (QAction* a : mnuPopup->actions())
        anything = anything || (a->isVisible() && !a->isSeparator());
    if (anything) mnuPopup->popup(at ? *at : QCursor::pos());
}

void Form1::handleDoubleClick(ListRow* row) {
    if (!row || row != currentRow()) return;
    doubleClickPending = true;
    // Folders and drives are listed without a look at the disk first: the listing finds out,
    // on a worker, whether they are there and readable.
    if (row->opensAsFolder()) {
        PopulateList(row->key, false, row->iconKey() == QLatin1String("MyDocuments"));
    } else if (row->kind == RowKind::Drive) {
        // A drive the volume gathering found not answering is reported at once.
        if (m_volumeReady.value(row->key, true))
            PopulateList(row->key);
        else
            reportNotReady(row->key);
    } else {
        // A file: play it, even when the player is paused.
        mnuPlay->trigger();
    }
}

void Form1::reportNotReady(const QString& root) {
    const auto answer = m_prompter->message(
        tr("%1 is not accessible.\n\nThe device is not ready").arg(displayPath(root)),
        Prompter::Icon::Critical, Prompter::Buttons::RetryCancel);
    if (answer == Prompter::Answer::Retry) PopulateList(root);
}

void Form1::handleColumnClick(int column) {
    if (column < 0 || column >= Col::Visible) return;
    // The header has already moved its indicator to the clicked section; the key in force
    // before the click is the one the rule goes by.
    const auto* header = static_cast<const ListHeader*>(ListView1->header());
    const int asc = column + Col::AscFirst, desc = column + Col::DescFirst;
    const int k = header->sortKey();
    Qt::SortOrder order = header->sortKeyOrder();
    const auto flipped = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    int sortColumn;
    if (k == asc) {
        order = flipped;
        sortColumn = desc;
    } else if (k == desc) {
        order = flipped;
        sortColumn = asc;
    } else {
        sortColumn = order == Qt::AscendingOrder ? asc : desc;
    }
    m_playOrder->clear();
    ListView1->sortItems(sortColumn, order);
}

// The list sorts itself (new rows, changed cells) by the header's indicator, but a click on a
// header must not sort by the clicked column's text first: the click picks a key column
// (handleColumnClick), so the view's own click sorting is cut off each time it is switched on.
void Form1::setListSorting(bool on) {
    ListView1->setSortingEnabled(on);
    if (on) disconnect(ListView1->header(), &QHeaderView::sortIndicatorChanged, ListView1, nullptr);
}

void Form1::openDirectory() {
    const QString folder = m_prompter->pickFolder(tr("Select a Folder"), dirCurrent);
    if (!folder.isEmpty()) PopulateList(folder);
}

void Form1::openDefaultDirectory() {
    const QString folder = m_settings->get(SettingsStore::Settings, QStringLiteral("DefaultPath"),
                                           SettingsStore::None);
    if (folder == QLatin1String("none")) {
        m_prompter->message(
            tr("You must first set your default directory (File-->Set Default Directory...)"),
            Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
        return;
    }
    PopulateList(folder);
}

void Form1::upOneDir() {
    // The tree goes up and its event lists the result.
    Treefolder1->UpOneDir();
}

void Form1::showCurrentFile() {
    if (m_playback->currentFile().isEmpty() || !m_playback->isPlaying()) return;
    if (!samePath(parentPath(m_playback->currentFile()), dirCurrent)) {
        pendingSelection = m_playback->currentFile();
        m_pendingNoPlay = true; // the rows come later; the flag goes with the selection
        PopulateList(parentPath(m_playback->currentFile()));
    } else {
        ListRow* row = findRow(m_playback->currentFile());
        if (row && row->isHidden()) hideFilter(); // the file is what the user asked to see
        clickRow(row);
    }
}

} // namespace tunewalk
