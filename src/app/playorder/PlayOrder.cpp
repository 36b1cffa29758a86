#include "app/playorder/PlayOrder.h"

#include "app/listing/ListRow.h"

#include <QRandomGenerator>
#include <QTreeWidget>
#include <algorithm>

namespace tunewalk {

namespace {

// Sequence numbers are at least four digits wide; a folder of 10,000 files or more widens
// every value, so that text order stays number order.
int sequenceWidth(int count) {
    int width = 1;
    for (int n = count; n >= 10; n /= 10)
        ++width;
    return std::max(4, width);
}

ListRow* rowAt(const QTreeWidget& list, int i) {
    return static_cast<ListRow*>(list.topLevelItem(i));
}

int audioRowCount(const QTreeWidget& list) {
    int n = 0;
    for (int i = 0, count = list.topLevelItemCount(); i < count; ++i)
        if (rowAt(list, i)->isFile()) ++n;
    return n;
}

void writeSequence(ListRow* row, int number, int width) {
    if (row->isFile())
        row->setCell(Col::Sequence,
                     QString::number(number).rightJustified(width, QLatin1Char('0')));
    else
        row->setCell(Col::Sequence, QString(width, QLatin1Char('0')) + row->cell(Col::Name));
}

} // namespace

int PlayOrder::renumber() {
    const int width = sequenceWidth(audioRowCount(m_list));
    int n = 1;
    for (int i = 0, rows = m_list.topLevelItemCount(); i < rows; ++i) {
        ListRow* row = rowAt(m_list, i);
        writeSequence(row, n, width);
        if (row->isFile()) ++n;
    }
    return n - 1;
}

// Rows are visited from the side they move towards, so a block of selected files moves one
// place as a block and a selection already at the end moves nothing.
ListRow* PlayOrder::move(std::vector<ListRow*> selected, bool up, bool* changed) {
    *changed = false;
    const int count = renumber();
    const int width = sequenceWidth(count);

    // The audio rows by their number, so a neighbour is found without a search.
    std::vector<ListRow*> byNumber;
    byNumber.reserve(static_cast<std::size_t>(count));
    for (int i = 0, rows = m_list.topLevelItemCount(); i < rows; ++i)
        if (ListRow* row = rowAt(m_list, i); row->isFile()) byNumber.push_back(row);

    if (!up) std::reverse(selected.begin(), selected.end());
    const int end = up ? 1 : count;
    const int step = up ? -1 : 1;
    ListRow* last = nullptr;
    for (ListRow* row : selected) {
        if (!row->isFile()) {
            row->setSelected(false);
            continue;
        }
        if (!*changed) {
            m_list.setSortingEnabled(false); // rows stay put while their numbers change
            *changed = true;
        }
        const int p = row->cell(Col::Sequence).toInt();
        if (p == end) break;
        ListRow* other = byNumber[static_cast<std::size_t>(p + step - 1)];
        writeSequence(other, p, width);
        writeSequence(row, p + step, width);
        std::swap(byNumber[static_cast<std::size_t>(p - 1)],
                  byNumber[static_cast<std::size_t>(p + step - 1)]);
        last = row;
    }
    return last;
}

bool PlayOrder::shuffle() {
    const int count = audioRowCount(m_list);
    if (count == 0) return false;
    const int width = sequenceWidth(count);
    m_list.setSortingEnabled(false);

    // Each audio row draws its number uniformly from those left: a uniform permutation.
    std::vector<int> pool(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        pool[static_cast<std::size_t>(i)] = i + 1;
    QRandomGenerator* random = QRandomGenerator::global();
    for (int i = 0, rows = m_list.topLevelItemCount(); i < rows; ++i) {
        ListRow* row = rowAt(m_list, i);
        if (!row->isFile()) {
            writeSequence(row, 0, width);
            continue;
        }
        const auto k = static_cast<std::size_t>(random->bounded(static_cast<int>(pool.size())));
        writeSequence(row, pool[k], width);
        pool[k] = pool.back();
        pool.pop_back();
    }
    return true;
}

void PlayOrder::append(ListRow* row) {
    int last = 0, width = 4;
    for (int i = 0, rows = m_list.topLevelItemCount(); i < rows; ++i) {
        const ListRow* other = rowAt(m_list, i);
        if (other == row || !other->isFile()) continue;
        last = std::max(last, other->cell(Col::Sequence).toInt());
        width = static_cast<int>(other->cell(Col::Sequence).size());
    }
    writeSequence(row, last + 1, width);
}

} // namespace tunewalk
