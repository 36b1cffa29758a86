#pragma once

#include <QStyledItemDelegate>

namespace tunewalk {

// Draws the list's grid lines when they are switched on.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setGridLines(bool on) { m_on = on; }
    bool gridLines() const { return m_on; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    bool m_on = false;
};

} // namespace tunewalk
