// The commands that open the tag and header editors on the list's rows.
#include "app/window/Form1.h"

#include "app/history/UndoHistory.h"
#include "app/listing/FolderModel.h"
#include "app/listing/ListText.h"
#include "app/window/WindowTagHost.h"
#include "metadata/dialogs/frmBatchTags.h"
#include "metadata/dialogs/frmTags.h"
#include "metadata/dialogs/frmWAV.h"

#include <QAction>
#include <QTreeView>
#include <QTreeWidget>

namespace tunewalk {

WindowTagHost::WindowTagHost(Form1& window) : m_window(window) {}

std::vector<TagHost::Row> WindowTagHost::rows() const {
    std::vector<Row> out;
    const ListEntry* current = m_window.currentRow();
    QSet<QString> selected;
    for (const ListEntry* row : m_window.selectedRows())
        selected.insert(row->key);
    const std::vector<const ListEntry*> shown = m_window.shownRows();
    out.reserve(shown.size());
    QSet<QString> taken;
    const auto add = [&](const ListEntry* row) {
        taken.insert(row->key);
        out.push_back({row->key, row->kind, cellText(*row, Col::Name), selected.contains(row->key),
                       row == current});
    };
    for (const ListEntry* row : shown)
        add(row);
    for (const ListEntry& row : m_window.rows().entries()) // those the filter hides
        if (!taken.contains(row.key)) add(&row);
    return out;
}

QString WindowTagHost::currentFolder() const {
    return m_window.folder();
}

bool WindowTagHost::refreshRow(const QString& key) {
    if (!m_window.findRow(key)) return false;
    m_window.updateFileItem(key);
    // The file kept its time and often its size, which is all the details cache goes by:
    // it must learn the new tag now or would show the old one next time.
    if (keepModificationTimes()) m_window.detailsChanged(key);
    return true;
}

bool WindowTagHost::keepModificationTimes() const {
    return m_window.command(QStringLiteral("mnuKeepTimes"))->isChecked();
}

HistoryStore* WindowTagHost::history() const {
    return m_window.history().store();
}

void WindowTagHost::recorded() {
    m_window.history().recorded();
}

TagWriteOptions WindowTagHost::tagWriteOptions() const {
    return m_window.tagWriteOptions();
}

bool WindowTagHost::keepOtherTagsInStep() const {
    return m_window.readsAllTags();
}

void Form1::editTagsCommand() {
    const int mp3s = getMP3SelCount();
    if (mp3s == 0) return;
    WindowTagHost host(*this);
    if (mp3s == 1) {
        frmTags dialog(host, *m_prompter, this);
        if (dialog.load()) dialog.exec();
    } else {
        frmBatchTags dialog(host, *m_prompter, this);
        dialog.exec();
    }
    refitAfterEdits();
}

// New titles and artists may be longer than the old: columns still fitted by the program fit
// them, as after a listing.
void Form1::refitAfterEdits() {
    if (!m_columnsSaved && !m_fittedWidths.empty()) fitColumns(true);
}

void Form1::editWavCommand() {
    selectOnly();
    WindowTagHost host(*this);
    frmWAV dialog(host, *m_prompter, this);
    if (dialog.load()) dialog.exec();
    refitAfterEdits();
}

void Form1::wavHeadersCommand() {
    if (const ListEntry* row = currentRow(); row && row->kind == RowKind::WAV) editWavCommand();
}

} // namespace tunewalk
