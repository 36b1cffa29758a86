#pragma once

#include <QStringList>
#include <vector>

namespace tunewalk {

class FolderModel;
class FolderSortModel;

// The play order that Play All, Next and Previous follow once the user moves rows or shuffles
// them: a number for each audio row (from 1; folder rows keep 0, so they stay above), kept with
// the rows, by which the list sorts while the order is in force. Nothing on disk or in the
// settings changes.
class PlayOrder {
public:
    PlayOrder(FolderModel& rows, FolderSortModel& order) : m_rows(rows), m_order(order) {}

    bool isActive() const;
    // The list shows the order from now on.
    void activate();
    // A new listing or a sort by a column ends the order.
    void clear();

    // Numbers the rows in the order the list shows them; returns how many audio rows it has.
    int renumber();
    // Moves the audio rows of `selected` (keys, in display order) one place up or down, as a
    // block; a block already at the end stays. Returns the key of the last row moved (empty
    // when none moved); *changed tells whether any number was rewritten.
    QString move(const QStringList& selected, bool up, bool* changed);
    // A uniformly random order of the audio rows; false when there are none.
    bool shuffle();
    // A row that arrives while the order is in force joins it at the end.
    void append(int row);

private:
    // The audio rows (model rows) in display order, hidden ones after the shown.
    std::vector<int> audioRowsShown() const;

    FolderModel& m_rows;
    FolderSortModel& m_order;
};

} // namespace tunewalk
