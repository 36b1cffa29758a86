// Dragging files and folders out of the list, and dropping them on the list's folder rows, its
// empty space and the toolbar's "Up" button. The drag data is a file list in the desktop's
// text/uri-list form, so drags to and from the file manager work too.
#include "app/window/Form1.h"

#include "app/listing/FolderModel.h"
#include "app/listing/FolderSortModel.h"
#include "common/NativePath.h"
#include "common/PathRules.h"
#include "fileops/FileMoves.h"
#include "foldertree/Treefolder.h"
#include "shell/Volumes.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>

namespace tunewalk {

QToolButton* Form1::upButton() const {
    return qobject_cast<QToolButton*>(Toolbar1->widgetForAction(button(QStringLiteral("Up"))));
}

void Form1::setListDropHighlight(const QString& key) {
    m_model->setDropTarget(key);
}

void Form1::startListDrag() {
    Qt::DropActions allowed;
    auto* drag = new QDrag(ListView1);
    drag->setMimeData(listDragData(&allowed));
    const Qt::DropAction effect = drag->exec(allowed, Qt::IgnoreAction);
    completeListDrag(effect);
}

QMimeData* Form1::listDragData(Qt::DropActions* allowed) {
    listDragActive = true; // until completeListDrag
    m_model->setOwnDrag(true);
    dragDictionary.clear();
    QModelIndexList rows;
    for (const ListEntry* row : selectedRows())
        rows << m_model->indexOf(row->key);
    QMimeData* data = m_model->mimeData(rows);
    for (const QString& path : FolderModel::fileList(data))
        dragDictionary.insert(path, 2);
    *allowed = data->hasUrls() ? Qt::MoveAction : Qt::CopyAction;
    return data;
}

void Form1::completeListDrag(Qt::DropAction effect) {
    if (QToolButton* up = upButton()) up->setDown(false);
    setListDropHighlight({});
    Treefolder1->setDropHighlight(nullptr);
    listDragActive = false;
    m_model->setOwnDrag(false);
    if (effect != Qt::MoveAction) return;
    for (auto it = dragDictionary.cbegin(); it != dragDictionary.cend(); ++it) {
        if (it.value() != 2) continue;
        if (!itemExists(it.key())) removeRow(it.key());
        if (!nativeFileInfo(it.key()).isDir) Treefolder1->RemoveNode(it.key());
    }
    dragDictionary.clear();
    updateCommandStates(false);
}

// Drag-over on the list: a folder row or the empty space, never into a dragged folder (the
// list's rows say where a file list may go).
bool Form1::listDragOver(QDropEvent* event) {
    const QModelIndex at = ListView1->indexAt(event->position().toPoint());
    const QModelIndex target = m_sortModel->mapToSource(at);
    if (at.isValid()) ListView1->scrollTo(at);
    const bool allowed =
        (event->possibleActions() & Qt::MoveAction) &&
        m_model->canDropMimeData(event->mimeData(), Qt::MoveAction, -1, -1,
                                 target.isValid() ? target.siblingAtColumn(0) : QModelIndex());
    setListDropHighlight(allowed && target.isValid() ? m_model->at(target.row()).key : QString());
    if (allowed) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return true;
    }
    event->setDropAction(Qt::IgnoreAction);
    event->ignore();
    return false;
}

void Form1::listDrop(QDropEvent* event) {
    setListDropHighlight({});
    if (!listDragOver(event)) return;
    setListDropHighlight({});
    const QModelIndex target =
        m_sortModel->mapToSource(ListView1->indexAt(event->position().toPoint()));
    event->setDropAction(Qt::MoveAction);
    event->accept();
    // The move itself comes back through the rows' dropRequested.
    m_model->dropMimeData(event->mimeData(), Qt::MoveAction, -1, -1,
                          target.isValid() ? target.siblingAtColumn(0) : QModelIndex());
}

