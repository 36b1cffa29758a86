// The window as a small file manager: moving dropped files and folders, deleting, new
// folders, renaming and the properties sheet. Every change to the disk is followed by the
// list, the tree and the current file.
#include "app/Form1.h"

#include "app/ListRow.h"
#include "common/FileMoves.h"
#include "common/PathRules.h"
#include "common/Twips.h"
#include "foldertree/TreeNode.h"
#include "foldertree/Treefolder.h"
#include "shell/Prompter.h"
#include "shell/ShellOperations.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QTreeWidget>

namespace tunewalk {

namespace {
const QString Drives = QStringLiteral("Drives");

bool isAudioPath(const QString& path) {
    const QString kind = path.right(3).toUpper();
    return kind == QLatin1String("MP3") || kind == QLatin1String("WAV");
}

bool exists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}
} // namespace

bool Form1::isListedFolder(const QString& folder) const {
    return samePath(QDir::cleanPath(folder), QDir::cleanPath(dirCurrent));
}

void Form1::showFileError(const QString& description) {
    m_prompter->message(description, Prompter::Icon::None, Prompter::Buttons::Ok);
}

void Form1::removeRow(const QString& key) {
    ListRow* row = m_rows.take(key);
    if (!row) return;
    delete row; // the view lets go of a deleted item by itself
}

// After the disk changed under some paths: rows and nodes of what is gone go, the rest stay.
void Form1::forgetVanished(const QStringList& paths) {
    for (const QString& path : paths) {
        if (exists(path)) continue;
        removeRow(path);
        Treefolder1->RemoveNode(path);
    }
}

// Asks one of the conflict questions; a No marks the item as staying where it is.
bool Form1::mayReplace(const QString& path, const QString& question) {
    QGuiApplication::restoreOverrideCursor();
    const auto answer =
        m_prompter->message(question, Prompter::Icon::None, Prompter::Buttons::YesNo);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (answer != Prompter::Answer::No) return true;
    dragDictionary.insert(path, 0);
    return false;
}

// The current file went along with `from` to `to`: the window follows it there (the player
// keeps the file it has open). Nothing changes for a part that did not go.
void Form1::followCurrentFile(const QString& from, const QString& to) {
    QString moved;
    if (currentFile == from)
        moved = to;
    else if (pathIsWithin(currentFile, from))
        moved = to + currentFile.mid(from.size());
    if (moved.isEmpty() || !exists(moved)) return;
    // Where names ignore case, a case-only rename leaves the old spelling "existing".
    if (exists(currentFile) && !samePath(currentFile, moved)) return;
    currentFile = moved;
    emit playbackChanged();
}

void Form1::MoveDroppedItems(const QStringList& paths, const QString& destination) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool listed = isListedFolder(destination);
    QStringList errors;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        const QString name = fileNamePart(path);
        const QString target = joinPath(destination, name);
        MoveOutcome outcome;
        if (info.isDir()) {
            if (QFileInfo(target).isDir()) {
                if (samePath(path, target)) continue; // dropped where it already is
                if (!mayReplace(
                        path, tr("A folder named \"%1\" already exists at this location.\r\nWould "
                                 "you like to replace files in the existing folder with "
                                 "matching files from the folder you are moving?")
                                  .arg(name)))
                    continue;
                outcome = mergeFolder(path, target);
                followCurrentFile(path, target);
                if (listed) {
                    removeRow(target);
                    addFolderItem(target);
                }
            } else {
                outcome = moveItem(path, target);
                followCurrentFile(path, target);
                if (outcome.ok) {
                    Treefolder1->AddNode(destination, name);
                    if (listed) addFolderItem(target);
                }
            }
        } else if (info.isFile()) {
            if (!isAudioPath(path)) continue;
            if (exists(target)) {
                if (samePath(path, target)) continue;
                if (!mayReplace(path, tr("A file named \"%1\" already exists at this location.\r\n"
                                         "Would you like to replace it with the file you are "
                                         "moving?")
                                          .arg(name)))
                    continue;
                if (QFileInfo(target).isFile()) {
                    outcome = replaceFile(path, target);
                    followCurrentFile(path, target);
                    if (outcome.ok && listed) updateFileItem(findRow(target));
                } else {
                    outcome.fail(tr("Cannot replace the folder \"%1\" with a file.").arg(target));
                }
            } else {
                outcome = moveItem(path, target);
                followCurrentFile(path, target);
                if (outcome.ok && listed)
                    if (ListRow* row = addFile(target)) updateFileItem(row);
            }
        } else {
            continue; // gone since it was dropped
        }
        if (!outcome.ok) errors << outcome.errors;
        // Whatever left its place leaves the list and the tree, however it was dragged.
        if (!exists(path)) {
            removeRow(path);
            if (info.isDir()) Treefolder1->RemoveNode(path);
        }
    }
    QGuiApplication::restoreOverrideCursor();
    updateCommandStates(false);
    if (!errors.isEmpty()) showFileError(errors.join(QLatin1Char('\n')));
}

