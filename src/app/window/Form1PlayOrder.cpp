// Move Up, Move Down and Randomize Playlist: the play order's commands, and the list sorted
// by it.
#include "app/window/Form1.h"

#include "app/listing/ListRow.h"
#include "app/playback/Playback.h"
#include "app/playorder/PlayOrder.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace tunewalk {

void Form1::sortByPlayOrder() {
    ListView1->header()->setSortIndicator(Col::Sequence, Qt::AscendingOrder);
    setListSorting(true); // sorts by the indicator at once
    m_playOrder->activate();
}

int Form1::renumberPlaylist() {
    return m_playOrder->renumber();
}

void Form1::moveUp() {
    moveSelection(true);
}

void Form1::moveDown() {
    moveSelection(false);
}

void Form1::moveSelection(bool up) {
    if (getSelCount() == 0) return;
    bool changed = false;
    ListRow* last = m_playOrder->move(selectedRows(), up, &changed);
    if (!changed) return;
    sortByPlayOrder();
    if (last) ListView1->scrollToItem(last);
}

void Form1::randomizePlaylist() {
    if (!m_playOrder->shuffle()) return;
    sortByPlayOrder();
    ListRow* row = findRow(m_playback->currentFile());
    if (!row) row = shownNeighbour(nullptr, 1);
    if (!row) return;
    ListView1->setCurrentItem(row);
    handleRowClick(row);
    selectOnly();
    ListView1->scrollToItem(row);
}

} // namespace tunewalk
