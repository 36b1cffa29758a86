#pragma once

#include <vector>

class QTreeWidget;

namespace tunewalk {

class ListRow;

// The play order that Play All, Next and Previous follow once the user moves rows or shuffles
// them. It lives only in the list's hidden Sequence column (audio rows numbered from 1, folder
// rows 0 so they stay above); nothing on disk or in the settings changes. The window sorts the
// list by that column while the order is in force.
class PlayOrder {
public:
    explicit PlayOrder(QTreeWidget& list) : m_list(list) {}

    bool isActive() const { return m_active; }
    void activate() { m_active = true; }
    // A new listing or a sort by a column ends the order.
    void clear() { m_active = false; }

    // Numbers the rows in the order the list shows them; returns how many audio rows it has.
    int renumber();
    // Moves the selected audio rows one place up or down, as a block; a block already at the
    // end stays. Folder rows are deselected. Returns the last row moved; *changed tells
    // whether any number was rewritten (the list must then sort by them).
    ListRow* move(std::vector<ListRow*> selected, bool up, bool* changed);
    // A uniformly random order of the audio rows; false when there are none.
    bool shuffle();
    // A row that arrives while the order is in force joins it at the end.
    void append(ListRow* row);

private:
    QTreeWidget& m_list;
    bool m_active = false;
};

} // namespace tunewalk
