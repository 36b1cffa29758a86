// Move Up, Move Down and Randomize Playlist: the play order's commands, and the list sorted
// by it.
#include "app/window/Form1.h"

#include "app/listing/FolderModel.h"
#include "app/playback/Playback.h"
#include "app/playorder/PlayOrder.h"

#include <QHeaderView>
#include <QTreeView>

namespace tunewalk {

void Form1::sortByPlayOrder() {
    m_playOrder->activate(); // sorts by it at once
    showSortIndicator();
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
    QStringList keys;
    for (const ListEntry* row : selectedRows()) {
        if (row->isFile()) {
            keys << row->key;
        } else { // folders stay where they are, and out of the selection
            ListView1->selectionModel()->select(viewIndex(row->key), QItemSelectionModel::Deselect |
                                                                         QItemSelectionModel::Rows);
        }
    }
    bool changed = false;
    const QString last = m_playOrder->move(keys, up, &changed);
    if (!changed) return;
    sortByPlayOrder();
    if (!last.isEmpty()) ListView1->scrollTo(viewIndex(last));
}

void Form1::randomizePlaylist() {
    if (!m_playOrder->shuffle()) return;
    sortByPlayOrder();
    const ListEntry* row = findRow(m_playback->currentFile());
    if (!row) row = shownNeighbour(nullptr, 1);
    if (!row) return;
    const QModelIndex index = viewIndex(row->key);
    ListView1->setCurrentIndex(index);
    handleRowClick(row);
    selectOnly();
    ListView1->scrollTo(index);
}

} // namespace tunewalk
