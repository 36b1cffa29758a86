#include "app/window/ListHeader.h"

#include "app/listing/ListRow.h"

#include <QStyleOptionHeader>

namespace tunewalk {

ListHeader::ListHeader(QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), m_key(Col::AscFirst) {
    connect(this, &QHeaderView::sortIndicatorChanged, this,
            [this](int section, Qt::SortOrder order) {
                // Visible sections only get the indicator from a click, before the click is
                // handled.
                if (section < Col::Visible) return;
                m_key = section;
                m_order = order;
            });
}

int ListHeader::arrowSection() const {
    if (m_key >= Col::AscFirst && m_key < Col::AscFirst + Col::Visible)
        return m_key - Col::AscFirst;
    if (m_key >= Col::DescFirst && m_key < Col::DescFirst + Col::Visible)
        return m_key - Col::DescFirst;
    return -1;
}

void ListHeader::initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const {
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    option->sortIndicator = QStyleOptionHeader::None;
    if (!isSortIndicatorShown() || logicalIndex != arrowSection()) return;
    // The style's convention, as the stock header uses it: "down" for ascending.
    option->sortIndicator =
        m_order == Qt::AscendingOrder ? QStyleOptionHeader::SortDown : QStyleOptionHeader::SortUp;
}

} // namespace tunewalk
