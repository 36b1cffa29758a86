// Playback: the current file, handing files to the player, what happens when one ends, Next
// and Previous, and the player's reports turned into the window's state.
#include "app/Form1.h"

#include "app/ListRow.h"
#include "app/MediaPlayer.h"
#include "app/PlayerPanel.h"
#include "common/NativePath.h"
#include "common/PathRules.h"
#include "shell/Prompter.h"
#include "shell/TrayIcon.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTreeWidget>
#include <algorithm>

namespace tunewalk {

namespace {
// Near the start of a file the toolbar's "Previous" goes to the previous file; later it
// restarts the file.
constexpr double RestartThresholdSeconds = 0.7;
constexpr int VolumeStep = 100;
} // namespace

void Form1::connectPlayback() {
    Timer4.setInterval(1);
    connect(&Timer4, &QTimer::timeout, this, [this] {
        if (!pauseOnStart) return;
        pauseOnStart = false;
        m_player->pause();
    });
    connect(m_player, &MediaPlayer::stateChanged, this, &Form1::onPlayerStateChanged);
    connect(m_player, &MediaPlayer::error, this, &Form1::onPlayerError);
    connect(m_player, &MediaPlayer::positionChanged, this, [this](double seconds) {
        MediaPlayer1->showPosition(static_cast<qint64>(seconds),
                                   static_cast<qint64>(m_player->duration()));
    });
    connect(MediaPlayer1, &PlayerPanel::seekRequested, this, [this](qint64 seconds) {
        if (!m_player->fileName().isEmpty()) m_player->setPosition(static_cast<double>(seconds));
    });
    connect(mnuVolume, &QMenu::aboutToShow, this, &Form1::prepareVolumeMenu);
}

QString Form1::currentText(const QString& key) const {
    if (const ListRow* row = findRow(key)) {
        const QString& track = row->cell(Col::Track);
        if (!track.isEmpty() && track != QLatin1String("(unknown)")) return track;
    }
    return displayPath(fileNamePart(key));
}

void Form1::setTrayTip(const QString& text) {
    m_tray->setToolTip(text);
    emit playbackChanged();
}

void Form1::setRowIconFromTag(const QString& key) {
    if (ListRow* row = findRow(key)) row->setIconKey(row->fileIconKey());
}

void Form1::playItem(QString key, bool force) {
    if (key.isEmpty()) {
        const ListRow* row = currentRow();
        if (!row) return;
        key = row->key;
    }
    const QString previous = currentFile;
    currentFile = key;
    openingFile = true;
    stopRequested = false;
    m_player->setAutoStart(true);

    if (isPaused) {
        if (key != previous) {
            if (!force) pauseOnStart = true;
            m_player->open(key);
        } else if (force) {
            m_player->play();
        }
    } else if (isPlaying) {
        if (key != previous || m_player->fileName() != key) m_player->open(key);
    } else {
        m_player->open(key);
    }
    openingFile = false;

    // A report that arrived while the file opened may have made another file current.
    if (currentFile != key) return;
    if (ListRow* row = findRow(key)) row->setIconKey(QStringLiteral("Playing"));
    const QString text = currentText(key);
    panelCurrent->setText(text);
    if (isMinimized()) setWindowTitle(text);
    if (!previous.isEmpty() && previous != key) setRowIconFromTag(previous);
    setTrayTip(tr("Playing: ") + text);
}

void Form1::requestStop() {
    stopRequested = true;
    m_player->stop();
}

void Form1::stopPlayback() {
    m_player->setAutoStart(false);
    m_player->unload();
    Timer4.stop();
    pauseOnStart = false;
    MediaPlayer1->showPosition(0, 0);
    if (!currentFile.isEmpty()) setRowIconFromTag(currentFile);
    currentFile.clear();
    panelCurrent->setText(tr("(none)"));
    if (isMinimized()) setWindowTitle(Prompter::caption());
    isPlaying = false;
    isPaused = false;
    setTrayTip(tr("Stopped"));
    updateCommandStates(false);
    if (ListRow* row = currentRow()) handleRowClick(row);
}

void Form1::markPlaying() {
    isPlaying = true;
    isPaused = false;
    updateCommandStates(false);
}

void Form1::onPlayerStateChanged(int /*oldState*/, int newState) {
    const double position = m_player->position();
    if (newState == MediaPlayer::Stopped) {
        if (stopRequested || position == 0) {
            stopPlayback();
        } else if (mnuAll->isChecked()) {
            // The file played to its end: on to the next row.
            isPlaying = false;
            isPaused = false;
            playNext(m_player->fileName(), true);
        } else if (mnuRepeat->isChecked()) {
            m_player->setAutoStart(false);
            m_player->unload();
            playItem(currentFile, true);
        } else {
            stopPlayback();
        }
    } else if (newState == MediaPlayer::Paused) {
        isPaused = true;
        updateCommandStates(false);
        setTrayTip(tr("Paused: ") + panelCurrent->text());
    } else if (newState == MediaPlayer::Playing) {
        if (pauseOnStart) {
            Timer4.start();
        } else {
            markPlaying();
            setTrayTip(tr("Playing: ") + panelCurrent->text());
        }
    }
}

void Form1::onPlayerError(quint32 code, const QString& description) {
    m_prompter->message(QString::number(code, 16).toUpper() + QStringLiteral(": ") + description,
                        Prompter::Icon::Critical, Prompter::Buttons::Ok);
    stopPlayback();
}

void Form1::stepTo(ListRow* from, int offset) {
    from->setIconKey(from->fileIconKey());
    const int index = ListView1->indexOfTopLevelItem(from) + offset;
    auto* next = static_cast<ListRow*>(ListView1->topLevelItem(index));
    if (!next) return;
    ListView1->setCurrentItem(next);
    handleRowClick(next);
    ListView1->scrollToItem(next);
    selectOnly();
    playItem(QString(), false);
}

void Form1::playNext(const QString& key, bool automatic) {
    ListRow* row = findRow(key);
    if (!row) {
        stopPlayback();
        return;
    }
    const bool last = ListView1->indexOfTopLevelItem(row) == ListView1->topLevelItemCount() - 1;
    if (last) {
        if (!automatic) return; // Next on the last row does nothing
        if (mnuRepeat->isChecked()) {
            selectFirstAudio(true);
        } else {
            row->setIconKey(row->fileIconKey());
            stopPlayback();
            selectFirstAudio(false);
        }
        return;
    }
    if (!openingFile) stepTo(row, 1);
}

void Form1::playPrevious(const QString& key) {
    ListRow* row = findRow(key);
    if (!row) {
        stopPlayback();
        return;
    }
    const int index = ListView1->indexOfTopLevelItem(row);
    if (index == 0 || openingFile) return;
    if (static_cast<ListRow*>(ListView1->topLevelItem(index - 1))->opensAsFolder()) return;
    stepTo(row, -1);
}

void Form1::selectFirstAudio(bool play) {
    ListRow* first = nullptr;
    for (int i = 0, n = ListView1->topLevelItemCount(); i < n && !first; ++i) {
        auto* row = static_cast<ListRow*>(ListView1->topLevelItem(i));
        if (row->isFile()) first = row;
    }
    if (!first) return;
    ListView1->setCurrentItem(first);
    handleRowClick(first);
    ListView1->scrollToItem(first);
    if (play)
        mnuPlay->trigger();
    else
        selectOnly();
}

void Form1::playCommand() {
    const ListRow* row = currentRow();
    // Drive and special rows are no files either: they start the list like a folder row does.
    if (!row || !row->isFile()) {
        if (!isPlaying)
            selectFirstAudio(true);
        else if (isPaused)
            m_player->play();
        return;
    }
    playItem(QString(), true);
}

void Form1::pauseCommand() {
    if (!isPlaying) return;
    if (isPaused)
        m_player->play();
    else
        m_player->pause();
}

void Form1::stopCommand() {
    if (isPlaying) requestStop();
}

void Form1::restartOrPrevious() {
    const int state = m_player->playState();
    if (!isPlaying || (state != MediaPlayer::Playing && state != MediaPlayer::Paused &&
                       state != MediaPlayer::Closed))
        return;
    if (state == MediaPlayer::Closed || m_player->position() <= RestartThresholdSeconds)
        playPrevious(currentFile);
    else
        m_player->setPosition(0);
}

void Form1::prepareVolumeMenu() {
    const int volume = m_player->volume();
    volumeUp->setEnabled(volume < MediaPlayer::FullVolume);
    volumeDown->setEnabled(volume >= MediaPlayer::SilentVolume + 1);
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
