#pragma once

#include <QStyledItemDelegate>
#include <functional>

namespace tunewalk {

// Draws the list's grid lines when they are switched on, and hands a finished name edit to the
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

private:
    bool m_on = false;
};

} // namespace tunewalk
