// Export of the listing as M3U or CSV, and playing the list in an external player.
#include "app/window/Form1.h"

#include "app/listing/ListEntry.h"
#include "app/listing/ListingExport.h"
#include "common/ResultText.h"
#include "shell/Prompter.h"
#include "shell/ShellOperations.h"

#include <QDir>
#include <QFileInfo>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>

namespace tunewalk {

namespace {
// The exports write what the list shows: with a filter on, the rows it leaves.
bool holdsAudio(const std::vector<const ListEntry*>& rows) {
    return std::any_of(rows.begin(), rows.end(),
                       [](const ListEntry* row) { return row->isFile(); });
}
// A playlist cannot hold a name with a line break; the user hears which files stayed out.
void tellLeftOut(const QStringList& leftOut, Prompter* prompter) {
    if (leftOut.isEmpty()) return;
    // The breaks are shown as \r and \n, so one name never reads as several.
    QStringList shown;
    for (QString name : leftOut)
        shown << name.replace(QLatin1Char('\r'), QLatin1String("\\r"))
                     .replace(QLatin1Char('\n'), QLatin1String("\\n"));
    prompter->message(Form1::tr("These files were left out of the playlist, because a playlist "
                                "cannot hold a name with a line break:\n\n%1")
                          .arg(shown.join(QLatin1Char('\n'))),
                      Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
}
// An export is UTF-8 text, which cannot spell a name that is not valid text.
void tellNotText(const QStringList& notText, Prompter* prompter) {
    if (notText.isEmpty()) return;
    prompter->message(
        Form1::tr("These files were left out because their names are not valid text:\n\n%1")
            .arg(notText.join(QLatin1Char('\n'))),
        Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
}
} // namespace

void Form1::saveListing() {
    const std::vector<const ListEntry*> rows = shownRows();
    if (rows.empty()) {
        m_prompter->message(tr("There is nothing in the current folder to export."),
                            Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
        return;
    }

    const QString m3uFilter = tr("M3U Playlist (*.m3u)");
    const QString csvFilter = tr("Comma-Separated Values (*.csv *.txt)");
    const QString m3u8Filter = tr("M3U8 Playlist (UTF-8) (*.m3u8)");
    // The drive list has no folder of its own to propose; its name alone will do.
    const QFileInfo folder(dirCurrent);
    const QString proposed = folder.isDir() && !folder.fileName().isEmpty()
                                 ? QDir(dirCurrent).filePath(folder.fileName())
                                 : dirCurrent;
    QString chosenFilter = m3uFilter;
    const QString chosen = m_prompter->saveFile(
        tr("Save Export File"), QDir::toNativeSeparators(proposed),
        m3uFilter + QStringLiteral(";;") + csvFilter + QStringLiteral(";;") + m3u8Filter,
        &chosenFilter);
    if (chosen.isEmpty()) return;

    // The format follows the filter, not the name: "list.txt" under M3U is a playlist.
    const ExportForm form = chosenFilter == csvFilter    ? ExportForm::Csv
                            : chosenFilter == m3u8Filter ? ExportForm::M3u8
                                                         : ExportForm::M3u;
    if (form != ExportForm::Csv && !holdsAudio(rows)) {
        m_prompter->message(tr("There are no files to include in the playlist."),
                            Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
        return;
    }

    QStringList leftOut, notText;
    const Result written =
        writeTextFile(withExportExtension(chosen, form),
                      form == ExportForm::Csv    ? csvText(rows, &notText)
                      : form == ExportForm::M3u8 ? m3u8Text(rows, &leftOut, &notText)
                                                 : m3uText(rows, &leftOut, &notText));
    if (!written) {
        m_prompter->message(messageText(written), Prompter::Icon::None, Prompter::Buttons::Ok);
        return;
    }
    tellLeftOut(leftOut, m_prompter);
    tellNotText(notText, m_prompter);
    m_prompter->message(tr("File saved successfully."), Prompter::Icon::Information,
                        Prompter::Buttons::Ok);
}

namespace {
// Hands the rows to whatever the desktop opens playlists with; the file stays behind for the
// player and is cleared away at a later start.
void playExternally(const std::vector<const ListEntry*>& rows, const QString& folder,
                    Prompter* prompter, ShellOperations* shell) {
    Result why = Result::ok();
    QStringList leftOut, notText;
    const QString playlist = writeTemporaryPlaylist(m3uText(rows, &leftOut, &notText), &why);
    if (playlist.isEmpty()) {
        prompter->message(messageText(why), Prompter::Icon::None, Prompter::Buttons::Ok);
        return;
    }
    tellLeftOut(leftOut, prompter);
    tellNotText(notText, prompter);
    if (!shell->openWithRegisteredProgram(playlist, folder))
        prompter->message(Form1::tr("No program is set up to open M3U playlists "
                                    "(audio/x-mpegurl, \".m3u\"). Choose one for \".m3u\" "
                                    "files in the desktop's settings, then try again."),
                          Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
}
} // namespace

void Form1::playAllExternal() {
    const std::vector<const ListEntry*> rows = shownRows();
    if (!holdsAudio(rows)) {
        m_prompter->message(tr("There are no files to include in the playlist."),
                            Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
        return;
    }
    playExternally(rows, dirCurrent, m_prompter, m_shell);
}

void Form1::playSelectedExternal() {
    if (getFileSelCount() == 0) {
        m_prompter->message(tr("There are no selected files to include in the playlist."),
                            Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
        return;
    }
    const std::vector<const ListEntry*> selected = selectedRows();
    playExternally({selected.begin(), selected.end()}, dirCurrent, m_prompter, m_shell);
}

} // namespace tunewalk
