// The folder listing: rows, sorting, navigation and what clicks on rows do.
#include "app/Form1.h"

#include "app/DetailReader.h"
#include "app/ListHeader.h"
#include "app/ListRow.h"
#include "app/ListText.h"
#include "common/NativePath.h"
#include "common/PathRules.h"
#include "common/SettingsStore.h"
#include "foldertree/Treefolder.h"
#include "shell/Prompter.h"
#include "shell/Volumes.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QStandardPaths>
#include <QTreeWidget>
#include <filesystem>

namespace tunewalk {

namespace fs = std::filesystem;

namespace {
const QString Drives = QStringLiteral("Drives");

// The sort keys of folder and special rows that do not depend on the row's name or size.
void setKindSortKeys(ListRow* row, const QString& prefix, const QString& modifiedKey) {
    row->setCell(Col::AscFirst + 1, prefix);
    row->setCell(Col::AscFirst + 2, prefix + QLatin1Char('0'));
    row->setCell(Col::AscFirst + 3, prefix);
    row->setCell(Col::AscFirst + 4, prefix);
    row->setCell(Col::AscFirst + 6, prefix + modifiedKey);
    for (int c = 1; c <= 4; ++c)
        row->setCell(Col::DescFirst + c, row->cell(Col::AscFirst + c));
    row->setCell(Col::DescFirst + 6, row->cell(Col::AscFirst + 6));
}

bool isAudioName(const QString& name, QString* tag) {
    if (name.size() < 4 || name[name.size() - 4] != QLatin1Char('.')) return false;
    const QString kind = name.right(3).toUpper();
    if (kind != QLatin1String("MP3") && kind != QLatin1String("WAV")) return false;
    *tag = kind;
    return true;
}

// The row of the file or folder `name` in `folder`; names that are not valid text are shown
// with replacement characters, while the key keeps their bytes.
ListRow* makeFileRow(const QString& folder, const QString& name, const QString& currentFile) {
    const QString key = joinPath(folder, name);
    const NativeFileInfo info = nativeFileInfo(key);
    if (info.size <= 0 || !info.isFile) return nullptr; // empty files are no playlist entries
    const QString shown = displayPath(name);
    QString tag;
    if (!isAudioName(name, &tag)) tag = QStringLiteral("MP3");
    auto* row = new ListRow(key, tag, samePath(key, currentFile) ? QStringLiteral("Playing") : tag);
    row->modified = info.modified;
    const QString padded = paddedSize(info.size);
    row->setCell(Col::Name, shown);
    row->setCell(Col::Size, formatSize(info.size));
    row->setCell(Col::Modified, modifiedText(row->modified));
    row->setCell(Col::AscFirst, QStringLiteral("D_") + shown);
    row->setCell(Col::AscFirst + Col::Size, QStringLiteral("D_") + padded);
    row->setCell(Col::DescFirst, QStringLiteral("B_") + shown);
    row->setCell(Col::DescFirst + Col::Size, QStringLiteral("B_") + padded);
    row->setCell(Col::SizeInBytes, QString::number(info.size));
    return row;
}

ListRow* makeFolderRow(const QString& folder, const QString& name) {
    const QString key = joinPath(folder, name);
    const QString shown = displayPath(name);
    auto* row = new ListRow(key, QStringLiteral("Folder"), QStringLiteral("Folder"));
    row->modified = nativeFileInfo(key).modified;
    row->setCell(Col::Name, shown);
    // With folder sizes on, the size arrives with the details; until then the cell is blank.
    row->setCell(Col::Size, QStringLiteral(" "));
    row->setCell(Col::Modified, modifiedText(row->modified));
    row->setCell(Col::AscFirst, QStringLiteral("C_") + shown);
    row->setCell(Col::DescFirst, QStringLiteral("C_") + shown);
    const QString padded = QStringLiteral("C_") + paddedSize(0);
    row->setCell(Col::AscFirst + Col::Size, padded);
    row->setCell(Col::DescFirst + Col::Size, padded);
    setKindSortKeys(row, QStringLiteral("C_"), sortableTime(row->modified));
    return row;
}

ListRow* makeSpecialRow(const QString& key, const QString& text, const QString& icon) {
    auto* row = new ListRow(key, QStringLiteral("Folder"), icon);
    row->setCell(Col::Name, text);
    row->setCell(Col::AscFirst, QStringLiteral("A_") + text);
    row->setCell(Col::DescFirst, QStringLiteral("A_") + text);
    setKindSortKeys(row, QStringLiteral("A_"), QString());
    return row;
}
} // namespace

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
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    // Refreshing the same folder keeps the user's sort; anything else starts from names.
    if (!samePath(path, dirCurrent) || playOrderActive) {
        sortColumn = Col::AscFirst;
        order = Qt::AscendingOrder;
        playOrderActive = false;
    }

