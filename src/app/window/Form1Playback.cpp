// Playback: the current file, handing files to the player, what happens when one ends, Next
// and Previous, and the player's reports turned into the window's state.
#include "app/window/Form1.h"

#include "app/listing/FolderModel.h"
#include "app/listing/FolderSortModel.h"
#include "app/playback/CoverArt.h"
#include "app/playback/MediaControlsBridge.h"
#include "app/playback/MediaPlayer.h"
#include "app/playback/PlayList.h"
#include "app/playback/Playback.h"
#include "app/window/PlayerPanel.h"
#include "common/NativePath.h"
#include "common/PathRules.h"
#include "common/SettingsStore.h"
#include "shell/Prompter.h"
#include "shell/TrayIcon.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QTreeView>
#include <algorithm>

namespace tunewalk {

namespace {
// Near the start of a file the toolbar's "Previous" goes to the previous file; later it
// restarts the file.
constexpr double RestartThresholdSeconds = 0.7;
constexpr int VolumeStep = 100;
} // namespace

void Form1::connectPlayback() {
    connect(ui.mnuAll, &QAction::toggled, m_playback, &Playback::setPlayAll);
    connect(ui.mnuRepeat, &QAction::toggled, m_playback, &Playback::setRepeat);
    connect(m_playback, &Playback::playing, this, [this] {
        m_failedInARow.clear();
        updateCommandStates(false);
        setTrayTip(tr("Playing: ") + panelCurrent->text());
    });
    connect(m_playback, &Playback::paused, this, [this] {
        updateCommandStates(false);
        setTrayTip(tr("Paused: ") + panelCurrent->text());
    });
    connect(m_playback, &Playback::advance, this,
            [this](const QString& key) { playNext(key, true); });
    connect(m_playback, &Playback::again, this,
            [this](const QString& key) { playItem(key, true); });
    connect(m_playback, &Playback::ended, this, &Form1::stopPlayback);
    connect(m_player, &MediaPlayer::error, this, &Form1::onPlayerError);
    connect(m_player, &MediaPlayer::positionChanged, this, [this](double seconds) {
        MediaPlayer1->showPosition(static_cast<qint64>(seconds),
                                   static_cast<qint64>(m_player->duration()));
    });
    connect(MediaPlayer1, &PlayerPanel::seekRequested, this, [this](qint64 seconds) {
        if (!m_player->fileName().isEmpty()) m_player->setPosition(static_cast<double>(seconds));
    });
    connect(ui.mnuVolume, &QMenu::aboutToShow, this, &Form1::prepareVolumeMenu);
    connect(MediaPlayer1, &PlayerPanel::volumeRequested, this, [this](int percent) {
        m_player->setVolume(MediaPlayer::volumeFromPercent(percent));
        m_player->setMuted(false); // as the menu's Up and Down do
        emit playbackChanged();
    });
    connect(MediaPlayer1, &PlayerPanel::muteRequested, this, [this](bool on) {
        m_player->setMuted(on);
        emit playbackChanged();
    });
    // Every change of the volume, from the panel, the menu or the desktop's media controls,
    // is announced as a change of playback; the panel follows the player from there.
    connect(this, &Form1::playbackChanged, this, &Form1::followVolume);
    // The cover of the file that plays, read off the window thread: the file may be on a slow
    // share.
    auto* covers = new CoverLoader(this);
    connect(this, &Form1::playbackChanged, covers,
            [this, covers] { covers->follow(m_playback->currentFile()); });
    connect(covers, &CoverLoader::changed, this, [this, covers] {
        MediaPlayer1->showCover(covers->image());
        emit playbackChanged();
    });
    // What the desktop's media controls show.
    connect(this, &Form1::playbackChanged, this, [this, covers] {
        Playback::Shown shown;
        shown.title = panelCurrent->text();
        if (const ListEntry* row = findRow(m_playback->currentFile())) {
            shown.artist = row->details.artist;
            shown.album = row->details.tagTexts().album;
            shown.albumArtist = row->details.tagTexts().albumArtist;
            shown.trackNumber = row->details.track;
        }
        if (covers->file() == m_playback->currentFile() && !covers->copy().isEmpty())
            shown.artUrl = fileUrl(covers->copy()).toString(QUrl::FullyEncoded);
        shown.canPlay = ui.mnuPlayFile->isEnabled();
        shown.canGoNext = ui.mnuNext->isEnabled();
        shown.canGoPrevious = ui.mnuPrevious->isEnabled();
        m_playback->setShown(std::move(shown));
    });
    connect(MediaPlayer1->volumeSlider(), &QSlider::sliderReleased, this, &Form1::rememberVolume);
}

QString Form1::currentText(const QString& key) const {
    if (const ListEntry* row = findRow(key); row && row->details.hasTitle())
        return row->details.title;
    // A file of the playing folder, kept while another one is listed.
    if (const QString title = m_keptList ? m_keptList->titleOf(key) : QString(); !title.isEmpty())
        return title;
    return displayPath(fileNamePart(key));
}

void connectMediaControls(Form1& window, DesktopMediaControls& controls) {
    Form1* w = &window;
    MediaCommands commands;
    commands.play = [w] { w->playCommand(); };
    commands.pause = [w] { w->pauseCommand(); };
    commands.stop = [w] { w->stopCommand(); };
    commands.next = [w] { w->command(QStringLiteral("mnuNext"))->trigger(); };
    commands.previous = [w] { w->restartOrPrevious(); };
    commands.raise = [w] { w->raiseFromAnotherStart(); };
    commands.quit = [w] { w->close(); };
    commands.volumeChanged = [w] { emit w->playbackChanged(); };
    emit window.playbackChanged(); // what shows now
    bridgeMediaControls(window.playback(), commands, controls);
}

void Form1::setTrayTip(const QString& text) {
    m_tray->setToolTip(text);
    emit playbackChanged();
}

void Form1::playItem(QString key, bool force) {
    if (key.isEmpty()) {
        const ListEntry* row = currentRow();
        if (!row) return;
        key = row->key;
    }
    const QString previous = m_playback->currentFile();
    m_playback->open(key, force);
    // A report that arrived while the file opened may have made another file current.
    if (m_playback->currentFile() != key) return;
    m_model->setPlayingKey(key);
    const QString text = currentText(key);
    panelCurrent->setText(text);
    if (isMinimized()) setWindowTitle(text);
    setTrayTip(tr("Playing: ") + text);
}

void Form1::stopPlayback() {
    m_playback->unload();
    m_keptList.reset();
    MediaPlayer1->showPosition(0, 0);
    m_model->setPlayingKey({});
    panelCurrent->setText(tr("(none)"));
    if (isMinimized()) setWindowTitle(Prompter::caption());
    setTrayTip(tr("Stopped"));
    updateCommandStates(false);
    if (const ListEntry* row = currentRow()) handleRowClick(row);
}

void Form1::onPlayerError(quint32 code, const QString& description) {
    // The player names the file it failed on: the next one, when it failed on the way in.
    const QString file =
        m_player->fileName().isEmpty() ? m_playback->currentFile() : m_player->fileName();
    if (skipFailedFile(file, description)) return;
    QString text = QString::number(code, 16).toUpper() + QStringLiteral(": ") + description;
    // The player's own words seldom say which file they are about.
    if (!file.isEmpty()) text += tr("\n\nFile: %1").arg(displayPath(file));
    m_prompter->message(text, Prompter::Icon::Critical, Prompter::Buttons::Ok);
    stopPlayback();
}

// Next and Previous go by the rows shown: a row the filter hides is skipped, though the file
// playing may be one. A file of the playing folder kept while another is listed plays without
// touching the list.
void Form1::stepTo(const QString& key, bool automatic) {
    const QString from = m_playback->currentFile();
    m_model->setPlayingKey({});
    const QModelIndex index = viewIndex(key);
    if (index.isValid() && (!automatic || selectionFollowsPlaying(from))) {
        ListView1->setCurrentIndex(index);
        handleRowClick(rowAt(index));
        ListView1->scrollTo(index);
        selectOnly();
    }
    playItem(key, false);
}

void Form1::playNext(const QString& key, bool automatic) {
    const PlayList* list = playingList(key);
    if (!list) {
        stopPlayback();
        return;
    }
    const QString next = list->neighbour(key, 1);
    if (next.isEmpty()) {       // the last row shown
        if (!automatic) return; // Next on the last row does nothing
        const bool listed = findRow(key) != nullptr;
        if (ui.mnuRepeat->isChecked()) {
            if (listed)
                selectFirstAudio(true);
            else if (const QString first = list->firstFile(); !first.isEmpty())
                playItem(first, true);
        } else {
            stopPlayback();
            if (listed) selectFirstAudio(false);
        }
        return;
    }
    if (!m_playback->isOpening()) stepTo(next, automatic);
}

void Form1::playPrevious(const QString& key) {
    const PlayList* list = playingList(key);
    if (!list) {
        stopPlayback();
        return;
    }
    const QString previous = list->neighbour(key, -1);
    if (previous.isEmpty() || m_playback->isOpening() || list->opensAsFolder(previous)) return;
    stepTo(previous, false);
}

void Form1::selectFirstAudio(bool play) {
    int first = 0;
    for (const int n = m_sortModel->rowCount(); first < n; ++first)
        if (m_sortModel->entryAt(first).isFile()) break;
    if (first >= m_sortModel->rowCount()) return;
    const QModelIndex index = m_sortModel->index(first, 0);
    ListView1->setCurrentIndex(index);
    handleRowClick(rowAt(index));
    ListView1->scrollTo(index);
    if (play)
        ui.mnuPlay->trigger();
    else
        selectOnly();
}

void Form1::playCommand() {
    const ListEntry* row = currentRow();
    // Drive and special rows are no files either: they start the list like a folder row does.
    if (!row || !row->isFile()) {
        if (!m_playback->isPlaying())
            selectFirstAudio(true);
        else if (m_playback->isPaused())
            m_playback->resume();
        return;
    }
    playItem(QString(), true);
}

void Form1::pauseCommand() {
    m_playback->togglePause();
    // A click checks the button at once; it shows the player's state, told when it changes.
    showPauseState();
}

void Form1::stopCommand() {
    if (m_playback->isPlaying()) m_playback->requestStop();
}

void Form1::restartOrPrevious() {
    const int state = m_player->playState();
    if (!m_playback->isPlaying() || (state != MediaPlayer::Playing &&
                                     state != MediaPlayer::Paused && state != MediaPlayer::Closed))
        return;
    if (state == MediaPlayer::Closed || m_player->position() <= RestartThresholdSeconds)
        playPrevious(m_playback->currentFile());
    else
        m_player->setPosition(0);
}

void Form1::prepareVolumeMenu() {
    const int volume = m_player->volume();
    ui.volumeUp->setEnabled(volume < MediaPlayer::FullVolume);
    ui.volumeDown->setEnabled(volume >= MediaPlayer::SilentVolume + 1);
}

void Form1::applyVolumeSettings() {
    bool ok = false;
    const int percent = setting(QStringLiteral("Volume"), QStringLiteral("100")).toInt(&ok);
    m_savedVolume = ok && percent >= 0 && percent <= 100 ? percent : 100;
    m_savedMute = setting(QStringLiteral("Mute"), QStringLiteral("False")) == QLatin1String("True");
    m_player->setVolume(MediaPlayer::volumeFromPercent(m_savedVolume));
    m_player->setMuted(m_savedMute);
    emit playbackChanged(); // the panel and the desktop's media controls show it
}

void Form1::followVolume() {
    MediaPlayer1->showVolume(MediaPlayer::percentFromVolume(m_player->volume()),
                             m_player->isMuted());
    // Not on every step of a drag: the release saves where it ended.
    if (!MediaPlayer1->volumeSlider()->isSliderDown()) rememberVolume();
}

void Form1::rememberVolume() {
    const int percent = MediaPlayer::percentFromVolume(m_player->volume());
    const bool muted = m_player->isMuted();
    if (percent != m_savedVolume) {
        m_savedVolume = percent;
        m_settings->save(SettingsStore::Settings, QStringLiteral("Volume"),
                         QString::number(percent));
        reportSettingsFailure();
    }
    if (muted != m_savedMute) {
        m_savedMute = muted;
        saveToggle(QStringLiteral("Mute"), muted);
    }
}

void Form1::volumeUpCommand() {
    m_player->setVolume(std::min(m_player->volume() + VolumeStep, MediaPlayer::FullVolume));
    m_player->setMuted(false);
    emit playbackChanged();
}

void Form1::volumeDownCommand() {
    m_player->setVolume(std::max(m_player->volume() - VolumeStep, MediaPlayer::SilentVolume));
    m_player->setMuted(false);
    emit playbackChanged();
}

void Form1::muteCommand() {
    m_player->setMuted(!m_player->isMuted());
    emit playbackChanged();
}

} // namespace tunewalk
