#pragma once

#include <QStyledItemDelegate>
#include <functional>

namespace tunewalk {

// Draws the list's grid lines when they are switched on, shows texts too long for their cells
// as tool tips, and hands a finished name edit to the
// window, which renames on disk before the row shows the new name.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    std::function<void(const QString& typed)> renamed;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

    void setGridLines(bool on) { m_on = on; }
    bool gridLines() const { return m_on; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // A text cut short in its cell shows whole as the cell's tool tip.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

private:
    bool m_on = false;
};

} // namespace tunewalk