    // The old folder's details stop before their next row.
    Timer2.stop();
    m_detailReader->cancel();
    m_fillingFolder.clear();

    ListView1->setSortingEnabled(false);
    ListView1->clear();
    m_rows.clear();

    const bool desktop = samePath(path, desktopFolder()) && listingDesktop;
    listingDesktop = false;

    QList<QTreeWidgetItem*> rows;
    auto take = [&](ListRow* row) {
        if (!row || m_rows.contains(row->key)) {
            delete row;
            return false;
        }
        m_rows.insert(row->key, row);
        rows.append(row);
        return true;
    };

    if (path != Drives) {
        if (!nativeFileInfo(path).isDir) {
            m_prompter->message(tr("No such directory: \"%1\"").arg(displayPath(path)),
                                Prompter::Icon::Critical, Prompter::Buttons::Ok);
        } else {
            dirCurrent =
                QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
            setWindowTitle(Prompter::caption() + QStringLiteral(" - ") + displayPath(dirCurrent));
            if (!fromTree) {
                if (isMyDocuments)
                    Treefolder1->MyDocuments();
                else
                    Treefolder1->SetPath(dirCurrent);
            }
            if (desktop) {
                take(makeSpecialRow(Drives, tr("My Computer"), QStringLiteral("MyComputer")));
                take(makeSpecialRow(myDocumentsFolder(), tr("My Documents"),
                                    QStringLiteral("MyDocuments")));
            }
            // One pass over the folder by its raw names (Qt's iterator skips names that are
            // not valid text): sub-folders, then MP3 files, then WAV files, each in the order
            // the file system gives them. Hidden entries stay out, as in a file manager.
            QStringList folders, mp3s, wavs;
            std::error_code ec;
            for (fs::directory_iterator it(toFsPath(dirCurrent), ec), end; !ec && it != end;
                 it.increment(ec)) {
                const QString name = fromFsPath(it->path().filename());
                if (name.startsWith(QLatin1Char('.'))) continue;
                std::error_code kind;
                QString tag;
                if (it->is_directory(kind))
                    folders.append(name);
                else if (isAudioName(name, &tag))
                    (tag == QLatin1String("MP3") ? mp3s : wavs).append(name);
            }
            for (const QString& name : folders)
                take(makeFolderRow(dirCurrent, name));
            for (const auto* group : {&mp3s, &wavs})
                for (const QString& name : *group)
                    if (take(makeFileRow(dirCurrent, name, currentFile))) hasAudioFiles = true;
        }
    } else {
        dirCurrent = Drives;
        setWindowTitle(Prompter::caption() + QStringLiteral(" - ") + Drives);
        if (!fromTree) Treefolder1->MyComputer();
        for (const Volume& v : mountedVolumes())
            take(new ListRow(v.root, QStringLiteral("Drive"), v.iconKey));
        for (QTreeWidgetItem* item : rows) {
            auto* row = static_cast<ListRow*>(item);
            row->setCell(Col::Name, row->key);
        }
    }

    ListView1->addTopLevelItems(rows);
    header->setSortIndicator(sortColumn, order);
    setListSorting(true);
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

