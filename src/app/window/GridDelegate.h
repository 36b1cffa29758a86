#pragma once

#include <QIcon>
#include <QStyledItemDelegate>
#include <functional>

namespace tunewalk {

// Draws the list's rows: each row's picture by its key, the drop target highlighted, the grid
// lines when they are switched on; shows texts too long for their cells as tool tips, and hands
// a finished name edit to the window, which renames on disk before the row shows the new name.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    std::function<void(const QString& typed)> renamed;
    // The picture of a row's icon key.
    std::function<QIcon(const QString& key)> icon;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

    void setGridLines(bool on) { m_on = on; }
    bool gridLines() const { return m_on; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // A text cut short in its cell shows whole as the cell's tool tip.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    bool m_on = false;
};

} // namespace tunewalk