// Delete and rename act on the tree's folder when the tree had the focus last (or nothing in
// the list is selected), otherwise on the list's selection. Null with `onTree` set: nothing to
// act on (the tree is hidden, or its node is a drive or a special place).
QTreeWidgetItem* Form1::fileCommandNode(bool* onTree) const {
    QTreeWidgetItem* node = Treefolder1->SelectedItem();
    const int selected = getSelCount();
    const bool treeShown = mnuShowTree->isChecked();
    *onTree = (node && treeActive && treeShown) || selected == 0;
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
        for (const ListRow* row : selectedRows()) {
            if (row->tag == QLatin1String("Drive") ||
                row->iconKey() == QLatin1String("MyComputer") ||
                row->iconKey() == QLatin1String("MyDocuments"))
                continue;
            paths << row->key;
        }
        if (paths.isEmpty()) return;
    }

    const auto result = m_shell->ShellDelete(paths, !mnuConfirmDeletes->isChecked(),
                                             mnuPermanentDelete->isChecked());
    if (result == ShellOperations::DeleteResult::Cancelled) return;
    // Also after a failure part-way: what is gone goes, what is still there stays.
    forgetVanished(paths);
    if (!currentFile.isEmpty() && !exists(currentFile)) stopPlayback(); // it was deleted
    if (onTree && !exists(paths.first())) upOneDir();
    updateCommandStates(false);
}

void Form1::newFolderCommand() {
    if (dirCurrent == Drives || !QFileInfo(dirCurrent).isDir()) return;
    QString name = tr("New Folder");
    for (int n = 1; exists(joinPath(dirCurrent, name)); ++n)
        name = tr("New Folder (%1)").arg(n);
    const QString path = joinPath(dirCurrent, name);
    if (!QDir(dirCurrent).mkdir(name)) {
        showFileError(tr("Cannot create the folder \"%1\".").arg(path));
        return;
    }
    ListRow* row = addFolderItem(path);
    Treefolder1->AddNode(dirCurrent, name);
    if (!row) return;
    ListView1->setCurrentItem(row);
    selectOnly();
    handleRowClick(row);
    startRename();
}

void Form1::startRename() {
    ListRow* row = currentRow();
    if (!row) return;
    selectOnly();
    ListView1->scrollToItem(row);
    m_renamingKey = row->key;
    ListView1->editItem(row, Col::Name);
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
    auto* row = static_cast<ListRow*>(ListView1->itemAt(p));
    if (!row) return;
    rowClicked = true;
    const QRect r = ListView1->visualItemRect(row);
    const int left = ListView1->header()->sectionViewportPosition(Col::Name);
    const int right = left + ListView1->header()->sectionSize(Col::Name);
    if (row->isSelected() && p.y() > r.top() && p.y() < r.bottom() &&
        p.x() >= left + toPixels(250) && p.x() <= right)
        nameClicked = true;
}

void Form1::listMouseRelease(const QMouseEvent* mouse) {
    if (mouse->button() == Qt::LeftButton &&
        !(mouse->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) && getSelCount() > 0 &&
        nameClicked)
        Timer3.start();
}

// The user finished editing a row's name.
void Form1::renameRow(ListRow* row, const QString& typed) {
    if (!row || typed == row->cell(Col::Name)) return;
    if (!row->isFile() && row->tag != QLatin1String("Folder")) return; // drives, special rows
    if (row->iconKey() == QLatin1String("MyComputer") ||
        row->iconKey() == QLatin1String("MyDocuments"))
        return;
    QString why;
    if (!validName(typed, &why)) {
        showFileError(why);
        return;
    }
    const QString oldPath = row->key;
    const QString newPath = joinPath(parentPath(oldPath), typed);
    const MoveOutcome outcome = moveItem(oldPath, newPath);
    if (!outcome.ok) {
        showFileError(outcome.description()); // the row, its key and the tree stay as they were
        return;
    }
    m_rows.remove(oldPath);
    row->key = newPath;
    m_rows.insert(newPath, row);
    row->setCell(Col::Name, typed);
    if (row->isFile()) {
        row->setCell(Col::AscFirst, QStringLiteral("D_") + typed);
        row->setCell(Col::DescFirst, QStringLiteral("B_") + typed);
    } else {
        row->setCell(Col::AscFirst, QStringLiteral("C_") + typed);
        row->setCell(Col::DescFirst, QStringLiteral("C_") + typed);
        Treefolder1->UpdateNode(oldPath, newPath, typed);
    }
    followCurrentFile(oldPath, newPath);
    row->changed();
    if (currentFile == newPath) panelCurrent->setText(currentText(newPath));
}

bool Form1::validName(const QString& name, QString* why) const {
    if (name.trimmed().isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        *why = tr("A name cannot be empty.");
        return false;
    }
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QDir::separator() ||
            c.category() == QChar::Other_Control) {
            *why = tr("A name cannot contain \"/\" or control characters such as a line break.");
            return false;
        }
    }
    return true;
}

void Form1::propertiesCommand() {
    if (const ListRow* row = currentRow()) m_shell->ShowFileProperties(row->key, this);
}

} // namespace tunewalk
