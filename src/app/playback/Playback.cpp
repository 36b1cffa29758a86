#include "app/playback/Playback.h"

#include "app/playback/MediaPlayer.h"

namespace tunewalk {

Playback::Playback(MediaPlayer& player, QObject* parent) : QObject(parent), m_player(player) {
    m_pauseTimer.setSingleShot(true);
    m_pauseTimer.setInterval(1);
    connect(&m_pauseTimer, &QTimer::timeout, this, [this] {
        if (!m_pauseOnStart) return;
        m_pauseOnStart = false;
        m_player.pause();
    });
    connect(&m_player, &MediaPlayer::stateChanged, this,
            [this](int, int newState) { onStateChanged(newState); });
    connect(&m_player, &MediaPlayer::handedOver, this, [this](const QString& path) {
        m_handedOver = path;
        emit handedOver(path);
    });
    connect(&m_player, &MediaPlayer::switched, this, [this](const QString& path) {
        const QString from = m_currentFile;
        m_currentFile = path;
        if (m_handedOver == path) m_handedOver.clear();
        m_playing = true;
        m_paused = false;
        emit switched(from, path);
    });
}

void Playback::setNextFile(const QString& after, const QString& key) {
    m_player.setNextFile(after, key);
}

void Playback::open(const QString& key, bool force) {
    const QString previous = m_currentFile;
    m_handedOver.clear(); // the player forgets it with the file it followed
    m_currentFile = key;
    m_opening = true;
    m_stopRequested = false;
    m_player.setAutoStart(true);
    if (m_paused) {
        if (key != previous) {
            if (!force) m_pauseOnStart = true;
            m_player.open(key);
        } else if (force) {
            m_player.play();
        }
    } else if (m_playing) {
        if (key != previous || m_player.fileName() != key) m_player.open(key);
    } else {
        m_player.open(key);
    }
    m_opening = false;
}

void Playback::requestStop() {
    m_stopRequested = true;
    m_player.stop();
}

void Playback::unload() {
    m_handedOver.clear();
    m_player.setAutoStart(false);
    m_player.unload();
    m_pauseTimer.stop();
    m_pauseOnStart = false;
    m_currentFile.clear();
    m_playing = false;
    m_paused = false;
}

void Playback::resume() {
    m_player.play();
}

void Playback::togglePause() {
    if (!m_playing) return;
    if (m_paused)
        m_player.play();
    else
        m_player.pause();
}

void Playback::onStateChanged(int newState) {
    if (newState == MediaPlayer::Stopped) {
        if (m_stopRequested || m_player.position() == 0) {
            emit ended();
        } else if (m_playAll) {
            m_playing = false;
            m_paused = false;
            emit advance(m_player.fileName());
        } else if (m_repeat) {
            m_player.setAutoStart(false);
            m_player.unload();
            emit again(m_currentFile);
        } else {
            emit ended();
        }
    } else if (newState == MediaPlayer::Paused) {
        m_paused = true;
        emit paused();
    } else if (newState == MediaPlayer::Playing) {
        if (m_pauseOnStart) {
            m_pauseTimer.start();
        } else {
            m_playing = true;
            m_paused = false;
            emit playing();
        }
    }
}

} // namespace tunewalk
