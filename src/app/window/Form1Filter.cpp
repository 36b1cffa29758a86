// The filter over the list (Ctrl+F) and the status bar's counts of what the list shows.
//
// The filter hides the rows that do not match (ListFilter says which); everything that walks
// the list for the user (Play All, Next and Previous, the exports) walks the rows shown. A
// hidden row is never left selected, so a Delete cannot reach a file the user cannot see.
// Rows arriving later (the listing's stages, the watcher, details that bring a track name or
// an artist, a rename) are filtered as they come.
#include "app/window/Form1.h"

#include "app/listing/ListFilter.h"
#include "app/listing/ListRow.h"

#include <QAction>
#include <QItemSelection>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTimer>
#include <QTreeWidget>

namespace tunewalk {

void Form1::createFilter() {
    txtFilter = new QLineEdit(centralWidget());
    txtFilter->setObjectName(QStringLiteral("txtFilter"));
    txtFilter->setAccessibleName(tr("Filter"));
    txtFilter->setPlaceholderText(tr("Filter by name, track or artist"));
    txtFilter->setClearButtonEnabled(true);
    txtFilter->hide();
    connect(txtFilter, &QLineEdit::textEdited, this, [this] { applyFilter(true); });

    // Escape in the field, or in the list while the field shows, ends the filtering.
    new QShortcut(QKeySequence(Qt::Key_Escape), txtFilter, this, &Form1::hideFilter,
                  Qt::WidgetShortcut);
    m_listEscape = new QShortcut(QKeySequence(Qt::Key_Escape), ListView1, this, &Form1::hideFilter,
                                 Qt::WidgetShortcut);
    m_listEscape->setEnabled(false);

    const QAbstractItemModel* model = ListView1->model();
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (parent.isValid()) return;
                if (m_filter.isActive()) filterRows(first, last);
                queueCounts();
            });
    connect(model, &QAbstractItemModel::rowsRemoved, this, &Form1::queueCounts);
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                if (topLeft.parent().isValid()) return;
                queueCounts();
                if (!m_filter.isActive()) return;
                // By the item: the view may have sorted a changed row to another place.
                if (topLeft.row() == bottomRight.row())
                    filterRow(static_cast<ListRow*>(ListView1->itemFromIndex(topLeft)));
                else
                    filterRows(topLeft.row(), bottomRight.row());
            });
    // The view's own selecting (Shift+click, Ctrl+A) passes hidden rows by; whatever else selects
    // one (a file to select, handed over while the filter hides it) is undone at once.
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &Form1::deselectHidden);
}

void Form1::deselectHidden() {
    if (!m_filter.isActive()) return;
    QItemSelection hidden;
    for (const QModelIndex& index : ListView1->selectionModel()->selectedRows())
        if (ListView1->isRowHidden(index.row(), {})) hidden.select(index, index);
    if (!hidden.isEmpty())
        ListView1->selectionModel()->select(hidden, QItemSelectionModel::Deselect |
                                                        QItemSelectionModel::Rows);
}

void Form1::showFilter() {
    if (smallWindowMode) return; // the list is not shown
    m_filterOn = true;
    m_listEscape->setEnabled(true);
    placeControls();
    txtFilter->setFocus(Qt::ShortcutFocusReason);
    txtFilter->selectAll();
}

void Form1::hideFilter() {
    m_filter.clearCache();
    if (!m_filterOn) return;
    const bool focused = txtFilter->hasFocus();
    m_filterOn = false;
    m_listEscape->setEnabled(false);
    txtFilter->clear();
    applyFilter(false);
    placeControls();
    if (focused) ListView1->setFocus(Qt::OtherFocusReason);
    if (QTreeWidgetItem* current = ListView1->currentItem()) ListView1->scrollToItem(current);
}

void Form1::placeFilter() {
    const bool on = m_filterOn && !smallWindowMode;
    txtFilter->setVisible(on);
    if (!on) return;
    // The field takes the top of the list's place.
    const QRect list = ListView1->geometry();
    const int h = txtFilter->sizeHint().height();
    txtFilter->setGeometry(list.x(), list.y(), list.width(), h);
    ListView1->setGeometry(list.x(), list.y() + h, list.width(), std::max(0, list.height() - h));
    txtFilter->raise();
}

