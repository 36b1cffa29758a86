// The filter over the list (Ctrl+F) and the status bar's counts of what the list shows.
//
// The filter (FolderSortModel's) leaves out the rows that do not match; everything that walks
// the list for the user (Play All, Next and Previous, the exports) walks the rows shown. A row
// left out is no longer in the view, so it cannot stay selected and a Delete cannot reach a
// file the user cannot see. Rows arriving later (the listing's stages, the watcher, details
// that bring a track name or an artist, a rename) are filtered as they come.
#include "app/window/Form1.h"

#include "app/listing/FolderModel.h"
#include "app/listing/FolderSortModel.h"
#include "app/listing/ListFilter.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTimer>
#include <QTreeView>

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

    // Counted once a turn, however many rows changed in it.
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_sortModel, signal, this, &Form1::queueCounts);
    connect(m_sortModel, &QAbstractItemModel::modelReset, this, &Form1::queueCounts);
    connect(m_sortModel, &QAbstractItemModel::dataChanged, this, &Form1::queueCounts);
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
    m_sortModel->filter().clearCache();
    if (!m_filterOn) return;
    const bool focused = txtFilter->hasFocus();
    m_filterOn = false;
    m_listEscape->setEnabled(false);
    txtFilter->clear();
    applyFilter(false);
    placeControls();
    if (focused) ListView1->setFocus(Qt::OtherFocusReason);
    if (ListView1->currentIndex().isValid()) ListView1->scrollTo(ListView1->currentIndex());
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

void Form1::applyFilter(bool typed) {
    const QString current = currentRow() ? currentRow()->key : QString();
    m_sortModel->filter().setText(txtFilter->text());
    m_sortModel->refilter();
    queueCounts();
    if (!typed) return;
    // The first row shown becomes current when the current one went out of sight.
    if (current.isEmpty() || !viewIndex(current).isValid())
        clickRow(shownNeighbour(nullptr, 1));
    else
        ListView1->scrollTo(ListView1->currentIndex());
}

const ListEntry* Form1::shownNeighbour(const ListEntry* from, int step) const {
    int next = step > 0 ? 0 : -1;
    if (from) {
        const int at = viewIndex(from->key).row();
        // A row the filter hides (the file playing may be one) stands between the shown ones.
        if (at >= 0)
            next = at + step;
        else
            next = m_sortModel->placeOf(*from) + (step > 0 ? 0 : -1);
    }
    return next >= 0 && next < m_sortModel->rowCount() ? &m_sortModel->entryAt(next) : nullptr;
}

std::vector<const ListEntry*> Form1::shownRows() const {
    std::vector<const ListEntry*> rows;
    rows.reserve(static_cast<std::size_t>(m_sortModel->rowCount()));
    for (int i = 0, n = m_sortModel->rowCount(); i < n; ++i)
        rows.push_back(&m_sortModel->entryAt(i));
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
    int folders = 0, files = 0, drives = 0;
    qint64 ms = 0;
    bool lengthsIn = true;
    const int shown = m_sortModel->rowCount();
    for (int i = 0; i < shown; ++i) {
        const ListEntry& row = m_sortModel->entryAt(i);
        if (row.isFile()) {
            ++files;
            lengthsIn = lengthsIn && row.detailsIn; // blank until the details are in
            ms += row.details.lengthMs;
        } else if (row.kind == RowKind::Drive) {
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
        if (files > 0 && lengthsIn) parts << totalLengthText(ms / 1000);
    }
    QString text = parts.join(QStringLiteral(", "));
    if (m_sortModel->filter().isActive())
        text = tr("%1 of %2 shown").arg(shown).arg(m_model->size()) + QStringLiteral(": ") + text;
    panelCounts->setText(text);
}

} // namespace tunewalk
