#include "app/listing/FolderSortModel.h"

#include "app/listing/FolderModel.h"
#include "app/listing/ListText.h"
#include "common/NativePath.h"

namespace tunewalk {

namespace {
// Where a kind goes in a sort: the ascending order puts special rows, folders, files; the
// descending order, read backwards, folders, files, special rows.
int kindPlace(RowKind kind, Qt::SortOrder order) {
    switch (kind) {
    case RowKind::Special:
        return 0;
    case RowKind::Folder:
        return order == Qt::AscendingOrder ? 1 : 2;
    default:
        return order == Qt::AscendingOrder ? 2 : 1;
    }
}

// A file's value in a column; -1 while it is on its way (it sorts first). Folders and special
// rows have one value for all of them, but for their size and time.
qint64 number(const ListEntry& e, int column) {
    switch (column) {
    case Col::Length:
        return e.isFile() && e.detailsIn ? e.details.lengthMs : -1;
    case Col::Bitrate:
        return e.isFile() && e.detailsIn && !isPlainSound(e.kind) ? e.details.bitrate : -1;
    case Col::Size:
        if (e.kind == RowKind::Folder) return e.size; // 0 until counted
        return e.isFile() && e.statIn ? e.size : -1;
    case Col::Modified:
        return e.kind != RowKind::Special && e.statIn ? e.modifiedNs : -1;
    default:
        return -1;
    }
}
} // namespace

FolderSortModel::FolderSortModel(FolderModel& rows, QObject* parent)
    : QSortFilterProxyModel(parent), m_rows(rows) {
    setSourceModel(&rows);
    setDynamicSortFilter(false);
    sort(0, Qt::AscendingOrder);
}

const ListEntry& FolderSortModel::entryAt(int proxyRow) const {
    return m_rows.at(mapToSource(index(proxyRow, 0)).row());
}

bool FolderSortModel::entryLess(const ListEntry& a, const ListEntry& b) const {
    return less(a, b, nullptr, nullptr);
}

bool FolderSortModel::less(const ListEntry& a, const ListEntry& b, const QString* keyA,
                           const QString* keyB) const {
    // Drive rows have no keys: they keep the order the volumes came in.
    if (a.kind == RowKind::Drive || b.kind == RowKind::Drive) return false;
    if (m_playOrder) {
        if (a.isFile() != b.isFile()) return !a.isFile();
        return a.isFile() ? a.sequence < b.sequence : naturalLess(a.name, b.name);
    }
    const int placeA = kindPlace(a.kind, m_order), placeB = kindPlace(b.kind, m_order);
    if (placeA != placeB) return placeA < placeB;
    if (m_column == Col::Name) {
        if (a.nameRank >= 0 && b.nameRank >= 0) return a.nameRank < b.nameRank;
        return naturalLess(displayPath(a.name), displayPath(b.name));
    }
    if (m_column >= Col::FirstChosen) {
        // The chosen columns: blanks last either way, the rest by value.
        if (!a.isFile()) return false;
        const auto textA = sortText(a, m_column), textB = sortText(b, m_column);
        const bool blankA = textA ? textA->isEmpty() : *sortNumber(a, m_column) == 0;
        const bool blankB = textB ? textB->isEmpty() : *sortNumber(b, m_column) == 0;
        if (blankA != blankB) return m_order == Qt::AscendingOrder ? blankB : blankA;
    }
    if (const auto textA = sortText(a, m_column)) {
        if (!a.isFile()) return false;
        return keyA ? *keyA < *keyB : naturalLess(*textA, *sortText(b, m_column));
    }
    if (const auto numberA = sortNumber(a, m_column)) return *numberA < *sortNumber(b, m_column);
    if (a.kind == RowKind::Special) return false;
    return number(a, m_column) < number(b, m_column);
}

bool FolderSortModel::shownBefore(const ListEntry& a, const ListEntry& b) const {
    const bool descending = !m_playOrder && m_order == Qt::DescendingOrder;
    return descending ? entryLess(b, a) : entryLess(a, b);
}

int FolderSortModel::placeOf(const ListEntry& entry) const {
    int low = 0, high = rowCount();
    while (low < high) {
        const int middle = (low + high) / 2;
        if (shownBefore(entryAt(middle), entry))
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

bool FolderSortModel::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const int a = left.row(), b = right.row();
    if (m_keys.empty()) return entryLess(m_rows.at(a), m_rows.at(b));
    return less(m_rows.at(a), m_rows.at(b), &m_keys[static_cast<std::size_t>(a)],
                &m_keys[static_cast<std::size_t>(b)]);
}

template <class Sort> void FolderSortModel::sortWithKeys(Sort&& sortNow) {
    // The texts' keys are made once for the whole sort, rather than folded at every one of
    // its comparisons; rows changed later compare their texts.
    if (!m_playOrder && m_rows.size() > 0 && sortText(m_rows.at(0), m_column)) {
        m_keys.reserve(static_cast<std::size_t>(m_rows.size()));
        for (const ListEntry& e : m_rows.entries())
            m_keys.push_back(naturalKey(*sortText(e, m_column)));
    }
    sortNow();
    m_keys = {};
}

bool FolderSortModel::matches(const ListEntry& e) const {
    if (!m_filter.isActive()) return true;
    const QString name = displayPath(e.name);
    return e.isFile() ? m_filter.matches(name, trackText(e), artistText(e))
                      : m_filter.matches(name);
}

bool FolderSortModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    return !sourceParent.isValid() && matches(m_rows.at(sourceRow));
}

void FolderSortModel::refilter() {
    // While rows hold still, those that match now go in among them and the rest keep their
    // places.
    if (!dynamicSortFilter()) {
        invalidateRowsFilter();
        return;
    }
    // Otherwise in one go: one new layout costs the view far less than thousands of runs of
    // rows leaving and coming back one run at a time.
    sortWithKeys([this] { invalidate(); });
}

void FolderSortModel::sortBy(int column, Qt::SortOrder order) {
    m_playOrder = false;
    m_column = column;
    m_order = order;
    resort();
}

void FolderSortModel::setPlayOrder(bool on) {
    if (on == m_playOrder) return;
    m_playOrder = on;
    if (on) m_order = Qt::AscendingOrder;
    resort();
}

void FolderSortModel::resort() {
    // One sort either way; the selection and the current row stay with their rows.
    sortWithKeys([this] {
        if (sortColumn() != m_column || sortOrder() != m_order)
            sort(m_column, m_order);
        else
            invalidate();
    });
}

void FolderSortModel::hold() {
    setDynamicSortFilter(false);
}

void FolderSortModel::settle() {
    if (!dynamicSortFilter()) sortWithKeys([this] { setDynamicSortFilter(true); }); // sorts once
}

} // namespace tunewalk