// Only the "Up" button takes drops, and only strictly inside its rectangle.
bool Form1::upButtonDragOver(QDropEvent* event) {
    QToolButton* up = upButton();
    const QPoint p = event->position().toPoint();
    const QRect r = up->rect();
    const bool inside =
        p.x() > r.left() && p.x() < r.right() && p.y() > r.top() && p.y() < r.bottom();
    up->setDown(inside);
    if (inside && !FolderModel::fileList(event->mimeData()).isEmpty() &&
        (event->possibleActions() & Qt::MoveAction)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return true;
    }
    event->ignore();
    return false;
}

void Form1::upButtonDrop(QDropEvent* event) {
    upButton()->setDown(false);
    const QStringList files = FolderModel::fileList(event->mimeData());
    if (files.isEmpty() || dirCurrent == DrivesKey || isVolumeRoot(dirCurrent)) return;
    const QString parent = parentPath(dirCurrent);
    if (parent.isEmpty()) return;
    event->setDropAction(Qt::MoveAction);
    event->accept();
    MoveDroppedItems(files, parent);
}

// A drag that carries files is let in wherever it enters: the platform sends no further
// drag-move events after a refused enter, and a drag from the list enters over its own row,
// where nothing may be dropped. Whether a drop is allowed is decided at each move.
void Form1::acceptFileDragEnter(QDropEvent* event,
                                const std::function<bool(QDropEvent*)>& dragOver) {
    if (dragOver(event)) return;
    if (FolderModel::fileList(event->mimeData()).isEmpty() ||
        !(event->possibleActions() & Qt::MoveAction))
        return;
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
}

// Mouse and drag events of the list's viewport and of the "Up" button.
bool Form1::dragDropEvent(QObject* watched, QEvent* event) {
    if (!ListView1) return false; // events of the window while it is being built
    if (watched == ListView1->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            m_pressAt = mouse->position().toPoint();
            // A drag starts from a press inside the current row's height, on a selected row.
            const QModelIndex current = ListView1->currentIndex();
            const QRect r = current.isValid() ? ListView1->visualRect(current) : QRect();
            m_pressOnCurrent = current.isValid() &&
                               ListView1->selectionModel()->isRowSelected(current.row(), {}) &&
                               mouse->button() == Qt::LeftButton && m_pressAt.y() > r.top() &&
                               m_pressAt.y() < r.bottom();
            listMousePress(mouse);
            return false;
        }
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (!(mouse->buttons() & Qt::LeftButton) || !m_pressOnCurrent) return false;
            if ((mouse->position().toPoint() - m_pressAt).manhattanLength() <
                QApplication::startDragDistance())
                return true;
            m_pressOnCurrent = false;
            startListDrag();
            return true;
        }
        case QEvent::MouseButtonRelease:
            listMouseRelease(static_cast<QMouseEvent*>(event));
            return false;
        case QEvent::DragEnter:
            acceptFileDragEnter(static_cast<QDropEvent*>(event),
                                [this](QDropEvent* e) { return listDragOver(e); });
            return true;
        case QEvent::DragMove:
            listDragOver(static_cast<QDropEvent*>(event));
            return true;
        case QEvent::DragLeave:
            setListDropHighlight({});
            return true;
        case QEvent::Drop:
            listDrop(static_cast<QDropEvent*>(event));
            return true;
        default:
            return false;
        }
    }
    if (watched && watched == upButton()) {
        switch (event->type()) {
        case QEvent::DragEnter:
            acceptFileDragEnter(static_cast<QDropEvent*>(event),
                                [this](QDropEvent* e) { return upButtonDragOver(e); });
            return true;
        case QEvent::DragMove:
            upButtonDragOver(static_cast<QDropEvent*>(event));
            return true;
        case QEvent::DragLeave:
            upButton()->setDown(false);
            return true;
        case QEvent::Drop:
            upButtonDrop(static_cast<QDropEvent*>(event));
            return true;
        default:
            return false;
        }
    }
    return false;
}

} // namespace tunewalk
