// The play order: Move Up, Move Down and Randomize Playlist. The order lives only in the
// list's hidden Sequence column; nothing on disk or in the settings changes.
#include "app/Form1.h"

#include "app/ListRow.h"

#include <QHeaderView>
#include <QRandomGenerator>
#include <QTreeWidget>
#include <vector>

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

int audioRowCount(const QTreeWidget* list) {
    int n = 0;
    for (int i = 0, count = list->topLevelItemCount(); i < count; ++i)
        if (static_cast<const ListRow*>(list->topLevelItem(i))->isFile()) ++n;
    return n;
}
} // namespace

void Form1::writeSequence(ListRow* row, int number, int width) {
    if (row->isFile())
        row->setCell(Col::Sequence,
                     QString::number(number).rightJustified(width, QLatin1Char('0')));
    else
        row->setCell(Col::Sequence, QString(width, QLatin1Char('0')) + row->cell(Col::Name));
}

void Form1::appendToPlayOrder(ListRow* row) {
    int last = 0, width = 4;
    for (const ListRow* other : std::as_const(m_rows)) {
        if (other == row || !other->isFile()) continue;
        last = std::max(last, other->cell(Col::Sequence).toInt());
        width = static_cast<int>(other->cell(Col::Sequence).size());
    }
    writeSequence(row, last + 1, width);
}

void Form1::sortByPlayOrder() {
    ListView1->header()->setSortIndicator(Col::Sequence, Qt::AscendingOrder);
    setListSorting(true); // sorts by the indicator at once
    playOrderActive = true;
}

int Form1::renumberPlaylist() {
    const int count = audioRowCount(ListView1);
    const int width = sequenceWidth(count);
    int n = 1;
    for (int i = 0, rows = ListView1->topLevelItemCount(); i < rows; ++i) {
        auto* row = static_cast<ListRow*>(ListView1->topLevelItem(i));
        writeSequence(row, n, width);
        if (row->isFile()) ++n;
    }
    return n - 1;
}

void Form1::moveUp() {
    moveSelection(true);
}

void Form1::moveDown() {
    moveSelection(false);
}

// Rows are visited from the side they move towards, so a block of selected files moves one
// place as a block and a selection already at the end moves nothing.
void Form1::moveSelection(bool up) {
    if (getSelCount() == 0) return;
    std::vector<ListRow*> selected = selectedRows();
    const int count = renumberPlaylist();
    const int width = sequenceWidth(count);

    // The audio rows by their number, so a neighbour is found without a search.
    std::vector<ListRow*> byNumber;
    byNumber.reserve(static_cast<std::size_t>(count));
    for (int i = 0, rows = ListView1->topLevelItemCount(); i < rows; ++i)
        if (auto* row = static_cast<ListRow*>(ListView1->topLevelItem(i)); row->isFile())
            byNumber.push_back(row);

    if (!up) std::reverse(selected.begin(), selected.end());
    const int end = up ? 1 : count;
    const int step = up ? -1 : 1;
    bool moved = false;
    ListRow* last = nullptr;
    for (ListRow* row : selected) {
        if (!row->isFile()) {
            row->setSelected(false);
            continue;
        }
        if (!moved) {
            ListView1->setSortingEnabled(false); // rows stay put while their numbers change
            moved = true;
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
    if (!moved) return;
    sortByPlayOrder();
    if (last) ListView1->scrollToItem(last);
}

void Form1::randomizePlaylist() {
    const int count = audioRowCount(ListView1);
    if (count == 0) return;
    const int width = sequenceWidth(count);
    ListView1->setSortingEnabled(false);

    // Each audio row draws its number uniformly from those left: a uniform permutation.
    std::vector<int> pool(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        pool[static_cast<std::size_t>(i)] = i + 1;
    QRandomGenerator* random = QRandomGenerator::global();
    for (int i = 0, rows = ListView1->topLevelItemCount(); i < rows; ++i) {
        auto* row = static_cast<ListRow*>(ListView1->topLevelItem(i));
        if (!row->isFile()) {
            writeSequence(row, 0, width);
            continue;
        }
        const auto k = static_cast<std::size_t>(random->bounded(static_cast<int>(pool.size())));
        writeSequence(row, pool[k], width);
        pool[k] = pool.back();
        pool.pop_back();
    }
    sortByPlayOrder();

    ListRow* row = findRow(currentFile);
    if (!row) row = static_cast<ListRow*>(ListView1->topLevelItem(0));
    if (!row) return;
    ListView1->setCurrentItem(row);
    handleRowClick(row);
    selectOnly();
    ListView1->scrollToItem(row);
}

} // namespace tunewalk
