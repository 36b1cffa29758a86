#pragma once

#include "app/listing/ListFilter.h"

#include <QSortFilterProxyModel>
#include <vector>

namespace tunewalk {

class FolderModel;
struct ListEntry;

// The order and the filter of the main list, over a FolderModel.
//
// Every sort keeps the kinds apart: ascending, the desktop's special rows first, then folders,
// then files; descending, folders, files, then the special rows. Within a kind each column
// sorts by its value (names in natural order, lengths, bitrates, sizes and times as numbers),
// and a value still on its way sorts before every known one (ascending). Drive rows keep the
// order they came in. While a play order is in force the files go by their sequence numbers,
// below the folders in name order.
//
// Rows hold still while values arrive: the list sorts when asked (resort), not row by row,
// until settle() says that a listing's stages are done; from then on a changed or new row
// goes to its place at once.
class FolderSortModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit FolderSortModel(FolderModel& rows, QObject* parent = nullptr);

    // A header click: the column and direction, ending a play order.
    void sortBy(int column, Qt::SortOrder order);
    // The play order is in force (the list shows it), or not.
    void setPlayOrder(bool on);
    bool playOrder() const { return m_playOrder; }
    int column() const { return m_column; }
    Qt::SortOrder order() const { return m_order; }
    // Sorts again by what is in force (the values of a stage are all in).
    void resort();
    // A listing starts: rows stay where they go in until settle().
    void hold();
    void settle();

    // Whether the row with these values sorts before the other in ascending order of `column`.
    bool entryLess(const ListEntry& a, const ListEntry& b) const;

    ListFilter& filter() { return m_filter; }
    const ListFilter& filter() const { return m_filter; }
    // The filter's text changed, or values it reads arrived: every row is looked at again.
    void refilter();
    bool matches(const ListEntry& entry) const;

    const ListEntry& entryAt(int proxyRow) const;
    // Whether `a` shows above `b` in the order in force.
    bool shownBefore(const ListEntry& a, const ListEntry& b) const;
    // The first shown row that `entry` would show above, were it shown: where a row the
    // filter hides stands among the others.
    int placeOf(const ListEntry& entry) const;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    // entryLess, with the rows' text keys where a sort has made them.
    bool less(const ListEntry& a, const ListEntry& b, const QString* keyA,
              const QString* keyB) const;
    template <class Sort> void sortWithKeys(Sort&& sortNow);

    FolderModel& m_rows;
    std::vector<QString> m_keys; // by source row, while a sort by Track Name or Artist runs
    ListFilter m_filter;
    int m_column = 0;
    Qt::SortOrder m_order = Qt::AscendingOrder;
    bool m_playOrder = false;
};

} // namespace tunewalk