bool Form1::rowMatches(const ListRow* row) const {
    return row->isFile() ? m_filter.matches(row->cell(Col::Name), row->cell(Col::Track),
                                            row->cell(Col::Artist))
                         : m_filter.matches(row->cell(Col::Name));
}

void Form1::applyFilter(bool typed) {
    m_filter.setText(txtFilter->text());
    filterRows(0, ListView1->topLevelItemCount() - 1);
    queueCounts();
    if (!typed) return;
    // The first row shown becomes current when the current one went out of sight.
    ListRow* current = currentRow();
    if (!current || current->isHidden()) {
        clickRow(shownNeighbour(nullptr, 1));
    } else {
        ListView1->scrollToItem(current);
    }
}

ListRow* Form1::rowAt(int index) const {
    return static_cast<ListRow*>(ListView1->topLevelItem(index));
}

void Form1::filterRows(int first, int last) {
    const QModelIndex root;
    for (int i = first; i <= last; ++i) {
        const ListRow* item = rowAt(i);
        if (!item) continue;
        const bool hide = m_filter.isActive() && !rowMatches(item);
        if (ListView1->isRowHidden(i, root) != hide) ListView1->setRowHidden(i, root, hide);
    }
    deselectHidden();
}

void Form1::filterRow(ListRow* item) {
    // Only rows in the list: the others are filtered when they go in.
    if (!m_filter.isActive() || !item->treeWidget()) return;
    const bool hide = !rowMatches(item);
    if (item->isHidden() == hide) return;
    item->setHidden(hide);
    if (hide) item->setSelected(false);
}

ListRow* Form1::shownNeighbour(ListRow* from, int step) const {
    for (int i = ListView1->indexOfTopLevelItem(from) + step; ListRow* next = rowAt(i); i += step)
        if (!ListView1->isRowHidden(i, {})) return next;
    return nullptr;
}

std::vector<const ListRow*> Form1::shownRows() const {
    std::vector<const ListRow*> rows;
    for (int i = 0, n = ListView1->topLevelItemCount(); i < n; ++i)
        if (!ListView1->isRowHidden(i, {})) rows.push_back(rowAt(i));
    return rows;
}

void Form1::queueCounts() {
    if (m_countsQueued) return;
    m_countsQueued = true;
    // Counted once a turn, however many rows changed in it.
    QTimer::singleShot(0, this, [this] {
        m_countsQueued = false;
        showCounts();
    });
}

void Form1::showCounts() {
    int folders = 0, files = 0, drives = 0, shown = 0;
    qint64 seconds = 0;
    bool lengthsIn = true;
    const int total = ListView1->topLevelItemCount();
    for (int i = 0; i < total; ++i) {
        if (ListView1->isRowHidden(i, {})) continue;
        const ListRow* item = rowAt(i);
        ++shown;
        if (item->isFile()) {
            ++files;
            const QString& length = item->cell(Col::Length);
            lengthsIn = lengthsIn && !length.isEmpty(); // blank until the details are in
            seconds += lengthSeconds(length).value_or(0);
        } else if (item->kind == RowKind::Drive) {
            ++drives;
        } else {
            ++folders; // My Computer and My Documents too: they open as folders do
        }
    }
    QStringList parts;
    if (drives > 0) {
        parts << (drives == 1 ? tr("1 drive") : tr("%1 drives").arg(drives));
    } else {
        parts << (folders == 1 ? tr("1 folder") : tr("%1 folders").arg(folders));
        parts << (files == 1 ? tr("1 audio file") : tr("%1 audio files").arg(files));
        if (files > 0 && lengthsIn) parts << totalLengthText(seconds);
    }
    QString text = parts.join(QStringLiteral(", "));
    if (m_filter.isActive())
        text = tr("%1 of %2 shown").arg(shown).arg(total) + QStringLiteral(": ") + text;
    panelCounts->setText(text);
}

} // namespace tunewalk
