// The folder listing as the window shows it: the listing's stages (FolderListing) fill the rows,
// the window starts them, follows their news, sorts by header clicks, navigates and answers
// clicks on rows.
#include "app/playback/Playback.h"
#include "app/playorder/PlayOrder.h"
#include "app/window/Form1.h"

#include "app/listing/FolderListing.h"
#include "app/listing/FolderModel.h"
#include "app/listing/FolderSortModel.h"
#include "common/NativePath.h"
#include "common/PathRules.h"
#include "common/SettingsStore.h"
#include "foldertree/Treefolder.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/codec/WAVInfo.h"
#include "shell/Prompter.h"
#include "shell/Volumes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTreeView>
#include <utility>

namespace tunewalk {

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

void Form1::connectListing() {
    m_listing->setVisibleNames([this] { return visibleNames(); });
    connect(m_listing, &FolderListing::namesRead, this, [this] {
        if (m_listingFromTree) return;
        if (m_listingMyDocuments)
            Treefolder1->MyDocuments();
        else
            Treefolder1->SetPath(dirCurrent);
    });
    connect(m_listing, &FolderListing::listed, this, &Form1::showRows);
    connect(m_listing, &FolderListing::failed, this,
            [this](const QString& folder, const QString& previous, int) {
                // Nothing to list there: the window stays on the folder it showed before.
                dirCurrent = previous;
                setWindowTitle(Prompter::caption() + QStringLiteral(" - ") + displayPath(previous));
                m_prompter->message(tr("No such directory: \"%1\"").arg(displayPath(folder)),
                                    Prompter::Icon::Critical, Prompter::Buttons::Ok);
            });
    connect(m_listing, &FolderListing::notReady, this, [this](const QString& root) {
        dirCurrent = m_listing->folder();
        setWindowTitle(Prompter::caption() + QStringLiteral(" - ") + displayPath(dirCurrent));
        reportNotReady(root);
    });
    connect(m_listing, &FolderListing::statsFilled, this, [this] {
        updateCommandStates(false);
        emit statsFilled();
    });
    connect(m_listing, &FolderListing::detailsFilled, this, &Form1::detailsFilled);
    connect(m_listing, &FolderListing::rowsChanged, this, [this] {
        const bool had = hasAudioFiles;
        hasAudioFiles = std::any_of(m_model->entries().begin(), m_model->entries().end(),
                                    [](const ListEntry& e) { return e.isFile(); });
        if (had != hasAudioFiles) updateCommandStates(false);
    });
    connect(m_listing, &FolderListing::playingDetails, this, [this] {
        if (const ListEntry* row = findRow(m_playback->currentFile());
            row && row->details.hasTitle()) {
            panelCurrent->setText(row->details.title);
            emit playbackChanged();
        }
    });
}

void Form1::PopulateList(const QString& requested, bool fromTree, bool isMyDocuments) {
    // A copy: the caller's text may be a row's key, and the rows go before the folder is read.
    const QString path = requested;
    hasAudioFiles = false;
    // Refreshing the same folder keeps the user's sort; anything else starts from names.
    const bool sameFolder = samePath(path, dirCurrent);
    if (!sameFolder || m_playOrder->isActive()) m_sortModel->sortBy(Col::Name, Qt::AscendingOrder);
    showSortIndicator();
    ++m_listings;
    // A filter is for the folder it was typed in; Refresh keeps it.
    if (!sameFolder) hideFilter();
    m_listingFromTree = fromTree;
    m_listingMyDocuments = isMyDocuments;

    const bool desktop = samePath(path, desktopFolder()) && listingDesktop;
    listingDesktop = false;

    if (path == DrivesKey) {
        keepPlayingList(path);
        dirCurrent = DrivesKey;
        setWindowTitle(Prompter::caption() + QStringLiteral(" - ") + DrivesKey);
        if (!fromTree) Treefolder1->MyComputer();
        m_listing->listDrives();
        return;
    }

    const QString previous = dirCurrent;
    keepPlayingList(path);
    dirCurrent = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    setWindowTitle(Prompter::caption() + QStringLiteral(" - ") + displayPath(dirCurrent));
    std::vector<ListEntry> special;
    if (desktop) {
        const auto row = [](const QString& key, const QString& text, const char* icon) {
            ListEntry e;
            e.key = key;
            e.name = text;
            e.icon = QLatin1String(icon);
            e.kind = RowKind::Special;
            return e;
        };
        special.push_back(row(DrivesKey, tr("My Computer"), "MyComputer"));
        special.push_back(row(myDocumentsFolder(), tr("My Documents"), "MyDocuments"));
    }
    FolderListing::Options options;
    options.useCache = ui.mnuDetailsCache->isChecked();
    // Refresh reads the listed files again; any other listing may take details from the cache.
    options.reread = sameFolder && m_refreshing;
    options.folderSizes = ui.mnuFolderSizes->isChecked();
    options.details = detailOptions();
    m_listing->list(dirCurrent, previous, std::move(special), options);
}

void Form1::showRows() {
    forgetKeptList();
    hasAudioFiles = std::any_of(m_model->entries().begin(), m_model->entries().end(),
                                [](const ListEntry& e) { return e.isFile(); });
    updateCommandStates(false);
    if (m_sortModel->rowCount() > 0 || m_model->size() > 0) {
        if (!pendingSelection.isEmpty()) {
            if (const ListEntry* row = findRow(pendingSelection)) {
                ListView1->setCurrentIndex(viewIndex(row->key));
                handleRowClick(row);
                if (!suppressAutoPlay && !m_pendingNoPlay)
                    ui.mnuPlay->trigger();
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
    for (QModelIndex index = ListView1->indexAt(area.topLeft());
         index.isValid() && ListView1->visualRect(index).top() < area.bottom();
         index = ListView1->indexBelow(index))
        if (const ListEntry* row = rowAt(index)) names << row->name;
    return names;
}

bool Form1::addFile(const QString& path) {
    ListEntry e;
    return FolderListing::entryFor(path, &e) && e.isFile() && m_listing->addPath(path);
}

bool Form1::addFolderItem(const QString& folder) {
    // Its size, with folder sizes on, comes from whoever made the folder: counting a moved
    // folder here would hold the window.
    ListEntry e;
    return FolderListing::entryFor(folder, &e) && e.kind == RowKind::Folder &&
           m_listing->addPath(folder);
}

void Form1::updateFileItem(const QString& key) {
    try {
        m_listing->refreshFile(key, oTagEditor(), wavReader());
    } catch (const std::exception& e) {
        m_prompter->error(QString::fromLocal8Bit(e.what()));
    }
}

void Form1::detailsChanged(const QString& key) {
    m_listing->rereadDetails(key);
}

bool Form1::isFillingDetails() const {
    return m_listing->isBusy();
}

QModelIndex Form1::viewIndex(const QString& key, int column) const {
    return m_sortModel->mapFromSource(m_model->indexOf(key, column));
}

const ListEntry* Form1::rowAt(const QModelIndex& index) const {
    if (!index.isValid()) return nullptr;
    const QModelIndex source = m_sortModel->mapToSource(index);
    return source.isValid() ? &m_model->at(source.row()) : nullptr;
}

const ListEntry* Form1::findRow(const QString& key) const {
    return m_model->find(key);
}

const ListEntry* Form1::currentRow() const {
    return rowAt(ListView1->currentIndex());
}

int Form1::getSelCount() const {
    return static_cast<int>(ListView1->selectionModel()->selectedRows().size());
}

int Form1::getFileSelCount() const {
    int n = 0;
    for (const ListEntry* row : selectedRows())
        if (row->isFile()) ++n;
    return n;
}

int Form1::getMP3SelCount() const {
    int n = 0;
    for (const ListEntry* row : selectedRows())
        if (row->kind == RowKind::MP3) ++n;
    return n;
}

std::vector<const ListEntry*> Form1::selectedRows() const {
    QModelIndexList indexes = ListView1->selectionModel()->selectedRows();
    std::sort(indexes.begin(), indexes.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<const ListEntry*> rows;
    rows.reserve(static_cast<std::size_t>(indexes.size()));
    for (const QModelIndex& index : indexes)
        if (const ListEntry* row = rowAt(index)) rows.push_back(row);
    return rows;
}

void Form1::selectOnly() {
    const QModelIndex current = ListView1->currentIndex();
    if (!current.isValid()) {
        ListView1->selectionModel()->clearSelection();
        return;
    }
    ListView1->selectionModel()->select(current, QItemSelectionModel::ClearAndSelect |
                                                     QItemSelectionModel::Rows);
}

QStringList Form1::listKeys() const {
    QStringList keys;
    keys.reserve(m_sortModel->rowCount());
    for (int i = 0, n = m_sortModel->rowCount(); i < n; ++i)
        keys << m_sortModel->entryAt(i).key;
    return keys;
}

void Form1::adoptRenamedFolder(const QString& newPath) {
    const QString old = dirCurrent;
    dirCurrent = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(newPath).absoluteFilePath()));
    setWindowTitle(Prompter::caption() + QStringLiteral(" - ") + displayPath(dirCurrent));
    // The playing file moves with its folder, at whatever depth below it.
    if (const QString playing = m_playback->currentFile(); pathIsWithin(playing, old)) {
        m_playback->followMove(dirCurrent + playing.mid(old.size()));
        m_model->setPlayingKey(m_playback->currentFile());
    }
    // Work still under way asks the old path: the folder is listed afresh under its new name.
    if (!m_listing->followRename(dirCurrent)) PopulateList(dirCurrent, true);
}

void Form1::clickRow(const ListEntry* row) {
    if (!row) return;
    const QString key = row->key; // the selection's news may change the rows
    ListView1->setCurrentIndex(viewIndex(key));
    selectOnly();
    handleRowClick(findRow(key));
}

void Form1::handleRowClick(const ListEntry* row) {
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
        ui.mnuMoveUp1->setEnabled(true);
        ui.mnuMoveDown1->setEnabled(true);
        ui.mnuMP3Tags->setEnabled(m >= 1);
        ui.mnuAudioTags->setEnabled(true);
        ui.mnuWAVHeaders->setEnabled(wav);
        ui.mnuPlayFile->setEnabled(true);
    } else if (row->opensAsFolder()) {
        for (const char* key : {"MoveUp", "MoveDown", "Tags", "Headers"})
            show(key, false);
        ui.mnuMoveUp1->setEnabled(false);
        ui.mnuMoveDown1->setEnabled(false);
        ui.mnuMP3Tags->setEnabled(m >= 1);
        ui.mnuAudioTags->setEnabled(getFileSelCount() >= 1);
        ui.mnuWAVHeaders->setEnabled(false);
        const bool paused = playerState == 2 || playerState == 4;
        ui.mnuPlayFile->setEnabled((playerState == 0 && hasAudioFiles) || paused);
        button(QStringLiteral("Play"))->setVisible(ui.mnuPlayFile->isEnabled());
    }
    ui.mnuSTPlay->setEnabled(ui.mnuPlayFile->isEnabled());
}

void Form1::handleRightClick(const ListEntry* row, const QPoint* at) {
    if (!row || getSelCount() == 0) return;
    const bool mp3 = row->kind == RowKind::MP3;
    const bool wav = row->kind == RowKind::WAV;
    ui.mnuPlay->setVisible(mp3 || wav);
    ui.mnuMoveUp->setVisible(mp3 || wav);
    ui.mnuMoveDown->setVisible(mp3 || wav);
    ui.mnuEditTags->setVisible(mp3);
    ui.mnuEditAudioTags->setVisible(row->isFile());
    ui.mnuEditWAV->setVisible(wav);
    bool anything = false;
    for (QAction* a : ui.mnuPopup->actions())
        anything = anything || (a->isVisible() && !a->isSeparator());
    if (anything) ui.mnuPopup->popup(at ? *at : QCursor::pos());
}

void Form1::handleDoubleClick(const ListEntry* row) {
    if (!row || row != currentRow()) return;
    doubleClickPending = true;
    // Folders and drives are listed without a look at the disk first: the listing finds out,
    // on a worker, whether they are there and readable.
    if (row->opensAsFolder()) {
        PopulateList(row->key, false, row->icon == QLatin1String("MyDocuments"));
    } else if (row->kind == RowKind::Drive) {
        // A drive the volume gathering found not answering is reported at once.
        if (m_listing->volumeReady(row->key))
            PopulateList(row->key);
        else
            reportNotReady(row->key);
    } else {
        // A file: play it, even when the player is paused.
        ui.mnuPlay->trigger();
    }
}

void Form1::reportNotReady(const QString& root) {
    const auto answer = m_prompter->message(
        tr("%1 is not accessible.\n\nThe device is not ready").arg(displayPath(root)),
        Prompter::Icon::Critical, Prompter::Buttons::RetryCancel);
    if (answer == Prompter::Answer::Retry) PopulateList(root);
}

void Form1::handleColumnClick(int column) {
    if (column < 0 || column >= Col::Count) return;
    // A click on the column in force reverses it; on another column the direction stays. A
    // click ends the play order.
    Qt::SortOrder order = m_sortModel->order();
    if (!m_sortModel->playOrder() && column == m_sortModel->column())
        order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sortModel->sortBy(column, order);
    showSortIndicator();
}

void Form1::showSortIndicator() {
    QHeaderView* header = ListView1->header();
    if (m_sortModel->playOrder())
        header->setSortIndicator(-1, Qt::AscendingOrder);
    else
        header->setSortIndicator(m_sortModel->column(), m_sortModel->order());
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
        const QString playing = m_playback->currentFile();
        if (findRow(playing) && !viewIndex(playing).isValid())
            hideFilter(); // the file is what the user asked to see
        clickRow(findRow(playing));
    }
}

} // namespace tunewalk
