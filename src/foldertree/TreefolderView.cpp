#include "foldertree/TreefolderView.h"

#include "foldertree/TreefolderDelegate.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace tunewalk {

TreefolderView::TreefolderView(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    // A visible header would only repeat the control's own title.
    setHeaderHidden(true);
    // Deep folders scroll sideways instead of being cut short with an ellipsis.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Big folders: thousands of rows of one height need no per-row measuring.
    setUniformRowHeights(true);
    setAnimated(false);
    setSortingEnabled(false); // each node keeps its own order (see Treefolder::insertChild)
    setItemDelegate(new TreefolderDelegate(this));
    setMouseTracking(true);
    setDropMode(1);
    connect(this, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* node) { emit nodeChosen(node); });
}

void TreefolderView::setDragMode(int mode) {
    m_dragMode = mode;
    setDragEnabled(mode == 1);
}

void TreefolderView::setDropMode(int mode) {
    m_dropMode = mode;
    setAcceptDrops(mode == 1);
    viewport()->setAcceptDrops(mode == 1);
}

QTreeWidgetItem* TreefolderView::dropHighlight() const {
    return m_dropHighlight.isValid() ? itemFromIndex(m_dropHighlight) : nullptr;
}

void TreefolderView::setDropHighlight(QTreeWidgetItem* node) {
    const QPersistentModelIndex before = m_dropHighlight;
    m_dropHighlight = node ? QPersistentModelIndex(indexFromItem(node)) : QPersistentModelIndex();
    if (before == m_dropHighlight) return;
    if (before.isValid()) update(before);
    if (m_dropHighlight.isValid()) update(m_dropHighlight);
}

bool TreefolderView::isDropHighlight(const QModelIndex& index) const {
    return m_dropHighlight.isValid() && index == m_dropHighlight;
}

int TreefolderView::buttonBits(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}

int TreefolderView::shiftBits(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

void TreefolderView::mousePressEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    emit MouseDown(buttonBits(event->button()), shiftBits(event->modifiers()),
                   static_cast<float>(at.x()), static_cast<float>(at.y()));
    QTreeWidgetItem* before = currentItem();
    QTreeWidget::mousePressEvent(event);
    // A right press selects the node under it (the pop-up menu follows); it becomes the
    // current folder as a click makes it, so the menu's commands act on the node shown chosen.
    if (QTreeWidgetItem* now = currentItem();
        event->button() == Qt::RightButton && now && now != before)
        emit nodeChosen(now);
}

void TreefolderView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    emit MouseMove(buttonBits(event->buttons()), shiftBits(event->modifiers()),
                   static_cast<float>(at.x()), static_cast<float>(at.y()));
    // With a button held Qt would drag the selection along (or start its own drag); here a
    // drag is the host's business, and only a click chooses a node.
    if (event->buttons() == Qt::NoButton || m_dragMode == 1) QTreeWidget::mouseMoveEvent(event);
}

void TreefolderView::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    emit MouseUp(buttonBits(event->button()), shiftBits(event->modifiers()),
                 static_cast<float>(at.x()), static_cast<float>(at.y()));
    QTreeWidget::mouseReleaseEvent(event); // a click on a node: nodeChosen
    if (event->button() == Qt::LeftButton && viewport()->rect().contains(at.toPoint()))
        emit Click();
}

void TreefolderView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit DblClick();
}

void TreefolderView::keyPressEvent(QKeyEvent* event) {
    const int shift = shiftBits(event->modifiers());
    emit KeyDown(event->key(), shift);
    if (!event->text().isEmpty()) emit KeyPress(event->text().at(0).unicode());
    QTreeWidgetItem* before = currentItem();
    QTreeWidget::keyPressEvent(event);
    // Moving with the arrow keys or by typing a name chooses the node like a click.
    if (QTreeWidgetItem* now = currentItem(); now && now != before) emit nodeChosen(now);
}

void TreefolderView::keyReleaseEvent(QKeyEvent* event) {
    emit KeyUp(event->key(), shiftBits(event->modifiers()));
    QTreeWidget::keyReleaseEvent(event);
}

