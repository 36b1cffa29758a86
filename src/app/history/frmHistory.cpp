#include "app/history/frmHistory.h"

#include "app/history/UndoHistory.h"
#include "history/FileChanges.h"
#include "history/Undo.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace tunewalk {

namespace {

using State = HistoryStore::State;
enum Column { TimeColumn, ActionColumn, FilesColumn, StateColumn };

// An action of thousands of files lists this many of them, and says how many more there are.
constexpr int MaxFileLines = 1000;

QString stateText(const HistoryStore::Entry& e) {
    if (e.state == State::Open) return frmHistory::tr("Unfinished"); // being made right now
    if (!e.undoable) return frmHistory::tr("Cannot be undone");
    switch (e.state) {
    case State::Undone:
        return frmHistory::tr("Undone");
    case State::Incomplete:
        return frmHistory::tr("Cut short");
    default:
        return frmHistory::tr("Done");
    }
}

// Why the entry stands as it does, where the state alone does not tell.
QString stateNote(const HistoryStore::Entry& e, bool finishable) {
    if (e.state == State::Open) return {};
    if (!e.undoable) return frmHistory::tr("Deleted for good: this cannot be undone.");
    if (e.state == State::Incomplete && finishable)
        return frmHistory::tr("This action was cut short (the program stopped while it ran). "
                              "Undo takes back what it changed; Redo finishes it.");
    if (e.state == State::Incomplete)
        return frmHistory::tr("This action was cut short (the program stopped while it ran). The "
                              "files listed were changed; Undo takes them back.");
    return {};
}

bool canRedo(const HistoryStore::Entry& e, bool finishable) {
    return e.state == State::Undone || (e.state == State::Incomplete && finishable);
}

bool canUndo(const HistoryStore::Entry& e) {
    return e.undoable && (e.state == State::Done || e.state == State::Incomplete);
}

} // namespace

frmHistory::frmHistory(UndoHistory& history, QWidget* parent)
    : QDialog(parent), m_history(history) {
    setWindowTitle(tr("History"));
    setModal(false);

    // Made first, so it is first in the tab order and has the focus when the window opens.
    lstEntries = new QTreeWidget(this);
    lstEntries->setHeaderLabels({tr("Time"), tr("Action"), tr("Files"), tr("State")});
    lstEntries->headerItem()->setTextAlignment(FilesColumn, Qt::AlignRight | Qt::AlignVCenter);
    lstEntries->setRootIsDecorated(false);
    lstEntries->setUniformRowHeights(true);
    lstEntries->setAllColumnsShowFocus(true);
    lstEntries->setSelectionMode(QAbstractItemView::SingleSelection);
    lstEntries->setAccessibleName(tr("Actions"));
    QHeaderView* header = lstEntries->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(ActionColumn, QHeaderView::Stretch);
    // The fixed columns fit their longest texts: a late date, a big count, the longest state.
    const QFontMetrics metrics = lstEntries->fontMetrics();
    const int padding = 3 * metrics.averageCharWidth();
    const QString lateTime =
        QLocale().toString(QDateTime(QDate(2000, 12, 28), QTime(23, 59, 59)), QLocale::ShortFormat);
    lstEntries->setColumnWidth(TimeColumn, metrics.horizontalAdvance(lateTime) + padding);
    lstEntries->setColumnWidth(FilesColumn,
                               std::max(metrics.horizontalAdvance(QLocale().toString(100000)),
                                        header->fontMetrics().horizontalAdvance(tr("Files"))) +
                                   padding);
    lstEntries->setColumnWidth(StateColumn,
                               metrics.horizontalAdvance(tr("Cannot be undone")) + padding);
    connect(lstEntries, &QTreeWidget::itemSelectionChanged, this, &frmHistory::showSelected);

    auto* filesCaption = new QLabel(tr("Files"), this);
    lstFiles = new QListWidget(this);
    lstFiles->setUniformItemSizes(true);
    lstFiles->setAccessibleName(tr("Files"));
    filesCaption->setBuddy(lstFiles);
    lblState = new QLabel(this);
    lblState->setWordWrap(true);

    cmdUndo = new QPushButton(tr("&Undo"), this);
    cmdRedo = new QPushButton(tr("&Redo"), this);
    cmdClose = new QPushButton(tr("Close"), this);
    cmdUndo->setAccessibleName(tr("Undo"));
    cmdRedo->setAccessibleName(tr("Redo"));
    cmdClose->setAccessibleName(tr("Close"));
    // Enter in the entry list undoes the selected entry (a disabled default does nothing).
    cmdUndo->setDefault(true);
    connect(cmdUndo, &QPushButton::clicked, this, &frmHistory::cmdUndoClick);
    connect(cmdRedo, &QPushButton::clicked, this, &frmHistory::cmdRedoClick);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdUndo);
    buttons->addWidget(cmdRedo);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lstEntries, 3);
    layout->addWidget(filesCaption);
    layout->addWidget(lstFiles, 2);
    layout->addWidget(lblState);
    layout->addLayout(buttons);

    connect(&m_history, &UndoHistory::changed, this, &frmHistory::refresh);
    refresh();
    lstEntries->setFocus();
    resize(720, 480);
}

