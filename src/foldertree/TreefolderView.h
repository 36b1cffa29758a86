#pragma once

#include <QMimeData>
#include <QPersistentModelIndex>
#include <QPointF>
#include <QTreeWidget>

namespace tunewalk {

// The visible tree (TreeView1). It passes the user's mouse, key, label-edit and drag-and-drop
// gestures on as signals with the classic arguments; the control forwards them to its host.
//
// Buttons and modifiers are bit sets: button 1 left, 2 right, 4 middle; shift 1 Shift,
// 2 Control, 4 Alt. Coordinates are the viewport's, the same that HitTest takes. Effects are
// Qt::DropAction bits (1 copy, 2 move, 4 link). Drag states: 0 enter, 1 leave, 2 over.
class TreefolderView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TreefolderView(QWidget* parent = nullptr);

    // 0 manual (drags start only through the control's OLEDrag), 1 automatic.
    int dragMode() const { return m_dragMode; }
    void setDragMode(int mode);
    // 0 none (nothing may be dropped), 1 manual (the host decides on every drag).
    int dropMode() const { return m_dropMode; }
    void setDropMode(int mode);

    QTreeWidgetItem* dropHighlight() const;
    void setDropHighlight(QTreeWidgetItem* node);
    // Scrolls the node into view up or down. QTreeWidget::scrollToItem would go past the
    // scrollTo below and scroll sideways as well.
    void reveal(QTreeWidgetItem* node);
    // Only up or down: the sideways position is the user's. A deep folder's row starts far
    // right, and scrolling to it would cut every shallower name, and the top-level icons, off
    // on the left. (Qt brings the current node into view through here, and the window does
    // while a drag is over the tree.)
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    bool isDropHighlight(const QModelIndex& index) const;

    static int buttonBits(Qt::MouseButtons buttons);
    static int shiftBits(Qt::KeyboardModifiers modifiers);

signals:
    // The user chose a node: clicked it, or moved to it with the keyboard.
    void nodeChosen(QTreeWidgetItem* node);
    // OLEDragMode automatic: the user dragged a node.
    void automaticDragStarted();
    void gotFocus();

    void Click();
    void DblClick();
    void KeyDown(int keyCode, int shift);
    void KeyPress(int keyAscii);
    void KeyUp(int keyCode, int shift);
    void MouseDown(int button, int shift, float x, float y);
    void MouseMove(int button, int shift, float x, float y);
    void MouseUp(int button, int shift, float x, float y);
    void BeforeLabelEdit(int& cancel);
    void AfterLabelEdit(int& cancel, QString& newString);
    void OLEDragOver(const QMimeData* data, int& effect, int button, int shift, float x, float y,
                     int state);
    void OLEDragDrop(const QMimeData* data, int& effect, int button, int shift, float x, float y);

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    void passDragOver(QDropEvent* event, int state);
    static void acceptEffect(QDropEvent* event, int effect);

    int m_dragMode = 0;
    int m_dropMode = 1;
    QPersistentModelIndex m_dropHighlight;
    // A leave event carries no data; the host still gets what entered.
    const QMimeData* m_dragData = nullptr;
    QPointF m_dragPosition;
};

} // namespace tunewalk
