// Rename from Tags and Tags from File Names: the selected files renamed by a pattern over their
// tags, or tagged by a pattern over their names, each run one entry of the history.
#include "app/window/Form1.h"

#include "app/history/UndoHistory.h"
#include "app/listing/FolderModel.h"
#include "app/playback/Playback.h"
#include "common/NativePath.h"
#include "common/PathRules.h"
#include "fileops/FileMoves.h"
#include "history/FileChanges.h"
#include "history/Recording.h"
#include "metadata/dialogs/frmRenameFromTags.h"
#include "metadata/dialogs/frmTagsFromNames.h"
#include "metadata/tags/TagSaving.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLocale>

namespace tunewalk {

// The selected rows' files, in display order; folders are no part of it.
QStringList Form1::selectedFiles() const {
    QStringList paths;
    for (const ListEntry* row : selectedRows())
        if (row->isFile()) paths << row->key;
    return paths;
}

void Form1::renameFromTagsCommand() {
    const QStringList paths = selectedFiles();
    if (paths.isEmpty()) return;
    frmRenameFromTags dialog(paths, detailOptions().codePage, m_settings, this);
    if (dialog.exec() == QDialog::Accepted) renameFiles(dialog.renames());
}

// Every rename planned and written ahead as one entry, then made one by one; a file that cannot
// be renamed (gone, or its new name taken since the preview) is named at the end, and the rest
// go on.
void Form1::renameFiles(const std::vector<std::pair<QString, QString>>& renames) {
    if (renames.empty()) return;
    const QString description = renames.size() == 1
                                    ? tr("Rename \"%1\" to \"%2\"")
                                          .arg(displayPath(fileNamePart(renames.front().first)),
                                               displayPath(fileNamePart(renames.front().second)))
                                    : tr("Rename %1 files from their tags")
                                          .arg(QLocale().toString(qsizetype(renames.size())));
    history::Recording recording(m_history->store(), HistoryStore::EntryKind::RenameFromTags,
                                 description);
    for (const auto& [from, to] : renames)
        recording.plan(history::move(HistoryStore::ChangeKind::Rename, from, to));
    recording.begin();
    QStringList errors;
    for (std::size_t i = 0; i < renames.size(); ++i) {
        const auto& [from, to] = renames[i];
        const MoveOutcome outcome = moveItem(from, to);
        if (!outcome.ok) {
            errors << outcome.lines();
            continue;
        }
        recording.made(i);
        m_model->rekey(from, to);
        followCurrentFile(from, to);
    }
    endRecording(recording);
    if (const QString playing = m_playback->currentFile(); findRow(playing))
        panelCurrent->setText(currentText(playing));
    refitAfterEdits();
    if (!errors.isEmpty()) showFileError(errors.join(QLatin1Char('\n')));
}

void Form1::tagsFromNamesCommand() {
    const QStringList paths = selectedFiles();
    if (paths.isEmpty()) return;
    frmTagsFromNames dialog(paths, detailOptions().codePage, m_settings, this);
    if (dialog.exec() != QDialog::Accepted) return;
    const std::vector<TagSaveRequest> requests = dialog.requests();
    if (requests.empty()) return;
    const QString description = requests.size() == 1
                                    ? tr("Tags of \"%1\" from its name")
                                          .arg(displayPath(fileNamePart(requests.front().path)))
                                    : tr("Tags of %1 files from their names")
                                          .arg(QLocale().toString(qsizetype(requests.size())));
    const bool keepTimes = ui.mnuKeepTimes->isChecked();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const TagSaveOutcome outcome =
        saveTags(HistoryPlace{m_history->store(), {}}, HistoryStore::EntryKind::TagsFromNames,
                 description, requests, tagWriteOptions(), keepTimes);
    QApplication::restoreOverrideCursor();
    for (const QString& path : outcome.savedPaths) {
        if (!findRow(path)) continue;
        updateFileItem(path);
        // A file that kept its time, and often its size, would show its old tags next time:
        // the details cache goes by those.
        if (keepTimes) detailsChanged(path);
    }
    if (outcome.historyId) m_history->recorded();
    refitAfterEdits();
    if (!outcome.ok())
        showFileError(
            tr("These files were not tagged:\n\n%1").arg(outcome.failures.join(QLatin1Char('\n'))));
}

} // namespace tunewalk
