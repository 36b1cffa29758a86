// The window as a small file manager: moving dropped files and folders, deleting, new
// folders, renaming and the properties sheet. Every change to the disk is followed by the
// list, the tree and the current file.
#include "app/playback/Playback.h"
#include "app/window/Form1.h"

#include "app/fileops/FileOperations.h"
#include "app/listing/FolderModel.h"
#include "app/listing/FolderSortModel.h"
#include "app/listing/ListText.h"
#include "common/NativePath.h"
#include "common/PathRules.h"
#include "common/Twips.h"
#include "fileops/FileMoves.h"
#include "foldertree/TreeNode.h"
#include "foldertree/Treefolder.h"
#include "metadata/naming/NameRules.h"
#include "shell/Prompter.h"
#include "shell/ShellOperations.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QSet>
#include <QTreeView>
#include <QTreeWidget>
#include <filesystem>

namespace tunewalk {

namespace {
// The rows to go on with when the rows keyed by `going` leave the list: the first shown row
// after the last of them, and the last shown row before it, that stay; empty where none.
std::pair<QString, QString> rowsAround(const FolderSortModel& shown, const QStringList& going) {
    const QSet<QString> leaving(going.begin(), going.end());
    const auto key = [&shown](int i) { return shown.entryAt(i).key; };
    const int count = shown.rowCount();
    int last = -1;
    for (int i = 0; i < count; ++i)
        if (leaving.contains(key(i))) last = i;
    std::pair<QString, QString> around;
    if (last < 0) return around;
    for (int i = last + 1; i < count && around.first.isEmpty(); ++i)
        if (!leaving.contains(key(i))) around.first = key(i);
    for (int i = last - 1; i >= 0 && around.second.isEmpty(); --i)
        if (!leaving.contains(key(i))) around.second = key(i);
    return around;
}

// A folder's size, counted by whoever made or moved it.
void setFolderSize(FolderModel& rows, const QString& key, qint64 bytes) {
    rows.change(key, [bytes](ListEntry& e) {
        e.size = bytes;
        e.detailsIn = true;
    });
}
} // namespace

bool Form1::isListedFolder(const QString& folder) const {
    return samePath(QDir::cleanPath(folder), QDir::cleanPath(dirCurrent));
}

void Form1::showFileError(const QString& description) {
    m_prompter->message(description, Prompter::Icon::None, Prompter::Buttons::Ok);
}

void Form1::removeRow(const QString& key) {
    removeRows({key});
}

// The current row, the selection and the scroll position stay.
void Form1::removeRows(const QStringList& keys) {
    m_model->remove(keys);
    const bool had = hasAudioFiles;
    hasAudioFiles = std::any_of(m_model->entries().begin(), m_model->entries().end(),
                                [](const ListEntry& e) { return e.isFile(); });
    if (had != hasAudioFiles) updateCommandStates(false);
}

// After the disk changed under some paths: rows and nodes of what is gone go, the rest stay.
void Form1::forgetVanished(const QStringList& paths) {
    QStringList gone;
    for (const QString& path : paths) {
        if (itemExists(path)) continue;
        gone << path;
        Treefolder1->RemoveNode(path);
    }
    removeRows(gone);
}

// Asks one of the conflict questions; a No marks the item as staying where it is.
bool Form1::mayReplace(const QString& path, const QString& question) {
    const auto answer =
        m_prompter->message(question, Prompter::Icon::None, Prompter::Buttons::YesNo);
    if (answer != Prompter::Answer::No) return true;
    dragDictionary.insert(path, 0);
    return false;
}

// The current file went along with `from` to `to`: the window follows it there (the player
// keeps the file it has open). Nothing changes for a part that did not go.
void Form1::followCurrentFile(const QString& from, const QString& to) {
    const QString current = m_playback->currentFile();
    QString moved;
    if (current == from)
        moved = to;
    else if (pathIsWithin(current, from))
        moved = to + current.mid(from.size());
    if (moved.isEmpty() || !itemExists(moved)) return;
    // Where names ignore case, a case-only rename leaves the old spelling "existing".
    if (itemExists(current) && !samePath(current, moved)) return;
    m_playback->followMove(moved);
    m_model->setPlayingKey(moved);
    emit playbackChanged();
}

// The dropped items are looked at on the worker; the questions are then asked here, and the
// moves run as one job on the worker, after which the list, the tree and the current file
// follow.
void Form1::MoveDroppedItems(const QStringList& paths, const QString& destination) {
    m_fileOps->lookAtDrop(paths, destination, [this, destination](const auto& looks) {
        moveLookedAt(looks, destination);
    });
}

void Form1::moveLookedAt(const std::vector<FileOperations::Dropped>& looks,
                         const QString& destination) {
    using Move = FileOperations::Move;
    std::vector<Move> moves;
    QStringList errors;
    QSet<QString> targets;
    for (const FileOperations::Dropped& item : looks) {
        const QString &path = item.source, &target = item.target;
        if (item.from.kind == ItemKind::Missing) continue; // gone since it was dropped
        const QString name = fileNamePart(path);
        // Two dropped items of one name (from two folders) would meet at one place, and the
        // second would replace the first, whose source is gone by then.
        if (targets.contains(target)) {
            errors << tr("\"%1\" was not moved: another item of that name is being moved "
                         "there.")
                          .arg(displayPath(path));
            continue;
        }
        targets.insert(target);
        if (sameItem(item.from, item.to)) {
            // Dropped where it already is; under another path (a second mount) that is worth
            // a word, since the user may think it went somewhere.
            if (!samePath(path, target))
                errors << tr("\"%1\" and \"%2\" are the same item, reached by two paths; it "
                             "stays where it is.")
                              .arg(displayPath(path), displayPath(target));
            continue;
        }
        if (item.from.followed == ItemKind::Folder) {
            if (item.from.kind == ItemKind::Folder && item.to.followed == ItemKind::Folder) {
                if (!mayReplace(
                        path, tr("A folder named \"%1\" already exists at this location.\r\nWould "
                                 "you like to replace files in the existing folder with "
                                 "matching files from the folder you are moving?")
                                  .arg(displayPath(name))))
                    continue;
                moves.push_back({Move::Kind::Merge, path, target});
            } else {
                moves.push_back({Move::Kind::Move, path, target});
            }
            continue;
        }
        if (!audioKindOf(path)) continue;
        if (item.to.kind == ItemKind::Missing) {
            moves.push_back({Move::Kind::Move, path, target});
            continue;
        }
        if (!mayReplace(path, tr("A file named \"%1\" already exists at this location.\r\n"
                                 "Would you like to replace it with the file you are moving?")
                                  .arg(displayPath(name))))
            continue;
        if (item.to.kind == ItemKind::File)
            moves.push_back({Move::Kind::Replace, path, target, item.to});
        else if (item.to.followed == ItemKind::Folder)
            errors << tr("Cannot replace the folder \"%1\" with a file.").arg(displayPath(target));
        else
            errors << tr("Cannot replace \"%1\" with a file: it is not a file.")
                          .arg(displayPath(target));
    }
    if (moves.empty()) {
        if (!errors.isEmpty()) showFileError(errors.join(QLatin1Char('\n')));
        return;
    }
    m_fileOps->moveItems(std::move(moves), destination, ui.mnuFolderSizes->isChecked(),
                         [this, destination, errors](const auto& results) mutable {
                             QStringList gone;
                             for (const FileOperations::Moved& moved : results)
                                 showMoved(moved, destination, &errors, &gone);
                             removeRows(gone);
                             updateCommandStates(false);
                             if (!errors.isEmpty()) showFileError(errors.join(QLatin1Char('\n')));
                         });
}

// One finished move shown in the views: rows and nodes of what left go, what arrived in the
// listed folder comes in, and the current file follows.
void Form1::showMoved(const FileOperations::Moved& moved, const QString& destination,
                      QStringList* errors, QStringList* gone) {
    using Kind = FileOperations::Move::Kind;
    const QString &path = moved.move.source, &target = moved.move.target;
    const bool listed = isListedFolder(destination);
    followCurrentFile(path, target);
    *errors << moved.outcome.lines();
    // Whatever left its place leaves the list and the tree, however it was dragged.
    if (moved.sourceGone) {
        *gone << path;
        if (moved.targetIsFolder) Treefolder1->RemoveNode(path);
    }
    if (moved.targetIsFolder) {
        bool arrived = false;
        if (moved.move.kind == Kind::Merge && listed) {
            removeRow(target);
            arrived = addFolderItem(target);
        } else if (moved.move.kind != Kind::Merge && moved.arrived) {
            Treefolder1->AddNode(destination, fileNamePart(target));
            if (listed) arrived = addFolderItem(target);
        }
        if (arrived && moved.folderSize >= 0) setFolderSize(*m_model, target, moved.folderSize);
    } else if (moved.arrived && listed) {
        // Also when its source could not be removed: the copy is there.
        if (findRow(target) || addFile(target)) updateFileItem(target);
    }
}

// Delete and rename act on the tree's folder when the tree had the focus last (or nothing in
// the list is selected, unless the filter hides rows: then the user sees no selection, not the
// whole folder), otherwise on the list's selection. Null with `onTree` set: nothing to
// act on (the tree is hidden, or its node is a drive or a special place).
QTreeWidgetItem* Form1::fileCommandNode(bool* onTree) const {
    QTreeWidgetItem* node = Treefolder1->SelectedItem();
    const int selected = getSelCount();
    const bool treeShown = ui.mnuShowTree->isChecked();
    *onTree =
        (node && treeActive && treeShown) || (selected == 0 && !m_sortModel->filter().isActive());
    if (!*onTree || !node || !treeShown) return nullptr;
    const QString tag = TreeNode::tag(node), key = TreeNode::key(node);
    if (tag == QLatin1String("Desktop") || tag == QLatin1String("Drive") ||
        tag == QLatin1String("MyDocuments") || key == QLatin1String("MyComputer"))
        return nullptr;
    return node;
}

void Form1::renameCommand() {
    bool onTree = false;
    if (QTreeWidgetItem* node = fileCommandNode(&onTree)) {
        Treefolder1->Nodes()->editItem(node); // its end comes back through treeRename
        return;
    }
    if (!onTree && currentRow()) startRename();
}

void Form1::deleteCommand() {
    bool onTree = false;
    const QTreeWidgetItem* node = fileCommandNode(&onTree);
    if (onTree && !node) return;

    QStringList paths;
    if (onTree) {
        paths << Treefolder1->Path();
    } else {
        for (const ListEntry* row : selectedRows()) {
            if (row->kind == RowKind::Drive || row->kind == RowKind::Special) continue;
            paths << row->key;
        }
        if (paths.isEmpty()) return;
    }

    // When the current row goes, the next one takes its place, as the keyboard user expects.
    const QString current = !onTree && currentRow() ? currentRow()->key : QString();
    const auto [after, before] =
        onTree ? std::pair<QString, QString>() : rowsAround(*m_sortModel, paths);
    m_fileOps->deleteItems(
        paths, !ui.mnuConfirmDeletes->isChecked(), ui.mnuPermanentDelete->isChecked(),
        [this, paths, onTree, current, after, before](FileOperations::DeleteResult result) {
            if (result == FileOperations::DeleteResult::Cancelled) return;
            showDeleted(paths, onTree);
            if (current.isEmpty() || findRow(current)) return;
            if (const ListEntry* next = findRow(after) ? findRow(after) : findRow(before)) {
                const QString key = next->key;
                clickRow(next);
                ListView1->scrollTo(viewIndex(key));
            }
        });
}

// Also after a failure part-way: what is gone goes, what is still there stays.
void Form1::showDeleted(const QStringList& paths, bool onTree) {
    // The tree's folder went: its parent is listed first, so that the tree, losing the node,
    // has no selection of its own to move.
    if (onTree && !itemExists(paths.first())) Treefolder1->SetPath(parentPath(paths.first()));
    forgetVanished(paths);
    if (const QString current = m_playback->currentFile();
        !current.isEmpty() && !itemExists(current))
        stopPlayback(); // it was deleted
    updateCommandStates(false);
}

void Form1::newFolderCommand() {
    if (dirCurrent == DrivesKey || !nativeFileInfo(dirCurrent).isDir) return;
    QString name = tr("New Folder");
    for (int n = 1; itemExists(joinPath(dirCurrent, name)); ++n)
        name = tr("New Folder (%1)").arg(n);
    const QString path = joinPath(dirCurrent, name);
    std::error_code error;
    if (!createFolderRecorded(path, error)) {
        // The message names the reason, where the system gave one.
        QString text = tr("Cannot create the folder \"%1\".").arg(displayPath(path));
        if (error)
            text += QLatin1Char(' ') + QString::fromLocal8Bit(error.message()) + QLatin1Char('.');
        showFileError(text);
        return;
    }
    const bool added = addFolderItem(path);
    Treefolder1->AddNode(dirCurrent, name);
    if (!added) return;
    if (ui.mnuFolderSizes->isChecked()) setFolderSize(*m_model, path, 0); // new, so empty
    ListView1->setCurrentIndex(viewIndex(path));
    selectOnly();
    handleRowClick(findRow(path));
    startRename();
}

void Form1::startRename() {
    const ListEntry* row = currentRow();
    if (!row) return;
    selectOnly();
    const QModelIndex index = viewIndex(row->key, Col::Name);
    ListView1->scrollTo(index);
    m_renamingKey = row->key;
    ListView1->edit(index);
    // A file's name is selected without its extension: what is typed replaces the name and
    // keeps the type.
    auto* editor = qobject_cast<QLineEdit*>(ListView1->indexWidget(index));
    const qsizetype dot =
        row->isFile() && editor ? editor->text().lastIndexOf(QLatin1Char('.')) : -1;
    if (dot > 0) editor->setSelection(0, int(dot));
}

// A click on the name of a row that was already selected starts renaming it, unless it turns
// out to be the first half of a double-click.
void Form1::listMousePress(const QMouseEvent* mouse) {
    nameClicked = rowClicked = doubleClickPending = false;
    Timer3.stop();
    if (mouse->button() != Qt::LeftButton ||
        (mouse->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) || getSelCount() == 0)
        return;
    const QPoint p = mouse->position().toPoint();
    const QModelIndex at = ListView1->indexAt(p);
    if (!at.isValid()) return;
    rowClicked = true;
    const QRect r = ListView1->visualRect(at);
    const int left = ListView1->header()->sectionViewportPosition(Col::Name);
    const int right = left + ListView1->header()->sectionSize(Col::Name);
    if (ListView1->selectionModel()->isRowSelected(at.row(), {}) && p.y() > r.top() &&
        p.y() < r.bottom() && p.x() >= left + toPixels(250) && p.x() <= right)
        nameClicked = true;
}

void Form1::listMouseRelease(const QMouseEvent* mouse) {
    if (mouse->button() == Qt::LeftButton &&
        !(mouse->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) && getSelCount() > 0 &&
        nameClicked)
        Timer3.start();
}

// The user finished editing a row's name.
void Form1::renameRow(const QString& key, const QString& typed) {
    const ListEntry* row = findRow(key);
    if (!row || typed == cellText(*row, Col::Name)) return;
    if (!row->isFile() && row->kind != RowKind::Folder) return; // drives, special rows
    QString why;
    if (!validName(typed, &why)) {
        showFileError(why);
        return;
    }
    const QString oldPath = row->key;
    const QString newPath = joinPath(parentPath(oldPath), typed);
    // The name is taken (by another item: a new spelling of this one's name is no clash).
    if (itemExists(newPath) && !sameItem(oldPath, newPath)) {
        showFileError((itemKind(newPath, true) == ItemKind::Folder
                           ? tr("A folder named \"%1\" already exists in this folder.")
                           : tr("A file named \"%1\" already exists in this folder."))
                          .arg(displayPath(typed)));
        return;
    }
    // The list shows only MP3 and WAV files: another type takes the file out of it.
    const bool leaves = row->isFile() && !audioKindOf(typed);
    const bool isFile = row->isFile();
    if (leaves && m_prompter->message(tr("\"%1\" is not an MP3 or WAV file, so it will leave the "
                                         "list. Rename it anyway?")
                                          .arg(displayPath(typed)),
                                      Prompter::Icon::Question,
                                      Prompter::Buttons::YesNo) != Prompter::Answer::Yes)
        return;
    const MoveOutcome outcome = renameRecorded(oldPath, newPath);
    if (!outcome.ok) {
        showFileError(outcome.description()); // the row, its key and the tree stay as they were
        return;
    }
    if (leaves) {
        const bool wasCurrent = currentRow() && currentRow()->key == oldPath;
        const auto [after, before] = rowsAround(*m_sortModel, {oldPath});
        followCurrentFile(oldPath, newPath);
        removeRow(oldPath);
        if (const ListEntry* next = findRow(after) ? findRow(after) : findRow(before);
            wasCurrent && next)
            clickRow(next);
        updateCommandStates(false);
        return;
    }
    m_model->rekey(oldPath, newPath);
    if (!isFile) Treefolder1->UpdateNode(oldPath, newPath, typed);
    followCurrentFile(oldPath, newPath);
    if (m_playback->currentFile() == newPath) panelCurrent->setText(currentText(newPath));
}

bool Form1::validName(const QString& name, QString* why) const {
    // What every file system refuses; a drive's own rules beyond them the rename's error tells.
    *why = nameProblem(name, NameRules());
    return why->isEmpty();
}

void Form1::propertiesCommand() {
    if (const ListEntry* row = currentRow()) m_shell->ShowFileProperties(row->key, this);
}

void Form1::showInFileManagerCommand() {
    bool onTree = false;
    fileCommandNode(&onTree);
    QString item;
    if (onTree) // the tree's folder, or the listed one while the tree is hidden
        item = ui.mnuShowTree->isChecked() && Treefolder1->SelectedItem() ? Treefolder1->Path()
                                                                          : dirCurrent;
    else if (const ListEntry* row = currentRow())
        item = row->key;
    if (item.isEmpty() || item == DrivesKey || !itemExists(item)) return;
    m_shell->showInFileManager(item, [window = QPointer<Form1>(this), item] {
        if (window)
            window->m_prompter->message(
                tr("The file manager could not be opened to show \"%1\".").arg(displayPath(item)),
                Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
    });
}

} // namespace tunewalk