void TreefolderView::focusInEvent(QFocusEvent* event) {
    QTreeWidget::focusInEvent(event);
    emit gotFocus();
}

void TreefolderView::passDragOver(QDropEvent* event, int state) {
    m_dragPosition = event->position();
    int effect = static_cast<int>(event->possibleActions());
    emit OLEDragOver(event->mimeData(), effect, buttonBits(event->buttons()),
                     shiftBits(event->modifiers()), static_cast<float>(m_dragPosition.x()),
                     static_cast<float>(m_dragPosition.y()), state);
    acceptEffect(event, effect);
}

// The view takes exactly the effect the host left: the proposed action when the host allows
// it, otherwise the first the host allows of move, copy and link; none refuses the drop.
void TreefolderView::acceptEffect(QDropEvent* event, int effect) {
    const int allowed = effect & static_cast<int>(event->possibleActions());
    Qt::DropAction action = Qt::IgnoreAction;
    if (allowed & event->proposedAction())
        action = event->proposedAction();
    else if (allowed & Qt::MoveAction)
        action = Qt::MoveAction;
    else if (allowed & Qt::CopyAction)
        action = Qt::CopyAction;
    else if (allowed & Qt::LinkAction)
        action = Qt::LinkAction;
    event->setDropAction(action);
    event->setAccepted(action != Qt::IgnoreAction);
}

void TreefolderView::dragEnterEvent(QDragEnterEvent* event) {
    if (m_dropMode != 1) {
        event->ignore();
        return;
    }
    m_dragData = event->mimeData();
    passDragOver(event, 0);
    // Qt sends the moves only to a widget that took the enter. The host may refuse where the
    // drag enters and accept a node further on, so the enter is always taken and a refusal
    // shows as the ignore action.
    event->accept();
}

void TreefolderView::dragMoveEvent(QDragMoveEvent* event) {
    if (m_dropMode != 1) {
        event->ignore();
        return;
    }
    passDragOver(event, 2);
}

void TreefolderView::dragLeaveEvent(QDragLeaveEvent* event) {
    if (m_dropMode == 1 && m_dragData) {
        int effect = 0;
        emit OLEDragOver(m_dragData, effect, 0, 0, static_cast<float>(m_dragPosition.x()),
                         static_cast<float>(m_dragPosition.y()), 1);
    }
    m_dragData = nullptr;
    event->accept();
}

void TreefolderView::dropEvent(QDropEvent* event) {
    m_dragData = nullptr;
    if (m_dropMode != 1) {
        event->ignore();
        return;
    }
    const QPointF at = event->position();
    int effect = static_cast<int>(event->possibleActions());
    emit OLEDragDrop(event->mimeData(), effect, buttonBits(event->buttons()),
                     shiftBits(event->modifiers()), static_cast<float>(at.x()),
                     static_cast<float>(at.y()));
    acceptEffect(event, effect);
}

void TreefolderView::startDrag(Qt::DropActions) {
    // Automatic mode: the host still fills the data, through OLEStartDrag.
    emit automaticDragStarted();
}

void TreefolderView::reveal(QTreeWidgetItem* node) {
    if (node) scrollTo(indexFromItem(node));
}

void TreefolderView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    QScrollBar* bar = horizontalScrollBar();
    const int sideways = bar->value();
    QTreeWidget::scrollTo(index, hint);
    bar->setValue(sideways);
}

QModelIndex TreefolderView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if (action != MoveLeft && action != MoveRight)
        return QTreeWidget::moveCursor(action, modifiers);
    // Qt closes a node on Left only while the view is scrolled fully left, and where Left or
    // Right has nothing to close, open or move to, it scrolls sideways. Here the keys only
    // move through the tree: Qt decides as if at the left edge, and the user's position comes
    // back.
    QScrollBar* bar = horizontalScrollBar();
    const int sideways = bar->value();
    bar->setValue(bar->minimum());
    const QModelIndex moved = QTreeWidget::moveCursor(action, modifiers);
    bar->setValue(sideways);
    return moved;
}

} // namespace tunewalk