    QGuiApplication::restoreOverrideCursor();
    Timer2.start();
    emit listed();
}

ListRow* Form1::addFile(const QString& path) {
    const QString absolute = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    ListRow* row = makeFileRow(parentPath(absolute), fileNamePart(absolute), currentFile);
    if (!row) return nullptr;
    if (m_rows.contains(row->key)) {
        delete row;
        return nullptr;
    }
    m_rows.insert(row->key, row);
    ListView1->addTopLevelItem(row);
    return row;
}

ListRow* Form1::addFolderItem(const QString& folder) {
    const QString absolute = QDir::toNativeSeparators(QFileInfo(folder).absoluteFilePath());
    ListRow* row = makeFolderRow(parentPath(absolute), fileNamePart(absolute));
    if (m_rows.contains(row->key)) {
        delete row;
        return nullptr;
    }
    m_rows.insert(row->key, row);
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
        if (static_cast<ListRow*>(item)->tag == QLatin1String("MP3")) ++n;
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
    // The playing file moves with its folder, at whatever depth below it.
    if (pathIsWithin(currentFile, old)) currentFile = dirCurrent + currentFile.mid(old.size());
    m_rows.clear();
    for (int i = 0, n = ListView1->topLevelItemCount(); i < n; ++i) {
        auto* row = static_cast<ListRow*>(ListView1->topLevelItem(i));
        row->key = joinPath(dirCurrent, fileNamePart(row->key)); // the name shown may not be it
        m_rows.insert(row->key, row);
    }
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
    if (row->tag == QLatin1String("MP3") || row->tag == QLatin1String("WAV")) {
        const bool wav = row->tag == QLatin1String("WAV");
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
    } else if (row->tag == QLatin1String("Folder")) {
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

void Form1::handleRightClick(ListRow* row) {
    if (!row || getSelCount() == 0) return;
    const bool mp3 = row->tag == QLatin1String("MP3");
    const bool wav = row->tag == QLatin1String("WAV");
    mnuPlay->setVisible(mp3 || wav);
    mnuMoveUp->setVisible(mp3 || wav);
    mnuMoveDown->setVisible(mp3 || wav);
    mnuEditTags->setVisible(mp3);
    mnuEditWAV->setVisible(wav);
    bool anything = false;
    for (QAction* a : mnuPopup->actions())
        anything = anything || (a->isVisible() && !a->isSeparator());
    if (anything) mnuPopup->popup(QCursor::pos());
}

void Form1::handleDoubleClick(ListRow* row) {
    if (!row || row != currentRow()) return;
    doubleClickPending = true;
    for (;;) {
        if (row->key == Drives ||
            (nativeFileInfo(row->key).isDir &&
             (row->tag != QLatin1String("Drive") || QDir(row->key).isReadable()))) {
            PopulateList(row->key, false, row->iconKey() == QLatin1String("MyDocuments"));
            return;
        }
        if (row->tag == QLatin1String("Drive") || isVolumeRoot(row->key)) {
            const auto answer = m_prompter->message(
                tr("%1 is not accessible.\n\nThe device is not ready").arg(displayPath(row->key)),
                Prompter::Icon::Critical, Prompter::Buttons::RetryCancel);
            if (answer == Prompter::Answer::Retry) continue;
            return;
        }
        // A file: play it, even when the player is paused.
        mnuPlay->trigger();
        return;
    }
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
    playOrderActive = false;
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
    const QString folder =
        m_settings->get(QStringLiteral("Settings"), QStringLiteral("DefaultPath"), "none");
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
    if (currentFile.isEmpty() || !isPlaying) return;
    if (!samePath(parentPath(currentFile), dirCurrent)) {
        pendingSelection = currentFile;
        suppressAutoPlay = true;
        PopulateList(parentPath(currentFile));
        suppressAutoPlay = false;
    } else {
        clickRow(findRow(currentFile));
    }
}

} // namespace tunewalk
