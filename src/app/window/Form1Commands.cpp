// Command states, the settings toggles and the settings commands.
#include "app/playback/Playback.h"
#include "app/window/Form1.h"

#include "app/listing/FolderSortModel.h"
#include "app/window/GridDelegate.h"
#include "common/ResultText.h"
#include "common/SettingsStore.h"
#include "fileops/Trash.h"
#include "shell/Prompter.h"
#include "shell/frmAbout.h"
#include "shell/frmDefault.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTreeView>
#include <QTreeWidget>

namespace tunewalk {

void Form1::updateCommandStates(bool relayout) {
    if (!m_playback->isPlaying())
        playerState = 0;
    else if (ui.mnuAll->isChecked())
        playerState = m_playback->isPaused() ? 4 : 3;
    else
        playerState = m_playback->isPaused() ? 2 : 1;
    // In the list, or in the playing folder's rows kept while another folder is listed.
    currentInList = playingList(m_playback->currentFile()) != nullptr;

    // A toolbar button is shown exactly when its menu item is enabled; a tray item is enabled
    // like its main-menu twin.
    auto command = [this](QAction* menu, QAction* tray, const char* key, bool on) {
        menu->setEnabled(on);
        if (tray) tray->setEnabled(on);
        button(QLatin1String(key))->setVisible(on);
    };
    const bool loaded = playerState != 0;
    command(ui.mnuRandom, nullptr, "Random", hasAudioFiles);
    command(ui.mnuStop, ui.mnuSTStop, "Stop", loaded);
    command(ui.mnuPause, ui.mnuSTPause, "Pause", loaded);
    command(ui.mnuPlayFile, ui.mnuSTPlay, "Play",
            playerState == 2 || playerState == 4 || (playerState == 0 && hasAudioFiles));
    command(ui.mnuNext, ui.mnuSTNext, "Next", loaded && currentInList);
    command(ui.mnuPrevious, ui.mnuSTPrevious, "Previous", loaded && currentInList);
    ui.mnuShowCurrent->setEnabled(!m_playback->currentFile().isEmpty() && m_playback->isPlaying());
    showPauseState();

    const bool small = smallWindowMode;
    setToolbarFocus(small);
    button(QStringLiteral("Volume"))->setVisible(small);
    for (const char* key : {"Up", "NewFolder", "Delete", "Refresh"})
        button(QLatin1String(key))->setVisible(!small);
    if (small)
        for (const char* key : {"Random", "MoveUp", "MoveDown", "Tags", "Headers"})
            button(QLatin1String(key))->setVisible(false);
    // Hidden menus must not open from their keyboard shortcuts either.
    for (QMenu* menu :
         {ui.mnuFile, ui.mnuAudio, ui.mnuSettings, ui.mnuFavorites, ui.mnuFolder, ui.mnuHelp}) {
        if (!menu) continue;
        menu->menuAction()->setVisible(!small);
        menu->setEnabled(!small);
    }
    menuBar()->setVisible(!small);

    if (const ListEntry* row = currentRow()) handleRowClick(row);
    if (m_sortModel->rowCount() == 0)
        for (const char* key : {"Random", "MoveUp", "MoveDown", "Tags", "Headers"})
            button(QLatin1String(key))->setVisible(false);

    if (relayout) resizeHandling();
}

void Form1::showPauseState() {
    // Pause stays pressed while paused, and the status bar says so beside the file's name.
    const bool paused = m_playback->isPlaying() && m_playback->isPaused();
    for (QAction* a : {ui.mnuPause, ui.mnuSTPause, button(QStringLiteral("Pause"))})
        a->setChecked(paused);
    panelLabel->setText(paused ? tr("Paused:") : tr("Now playing:"));
}

void Form1::saveToggle(const QString& key, bool on) {
    m_settings->save(SettingsStore::Settings, key, SettingsStore::yesNo(on));
    reportSettingsFailure();
}

// Told once a run: every later change would fail the same way.
void Form1::reportSettingsFailure() {
    const Result status = m_settings->writeStatus();
    if (status || m_settingsFailureShown) return;
    m_settingsFailureShown = true;
    m_prompter->error(tr("The settings could not be saved.") + QStringLiteral("\n\n") +
                      messageText(status));
}

void Form1::onSystemTray() {
    button(QStringLiteral("Zoom"))
        ->setToolTip(ui.mnuSystemTray->isChecked() ? tr("Zoom to System Tray")
                                                   : tr("Zoom to Small Window"));
}

void Form1::onShowTree() {
    const bool on = ui.mnuShowTree->isChecked();
    Treefolder1->setVisible(on);
    lblSpacer->setVisible(on);
    resizeHandling();
}

void Form1::onGridLines() {
    m_delegate->setGridLines(ui.mnuGridLines->isChecked());
    ListView1->viewport()->update();
}

void Form1::onPermanentDelete() {
    button(QStringLiteral("Delete"))
        ->setToolTip(ui.mnuPermanentDelete->isChecked() ? tr("Delete Selected Item(s)")
                                                        : toTrashTip());
}

QString Form1::toTrashTip() const {
    // The platform's word: "Trash" on the Linux desktops.
    return tr("Send Selected Item(s) to %1").arg(trashName());
}

void Form1::showRepeat(bool on) {
    for (QAction* a : {ui.mnuRepeat, ui.mnuSTRepeat, button(QStringLiteral("Repeat"))})
        a->setChecked(on);
}

void Form1::showAll(bool on) {
    for (QAction* a : {ui.mnuAll, ui.mnuSTPlayAll, button(QStringLiteral("All"))})
        a->setChecked(on);
}

void Form1::applyRepeat(bool on) {
    showRepeat(on);
    saveToggle(QStringLiteral("Repeat"), on);
}

void Form1::applyAll(bool on) {
    showAll(on);
    saveToggle(QStringLiteral("All"), on);
    updateCommandStates(false); // the player state depends on Play All
}

void Form1::deleteAllSettings() {
    const auto answer = m_prompter->message(
        tr("Are you sure you want to delete all application settings? This includes the "
           "Favorites List and Default Folder"),
        Prompter::Icon::Question, Prompter::Buttons::YesNo);
    if (answer == Prompter::Answer::No) return;
    m_settings->deleteAll();
}

void Form1::makeCurrentFolderDefault() {
    m_settings->save(SettingsStore::Settings, QStringLiteral("DefaultPath"), dirCurrent);
    reportSettingsFailure();
}

void Form1::showDefaultDirectory() {
    frmDefault dialog(*m_settings, *m_prompter, this);
    dialog.exec();
}

void Form1::showAbout() {
    frmAbout dialog(*m_shell, *m_prompter, this);
    dialog.exec();
}

} // namespace tunewalk
