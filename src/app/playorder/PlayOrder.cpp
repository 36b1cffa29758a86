#include "app/playorder/PlayOrder.h"

#include "app/listing/FolderModel.h"
#include "app/listing/FolderSortModel.h"

#include <QRandomGenerator>
#include <algorithm>

namespace tunewalk {

bool PlayOrder::isActive() const {
    return m_order.playOrder();
}

void PlayOrder::activate() {
    if (isActive())
        m_order.resort(); // the numbers changed
    else
        m_order.setPlayOrder(true);
}

void PlayOrder::clear() {
    m_order.setPlayOrder(false);
}

std::vector<int> PlayOrder::audioRowsShown() const {
    std::vector<int> rows;
    std::vector<char> taken(static_cast<std::size_t>(m_rows.size()), 0);
    for (int i = 0, n = m_order.rowCount(); i < n; ++i) {
        const int row = m_order.mapToSource(m_order.index(i, 0)).row();
        taken[static_cast<std::size_t>(row)] = 1;
        if (m_rows.at(row).isFile()) rows.push_back(row);
    }
    bool hidden = false;
    for (int row = 0; row < m_rows.size(); ++row)
        if (!taken[static_cast<std::size_t>(row)] && m_rows.at(row).isFile()) {
            rows.push_back(row);
            hidden = true;
        }
    // Rows the filter hides take the places the list's order gives them.
    if (hidden)
        std::stable_sort(rows.begin(), rows.end(), [this](int a, int b) {
            return m_order.shownBefore(m_rows.at(a), m_rows.at(b));
        });
    return rows;
}

int PlayOrder::renumber() {
    for (int row = 0; row < m_rows.size(); ++row)
        m_rows.mutableAt(row).sequence = 0;
    const std::vector<int> rows = audioRowsShown();
    int n = 0;
    for (int row : rows)
        m_rows.mutableAt(row).sequence = ++n;
    return n;
}

// Rows are visited from the side they move towards, so a block of selected files moves one
// place as a block and a selection already at the end moves nothing.
QString PlayOrder::move(const QStringList& selected, bool up, bool* changed) {
    *changed = false;
    const int count = renumber();
    // The audio rows by their number, so a neighbour is found without a search.
    std::vector<int> byNumber(static_cast<std::size_t>(count));
    for (int row = 0; row < m_rows.size(); ++row)
        if (const int n = m_rows.at(row).sequence; n > 0)
            byNumber[static_cast<std::size_t>(n - 1)] = row;

    QStringList keys = selected;
    if (!up) std::reverse(keys.begin(), keys.end());
    const int end = up ? 1 : count;
    const int step = up ? -1 : 1;
    QString last;
    for (const QString& key : keys) {
        const int row = m_rows.rowOf(key);
        if (row < 0 || !m_rows.at(row).isFile()) continue;
        *changed = true;
        const int p = m_rows.at(row).sequence;
        if (p == end) break;
        const int other = byNumber[static_cast<std::size_t>(p + step - 1)];
        m_rows.mutableAt(other).sequence = p;
        m_rows.mutableAt(row).sequence = p + step;
        std::swap(byNumber[static_cast<std::size_t>(p - 1)],
                  byNumber[static_cast<std::size_t>(p + step - 1)]);
        last = key;
    }
    return last;
}

bool PlayOrder::shuffle() {
    std::vector<int> rows;
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row).isFile())
            rows.push_back(row);
        else
            m_rows.mutableAt(row).sequence = 0;
    }
    if (rows.empty()) return false;
    // Each audio row draws its number uniformly from those left: a uniform permutation.
    std::vector<int> pool(rows.size());
    for (std::size_t i = 0; i < pool.size(); ++i)
        pool[i] = static_cast<int>(i) + 1;
    QRandomGenerator* random = QRandomGenerator::global();
    for (int row : rows) {
        const auto k = static_cast<std::size_t>(random->bounded(static_cast<int>(pool.size())));
        m_rows.mutableAt(row).sequence = pool[k];
        pool[k] = pool.back();
        pool.pop_back();
    }
    return true;
}

void PlayOrder::append(int row) {
    int last = 0;
    for (int other = 0; other < m_rows.size(); ++other)
        if (other != row) last = std::max(last, m_rows.at(other).sequence);
    m_rows.mutableAt(row).sequence = m_rows.at(row).isFile() ? last + 1 : 0;
    // The row went in as number 0, at the top of the files: it moves to its number.
    m_rows.announce({row}, 0, Col::Count - 1);
}

} // namespace tunewalk