void frmHistory::refresh() {
    const Entry* was = selected();
    const qint64 keep = was ? was->id : 0;
    const int scrolled = lstEntries->verticalScrollBar()->value();
    HistoryStore* store = m_history.store();
    m_entries = store ? store->entries() : std::vector<Entry>{};
    {
        // One selection change for the whole rebuild, made below.
        const QSignalBlocker block(lstEntries);
        lstEntries->clear();
        QList<QTreeWidgetItem*> rows;
        rows.reserve(qsizetype(m_entries.size()));
        const QLocale locale;
        for (const Entry& e : m_entries) {
            auto* row = new QTreeWidgetItem(
                {locale.toString(QDateTime::fromMSecsSinceEpoch(e.timeMs), QLocale::ShortFormat),
                 e.description, locale.toString(e.changeCount), stateText(e)});
            row->setTextAlignment(FilesColumn, Qt::AlignRight | Qt::AlignVCenter);
            rows << row;
        }
        lstEntries->addTopLevelItems(rows);
        const auto at = std::find_if(m_entries.begin(), m_entries.end(),
                                     [keep](const Entry& e) { return e.id == keep; });
        if (!m_entries.empty()) {
            // The selected entry stays selected; a new window, or one whose entry went, starts
            // on the newest.
            const int row = at == m_entries.end() ? 0 : int(at - m_entries.begin());
            lstEntries->setCurrentItem(lstEntries->topLevelItem(row));
        }
        lstEntries->verticalScrollBar()->setValue(scrolled);
    }
    showSelected();
}

const frmHistory::Entry* frmHistory::selected() const {
    const QList<QTreeWidgetItem*> rows = lstEntries->selectedItems();
    if (rows.isEmpty()) return nullptr;
    const int row = lstEntries->indexOfTopLevelItem(rows.first());
    return row >= 0 && row < int(m_entries.size()) ? &m_entries[size_t(row)] : nullptr;
}

void frmHistory::showSelected() {
    const Entry* e = selected();
    const bool same = e && m_shown && m_shown->id == e->id && m_shown->state == e->state &&
                      m_shown->changeCount == e->changeCount;
    if (!same) {
        lstFiles->clear();
        m_shown.reset();
        m_finishable = false;
        HistoryStore* store = m_history.store();
        if (e && store) {
            const std::vector<HistoryStore::Change> changes = store->changes(e->id);
            QStringList lines;
            const int listed = std::min(int(changes.size()), MaxFileLines);
            lines.reserve(listed + 1);
            for (int i = 0; i < listed; ++i)
                lines << history::describe(changes[size_t(i)]);
            if (int(changes.size()) > listed)
                lines << tr("… and %n more", nullptr, int(changes.size()) - listed);
            lstFiles->addItems(lines);
            m_shown = *e;
            const history::Tally now = history::tally(changes);
            m_finishable = now.toMake > 0 || now.split > 0;
        }
    }
    lblState->setText(e ? stateNote(*e, m_finishable) : QString());
    updateButtons();
}

void frmHistory::updateButtons() {
    const Entry* e = selected();
    const bool free = !m_history.busy();
    cmdUndo->setEnabled(free && e && canUndo(*e));
    cmdRedo->setEnabled(free && e && canRedo(*e, m_finishable));
}

void frmHistory::cmdUndoClick() {
    const Entry* e = selected();
    if (!e || !canUndo(*e)) return;
    const qint64 id = e->id; // the entries are read again while it starts
    // The buttons go disabled while it runs: the focus waits in the list, not on Close.
    lstEntries->setFocus();
    m_history.undo(id);
    updateButtons();
}

void frmHistory::cmdRedoClick() {
    const Entry* e = selected();
    if (!e || !canRedo(*e, m_finishable)) return;
    const qint64 id = e->id;
    lstEntries->setFocus();
    m_history.redo(id);
    updateButtons();
}

} // namespace tunewalk
