// The Edit menu: Undo and Redo of the last change to files, and the History window.
#include "app/window/Form1.h"
#include "common/ReturnAddress.h"

#include "app/history/UndoHistory.h"
#include "app/history/frmHistory.h"
#include "app/listing/ListEntry.h"
#include "common/NativePath.h"
#include "common/PathRules.h"
#include "fileops/FileMoves.h"
#include "history/FileChanges.h"
#include "history/Recording.h"
#include "history/Undo.h"
#include "shell/Prompter.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTreeView>
#include <filesystem>

namespace tunewalk {

namespace {
// A description as a menu item's text: an ampersand in a file name is no mnemonic.
QString menuText(const QString& description) {
    QString text = description;
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}
} // namespace

void Form1::createEditMenu() {
    ui.mnuEdit = menuBar()->addMenu(tr("&Edit"));
    ui.mnuUndo = ui.mnuEdit->addAction(tr("&Undo"), this, &Form1::undoCommand);
    ui.mnuUndo->setShortcut(QKeySequence::Undo);
    ui.mnuRedo = ui.mnuEdit->addAction(tr("&Redo"), this, &Form1::redoCommand);
    ui.mnuRedo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    ui.mnuEdit->addSeparator();
    ui.mnuHistory = ui.mnuEdit->addAction(tr("&History..."), this, &Form1::historyCommand);
    ui.mnuHistory->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    // The history may have changed in another program (tunewalk-tag): read it when the menu
    // opens, not only when this window records.
    connect(ui.mnuEdit, &QMenu::aboutToShow, this, &Form1::updateEditMenu);
}

void Form1::updateEditMenu() {
    if (!m_history || !ui.mnuUndo) return;
    const bool idle = !m_history->busy();
    const auto undo = m_history->undoTarget();
    const auto redo = m_history->redoTarget();
    ui.mnuUndo->setText(undo ? tr("&Undo %1").arg(menuText(undo->description)) : tr("&Undo"));
    ui.mnuRedo->setText(redo ? tr("&Redo %1").arg(menuText(redo->description)) : tr("&Redo"));
    ui.mnuUndo->setEnabled(idle && undo.has_value());
    ui.mnuRedo->setEnabled(idle && redo.has_value());
    ui.mnuHistory->setEnabled(m_history->store() != nullptr);
}

void Form1::undoCommand() {
    if (const auto entry = m_history->undoTarget(); entry && !m_history->busy())
        m_history->undo(entry->id);
}

void Form1::redoCommand() {
    if (const auto entry = m_history->redoTarget(); entry && !m_history->busy())
        m_history->redo(entry->id);
}

void Form1::historyCommand() {
    if (!m_history->store()) return;
    if (!m_historyWindow) {
        m_historyWindow = new frmHistory(*m_history, this);
        m_historyWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_historyWindow->show();
    m_historyWindow->raise();
    m_historyWindow->activateWindow();
}

void Form1::showUndone(const UndoHistory::Touched& touched) {
    // Folders that came or went change the tree; the listed folder is read again whole.
    for (const QString& folder : touched.folders)
        Treefolder1->AddNode(parentPath(folder), fileNamePart(folder));
    for (const QString& place : touched.gone)
        Treefolder1->RemoveNode(place);
    // The details cache goes by size and time, which an undo puts back as they were.
    for (const QString& file : touched.rewritten)
        if (isListedFolder(parentPath(file))) detailsChanged(file);
    if (dirCurrent != DrivesKey && !itemExists(dirCurrent)) {
        // The listed folder itself was taken back: its parent is shown instead.
        Treefolder1->SetPath(parentPath(dirCurrent));
        return;
    }
    const QString current = currentRow() ? currentRow()->key : QString();
    ui.mnuRefresh->trigger();
    if (const QModelIndex index = viewIndex(current); index.isValid())
        ListView1->setCurrentIndex(index);
}

MoveOutcome Form1::renameRecorded(const QString& oldPath, const QString& newPath) {
    history::Recording recording(
        m_history->store(), HistoryStore::EntryKind::Rename,
        tr("Rename \"%1\" to \"%2\"")
            .arg(displayPath(fileNamePart(oldPath)), displayPath(fileNamePart(newPath))));
    recording.plan(history::move(HistoryStore::ChangeKind::Rename, oldPath, newPath));
    recording.begin();
    const MoveOutcome outcome = moveItem(oldPath, newPath);
    if (outcome.ok) recording.made(0);
    endRecording(recording);
    return outcome;
}

bool Form1::createFolderRecorded(const QString& path, std::error_code& error) {
    history::Recording recording(m_history->store(), HistoryStore::EntryKind::NewFolder,
                                 tr("New folder \"%1\"").arg(displayPath(fileNamePart(path))));
    history::Change change;
    change.kind = HistoryStore::ChangeKind::NewFolder;
    change.path = path;
    recording.plan(std::move(change));
    recording.begin();
    const bool made = std::filesystem::create_directory(toFsPath(path), error);
    if (made) recording.made(0);
    endRecording(recording);
    return made;
}

void Form1::endRecording(history::Recording& recording) {
    const bool recorded = recording.recording();
    recording.finish();
    if (recorded) m_history->recorded();
}

void Form1::showHistoryWritten(bool written) {
    panelHistory->setText(
        tr("The change history cannot be written: changes made now cannot be undone."));
    panelHistory->setVisible(!written);
}

void Form1::reportHistoryAtStart() {
    // Jobs begin their records on their own threads: the note is posted to this one.
    history::Recording::setWrittenListener(this, [this, back = m_back](bool written) {
        back->post([this, written] { showHistoryWritten(written); });
    });
    if (!m_history->store()) showHistoryWritten(false);
    if (const auto aside = m_history->takeSetAsideNotice())
        m_prompter->message(tr("The change history was damaged and has been set aside as "
                               "\"%1\"; a new one was started. Changes made before now cannot "
                               "be undone.")
                                .arg(displayPath(*aside)),
                            Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
    const auto cut = m_history->recover();
    if (cut.empty()) return;
    QStringList lines;
    bool finishable = false;
    for (const HistoryStore::Record& r : cut) {
        const history::Tally now = history::tally(r.changes);
        const QString& what = r.entry.description;
        if (!now.toMake && !now.split) {
            lines << (now.made == 1 ? tr("\"%1\": 1 file changed").arg(what)
                                    : tr("\"%1\": %2 files changed").arg(what).arg(now.made));
            continue;
        }
        // A move cut short: what moved, what did not, and what is half-way.
        finishable = true;
        const int whole = now.made + now.toMake;
        if (whole) {
            QString line = tr("\"%1\": %2 of %3 items moved").arg(what).arg(now.made).arg(whole);
            if (now.split) line += tr(", %1 more in part").arg(now.split);
            lines << line;
            continue;
        }
        // One item half-way across drives: its files, there and still in their place.
        history::SplitFiles files;
        for (const HistoryStore::Change& c : r.changes)
            if (c.kind == HistoryStore::ChangeKind::Split) {
                const history::SplitFiles one = history::splitFiles(c);
                files.all += one.all;
                files.atTarget += one.atTarget;
                files.inPlace += one.inPlace;
            }
        lines << tr("\"%1\": cut short half-way, %2 of %3 files at the target and %4 still in "
                    "their place")
                     .arg(what)
                     .arg(files.atTarget)
                     .arg(files.all)
                     .arg(files.inPlace);
    }
    m_prompter->message(tr("The program stopped while these actions ran:\n\n%1\n\n")
                                .arg(lines.join(QLatin1Char('\n'))) +
                            (finishable ? tr("The files they had changed are listed in Edit > "
                                             "History, where they can be undone, or finished "
                                             "with Redo.")
                                        : tr("The files they had changed are listed in Edit > "
                                             "History, where they can be undone.")),
                        Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
}

} // namespace tunewalk
