// The main window's answers to the folder tree: listing what the user chose there, renaming a
// folder by its label, hiding the tree, and moving files by dragging them from and onto nodes.
#include "app/window/Form1.h"

#include "app/listing/FolderModel.h"

#include "common/NativePath.h"
#include "common/PathRules.h"
#include "fileops/FileMoves.h"
#include "foldertree/TreeNode.h"
#include "foldertree/Treefolder.h"
#include "shell/Prompter.h"

#include <QAction>
#include <QApplication>
#include <QMimeData>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>

namespace tunewalk {

namespace {} // namespace

// The folder a node stands for, whichever branch it is in.
QString Form1::nodeFolder(const QTreeWidgetItem* node) const {
    return TreeNode::folder(node);
}

void Form1::connectTree() {
    Treefolder1->setHideSelection(false);
    Treefolder1->setLabelEdit(0);
    connect(Treefolder1, &Treefolder::GotFocus, this, [this] { treeActive = true; });
    connect(Treefolder1, &Treefolder::PathChanged, this, [this](bool toDesktop) {
        listingDesktop = toDesktop;
        if (!samePath(Treefolder1->Path(), dirCurrent)) PopulateList(Treefolder1->Path(), true);
    });
    connect(Treefolder1, &Treefolder::MyComputerClicked, this, [this] {
        if (dirCurrent != DrivesKey) PopulateList(DrivesKey, true);
    });
    connect(Treefolder1, &Treefolder::HideButtonClicked, ui.mnuShowTree, &QAction::trigger);
    connect(Treefolder1, &Treefolder::AfterLabelEdit, this, &Form1::treeRename);
    connect(Treefolder1, &Treefolder::MouseDown, this,
            [this](int, int, float x, float y) { m_treePressAt = QPointF(x, y); });
    connect(Treefolder1, &Treefolder::MouseMove, this,
            [this](int button, int, float x, float y) { treeMouseMove(button, x, y); });
    connect(Treefolder1, &Treefolder::OLEStartDrag, this, &Form1::treeStartDrag);
    connect(Treefolder1, &Treefolder::OLEDragOver, this,
            [this](const QMimeData* data, int& effect, int, int, float x, float y, int) {
                treeDragOver(data, effect, x, y);
            });
    connect(Treefolder1, &Treefolder::OLEDragDrop, this,
            [this](const QMimeData* data, int& effect, int, int, float x, float y) {
                treeDrop(data, effect, x, y);
            });
    connect(Treefolder1, &Treefolder::OLECompleteDrag, this,
            [this](int& effect) { treeCompleteDrag(effect); });
}

void Form1::treeMouseMove(int button, float x, float y) {
    if (button != 1) return; // the left button alone
    // A click that wobbles a pixel selects; only a real move drags.
    if ((QPointF(x, y) - m_treePressAt).manhattanLength() < QApplication::startDragDistance())
        return;
    QTreeWidgetItem* node = Treefolder1->HitTest(x, y);
    if (!node) return;
    dragSourceNode = node;
    Treefolder1->OLEDrag();
}

void Form1::treeStartDrag(QMimeData* data, int& allowed) {
    const QTreeWidgetItem* node = dragSourceNode;
    dragSourceNode = nullptr;
    treeStartDragFrom(node, data, allowed);
}

void Form1::treeStartDragFrom(const QTreeWidgetItem* node, QMimeData* data, int& allowed) {
    dragDictionary.clear();
    bool mayMove = true;
    QString dragged;
    if (!node) return;
    const QString key = TreeNode::key(node), tag = TreeNode::tag(node);
    if (key == QLatin1String("MyComputer")) {
        dragged = tr("My Computer");
        mayMove = false;
    } else if (tag == QLatin1String("Drive")) {
        dragged = nodeFolder(node);
        mayMove = false;
    } else if (tag == QLatin1String("MyDocuments")) {
        dragged = tr("My Documents");
        mayMove = false;
    } else if (tag == QLatin1String("Desktop")) {
        dragged = tr("Desktop");
        mayMove = false;
    } else {
        dragged = nodeFolder(node);
        if (samePath(dragged, Treefolder1->DesktopFolder()) ||
            samePath(dragged, Treefolder1->MyDocumentsFolder()))
            mayMove = false;
    }
    if (mayMove) {
        // The key may be a lower-cased copy of the path; the disk has the real one.
        const QString path =
            GetLongFileName(dragged).isEmpty() ? dragged : GetLongFileName(dragged);
        data->setUrls({fileUrl(path)});
        dragDictionary.insert(path, 2);
        allowed = Qt::MoveAction;
    } else {
        data->setText(dragged);
        allowed = Qt::CopyAction;
    }
}

void Form1::treeDragOver(const QMimeData* data, int& effect, float x, float y) {
    QTreeWidgetItem* node = Treefolder1->HitTest(x, y);
    bool allowed = node != nullptr;
    // Scrolls while dragging near an edge, up or down only: the tree's own scrollTo, which
    // scrollToItem would go past, keeps the user's sideways position.
    if (node) Treefolder1->Nodes()->scrollTo(Treefolder1->Nodes()->indexFromItem(node));
    const QStringList files = FolderModel::fileList(data);
    if (allowed && (TreeNode::key(node) == TreeNode::MyComputerKey || files.isEmpty()))
        allowed = false;
    if (allowed) {
        const QString target = nodeFolder(node);
        for (const QString& f : files)
            if (samePath(target, f) || pathIsWithin(target, f) || samePath(parentPath(f), target))
                allowed = false;
    }
    if (allowed) {
        Treefolder1->setDropHighlight(node);
        effect &= Qt::MoveAction;
    } else {
        effect = Qt::IgnoreAction;
        Treefolder1->setDropHighlight(nullptr);
    }
}

void Form1::treeDrop(const QMimeData* data, int& effect, float x, float y) {
    Treefolder1->setDropHighlight(nullptr);
    const QStringList files = FolderModel::fileList(data);
    if (files.isEmpty()) return;
    QTreeWidgetItem* node = Treefolder1->HitTest(x, y);
    if (!node) return;
    const QString target = nodeFolder(node);
    if (!nativeFileInfo(target).isDir) return; // the folder went away meanwhile
    effect = Qt::MoveAction;
    MoveDroppedItems(files, target);
}

void Form1::treeCompleteDrag(int effect) {
    if (QToolButton* up = upButton()) up->setDown(false);
    Treefolder1->setDropHighlight(nullptr);
    setListDropHighlight(nullptr);
    if (!(effect & Qt::MoveAction)) return;
    for (auto it = dragDictionary.cbegin(); it != dragDictionary.cend(); ++it) {
        if (it.value() != 2) continue;
        if (itemExists(it.key())) continue; // declined or failed: it is still there
        removeRow(it.key());
        Treefolder1->RemoveNode(it.key());
    }
    dragDictionary.clear();
    if (QTreeWidgetItem* node = Treefolder1->SelectedItem()) Treefolder1->SetPath(nodeFolder(node));
}

void Form1::treeRename(int& cancel, QString& newName) {
    const QString oldPath = Treefolder1->Path();
    // Committed unchanged; the label shows a name that is not valid text with replacements.
    if (newName == displayPath(fileNamePart(oldPath))) return;
    QString why;
    if (!validName(newName, &why)) {
        showFileError(why);
        cancel = 1;
        return;
    }
    const QString newPath = joinPath(parentPath(oldPath), newName);
    const MoveOutcome outcome = renameRecorded(oldPath, newPath);
    if (!outcome.ok) {
        showFileError(outcome.description());
        cancel = 1; // the label goes back to the folder's name
        return;
    }
    Treefolder1->UpdateNode(oldPath, newPath, newName);
    if (isListedFolder(oldPath)) {
        adoptRenamedFolder(newPath);
    } else {
        m_model->rekey(oldPath, newPath); // a row of the listed folder
    }
    followCurrentFile(oldPath, newPath);
}

} // namespace tunewalk
