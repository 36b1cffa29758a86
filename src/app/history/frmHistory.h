#pragma once

#include "history/HistoryStore.h"

#include <QDialog>
#include <optional>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace tunewalk {

class UndoHistory;

// "History": every recorded action, newest first, with the files each one changed; Undo takes
// back the selected action and Redo makes an undone one again. Not modal: it follows the history
// while the user works on, reading it again whenever an action is recorded, undone or redone.
class frmHistory : public QDialog {
    Q_OBJECT
public:
    frmHistory(UndoHistory& history, QWidget* parent = nullptr);

    QTreeWidget* lstEntries = nullptr; // Time, Action, Files, State
    QListWidget* lstFiles = nullptr;   // the selected entry's changes
    QLabel* lblState = nullptr;        // why the selected entry is as it is, when unusual
    QPushButton *cmdUndo = nullptr, *cmdRedo = nullptr, *cmdClose = nullptr;

private:
    using Entry = HistoryStore::Entry;

    // Reads the entries again, keeping the selected one by its id.
    void refresh();
    // The selection moved: its files and state, and what the buttons may do.
    void showSelected();
    void updateButtons();
    const Entry* selected() const;
    void cmdUndoClick();
    void cmdRedoClick();

    UndoHistory& m_history;
    std::vector<Entry> m_entries; // in the order of the rows
    // The entry whose files are listed, as it was then: they are read again only when it
    // changed, not each time another action is recorded.
    std::optional<Entry> m_shown;
    bool m_finishable = false; // the shown entry was cut short with moves still to make
};

} // namespace tunewalk
