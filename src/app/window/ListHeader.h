#pragma once

#include <QHeaderView>

namespace tunewalk {

// The main list's header. The list sorts by hidden key columns, one ascending and one
// descending key for each visible column, so the header's own arrow would sit on a hidden
// section where nobody sees it. This header remembers the key the list is sorted by and draws
// the arrow on the visible column that key belongs to.
class ListHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit ListHeader(QWidget* parent = nullptr);

    // The hidden key column the list is sorted by and its direction. A click on a section
    // moves the header's own indicator to the clicked (visible) section for a moment; these
    // keep the key that was in force before it.
    int sortKey() const { return m_key; }
    Qt::SortOrder sortKeyOrder() const { return m_order; }
    // The visible column that shows the arrow, or -1 (sorted by play order).
    int arrowSection() const;

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override;

private:
    int m_key;
    Qt::SortOrder m_order = Qt::AscendingOrder;
};

} // namespace tunewalk
