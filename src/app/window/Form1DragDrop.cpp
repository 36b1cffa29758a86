// Dragging files and folders out of the list, and dropping them on the list's folder rows, its
// empty space and the toolbar's "Up" button. The drag data is a file list in the desktop's
// text/uri-list form, so drags to and from the file manager work too.
#include "app/window/Form1.h"

#include "app/listing/ListRow.h"
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
#include <QTreeWidget>
#include <QUrl>

namespace tunewalk {

namespace {} // namespace

QStringList Form1::fileList(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) return {}; // a list with web addresses is no file list
        paths << QDir::toNativeSeparators(QDir::cleanPath(localPath(url)));
    }
    return paths;
}

bool Form1::insideDragged(const QString& folder, const QStringList& dragged) {
    for (const QString& path : dragged)
        if (samePath(folder, path) || pathIsWithin(folder, path)) return true;
    return false;
}

QToolButton* Form1::upButton() const {
    return qobject_cast<QToolButton*>(Toolbar1->widgetForAction(button(QStringLiteral("Up"))));
}

void Form1::setListDropHighlight(ListRow* row) {
    if (m_dropRow == row) return;
    if (ListRow* old = findRowItem(m_dropRow)) old->setDropHighlight(false);
    m_dropRow = row;
    if (row) row->setDropHighlight(true);
}

// The row pointer may be stale after a re-listing; only a row still in the list is touched.
ListRow* Form1::findRowItem(ListRow* row) const {
    if (!row) return nullptr;
    return ListView1->indexOfTopLevelItem(row) >= 0 ? row : nullptr;
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
    dragDictionary.clear();
    QList<QUrl> urls;
    QString text;
    for (const ListRow* row : selectedRows()) {
        if (row->iconKey() == QLatin1String("MyComputer"))
            text += tr("My Computer") + QStringLiteral("\r\n");
        else if (row->iconKey() == QLatin1String("MyDocuments"))
            text += tr("My Documents") + QStringLiteral("\r\n");
        else
            text += row->key + QStringLiteral("\r\n");
        if (row->kind == RowKind::Drive || row->kind == RowKind::Special) continue;
        urls << fileUrl(row->key);
        dragDictionary.insert(row->key, 2);
    }
    auto* data = new QMimeData;
    if (!urls.isEmpty()) {
        data->setUrls(urls);
        *allowed = Qt::MoveAction;
    } else {
        data->setText(text);
        *allowed = Qt::CopyAction;
    }
    return data;
}

void Form1::completeListDrag(Qt::DropAction effect) {
    if (QToolButton* up = upButton()) up->setDown(false);
    setListDropHighlight(nullptr);
    Treefolder1->setDropHighlight(nullptr);
    listDragActive = false;
    if (effect != Qt::MoveAction) return;
    for (auto it = dragDictionary.cbegin(); it != dragDictionary.cend(); ++it) {
        if (it.value() != 2) continue;
        if (!itemExists(it.key())) removeRow(it.key());
        if (!nativeFileInfo(it.key()).isDir) Treefolder1->RemoveNode(it.key());
    }
    dragDictionary.clear();
    updateCommandStates(false);
}

// Drag-over on the list: a folder row or the empty space, never into a dragged folder.
bool Form1::listDragOver(QDropEvent* event) {
    const QStringList files = fileList(event->mimeData());
    auto* row = static_cast<ListRow*>(ListView1->itemAt(event->position().toPoint()));
    bool allowed = false;
    if (!row) {
        setListDropHighlight(nullptr);
        allowed = !files.isEmpty() && !listDragActive && dirCurrent != DrivesKey &&
                  !insideDragged(dirCurrent, files);
    } else {
        ListView1->scrollToItem(row);
        allowed = nativeFileInfo(row->key).isDir && !files.isEmpty() && row->key != DrivesKey &&
                  !insideDragged(row->key, files);
        setListDropHighlight(allowed ? row : nullptr);
    }
    if (allowed && (event->possibleActions() & Qt::MoveAction)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return true;
    }
    event->setDropAction(Qt::IgnoreAction);
    event->ignore();
    return false;
}

void Form1::listDrop(QDropEvent* event) {
    setListDropHighlight(nullptr);
    const QStringList files = fileList(event->mimeData());
    if (files.isEmpty() || !listDragOver(event)) return;
    const auto* row = static_cast<ListRow*>(ListView1->itemAt(event->position().toPoint()));
    const QString destination = row && nativeFileInfo(row->key).isDir ? row->key : dirCurrent;
    setListDropHighlight(nullptr);
    event->setDropAction(Qt::MoveAction);
    event->accept();
    MoveDroppedItems(files, destination);
}

// Only the "Up" button takes drops, and only strictly inside its rectangle.
bool Form1::upButtonDragOver(QDropEvent* event) {
    QToolButton* up = upButton();
    const QPoint p = event->position().toPoint();
    const QRect r = up->rect();
    const bool inside =
        p.x() > r.left() && p.x() < r.right() && p.y() > r.top() && p.y() < r.bottom();
    up->setDown(inside);
    if (inside && !fileList(event->mimeData()).isEmpty() &&
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
    const QStringList files = fileList(event->mimeData());
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
    if (fileList(event->mimeData()).isEmpty() || !(event->possibleActions() & Qt::MoveAction))
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
            const ListRow* row = currentRow();
            const QRect r = row ? ListView1->visualItemRect(row) : QRect();
            m_pressOnCurrent = row && row->isSelected() && mouse->button() == Qt::LeftButton &&
                               m_pressAt.y() > r.top() && m_pressAt.y() < r.bottom();
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
            setListDropHighlight(nullptr);
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
