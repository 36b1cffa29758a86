#include "app/playback/QtMediaPlayer.h"

#include "common/NativePath.h"

#include <QAudioOutput>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace tunewalk {

namespace {
// What position() says at the end of a file whose length and last position are both unknown:
// the window tells "played to the end" from "stopped" by a position that is not 0.
constexpr double UnknownEnd = 0.001;
} // namespace

QtMediaPlayer::QtMediaPlayer(QObject* parent) : MediaPlayer(parent) {}

QtMediaPlayer::~QtMediaPlayer() = default;

void QtMediaPlayer::retirePlayer() {
    if (!m_player) return;
    // Whatever the old pipeline still has queued must not reach us; deleting it later keeps us
    // out of trouble when this runs inside one of its own signals.
    disconnect(m_player, nullptr, this, nullptr);
    m_player->deleteLater();
    m_player = nullptr;
    m_output = nullptr; // a child of the player
}

void QtMediaPlayer::open(const QString& path) {
    retirePlayer();
    m_fileName = path;
    m_atEnd = false;
    m_lastPosition = 0;
    // Nothing plays while the file loads; Playing is reported once it really plays.
    m_state = Stopped;

    auto* player = new QMediaPlayer(this);
    m_output = new QAudioOutput(player);
    m_output->setVolume(float(linearVolume(m_volume)));
    m_output->setMuted(m_muted);
    player->setAudioOutput(m_output);
    m_player = player;
    connect(player, &QMediaPlayer::playbackStateChanged, this, &QtMediaPlayer::onPlaybackState);
    connect(player, &QMediaPlayer::mediaStatusChanged, this, &QtMediaPlayer::onMediaStatus);
    connect(player, &QMediaPlayer::errorOccurred, this, &QtMediaPlayer::onError);
    connect(player, &QMediaPlayer::positionChanged, this, &QtMediaPlayer::onPosition);

    // Qt's GStreamer backend turns a URL's raw bytes into U+FFFD on their way to the pipeline,
    // so a name that is not valid text is handed over as an open file; the URL only names it.
    auto* file = hasRawBytes(path) ? new QFile(player) : nullptr;
    if (file && openForReading(*file, path))
        player->setSourceDevice(file, fileUrl(path));
    else
        player->setSource(fileUrl(path)); // a file that cannot be opened is the player's error
    // The source may already have failed (and been retired) inside setSource.
    if (m_autoStart && m_player == player) player->play();
}

void QtMediaPlayer::play() {
    if (!m_player) return;
    m_atEnd = false;
    m_player->play();
}

void QtMediaPlayer::pause() {
    if (m_player) m_player->pause();
}

void QtMediaPlayer::stop() {
    if (m_fileName.isEmpty()) return;
    m_atEnd = false;
    m_lastPosition = 0;
    if (m_player) {
        m_player->stop();
        // Qt's stop leaves a file that played to its end at the end.
        if (m_player->position() != 0) m_player->setPosition(0);
    }
    if (m_state != Stopped) report(Stopped);
}

void QtMediaPlayer::unload() {
    retirePlayer();
    m_fileName.clear();
    m_atEnd = false;
    m_lastPosition = 0;
    m_state = Closed;
}

double QtMediaPlayer::position() const {
    if (m_atEnd) return std::max({duration(), m_lastPosition, UnknownEnd});
    return m_player ? m_player->position() / 1000.0 : 0.0;
}

void QtMediaPlayer::setPosition(double seconds) {
    if (!m_player) return;
    m_atEnd = false;
    m_player->setPosition(static_cast<qint64>(std::llround(std::max(0.0, seconds) * 1000.0)));
}

double QtMediaPlayer::duration() const {
    return m_player ? m_player->duration() / 1000.0 : 0.0;
}

void QtMediaPlayer::setVolume(int hundredthsOfDecibel) {
    m_volume = std::clamp(hundredthsOfDecibel, int(SilentVolume), int(FullVolume));
    if (m_output) m_output->setVolume(float(linearVolume(m_volume)));
}

void QtMediaPlayer::setMuted(bool on) {
    m_muted = on;
    if (m_output) m_output->setMuted(on);
}

int QtMediaPlayer::playState() const {
    return m_fileName.isEmpty() ? int(Closed) : m_state;
}

void QtMediaPlayer::report(int newState) {
    const int old = m_state;
    m_state = newState;
    emit stateChanged(old, newState);
}

void QtMediaPlayer::reportPlayingWhenReady() {
    // Qt says PlayingState as soon as play() is called, before the file is even read; only a
    // loaded file really plays.
    if (m_player->playbackState() != QMediaPlayer::PlayingState) return;
    switch (m_player->mediaStatus()) {
    case QMediaPlayer::LoadedMedia:
    case QMediaPlayer::BufferingMedia:
    case QMediaPlayer::BufferedMedia:
        m_atEnd = false;
        if (m_state != Playing) report(Playing);
        break;
    default:
        break;
    }
}

void QtMediaPlayer::onPlaybackState(QMediaPlayer::PlaybackState state) {
    // Qt's StoppedState is not forwarded: the end of the file is reported on EndOfMedia, the
    // user's stop by stop() itself.
    if (state == QMediaPlayer::PausedState && m_state != Paused)
        report(Paused);
    else if (state == QMediaPlayer::PlayingState)
        reportPlayingWhenReady();
}

void QtMediaPlayer::onMediaStatus(QMediaPlayer::MediaStatus status) {
    if (status == QMediaPlayer::EndOfMedia) {
        m_lastPosition = std::max(m_lastPosition, m_player->position() / 1000.0);
        m_atEnd = true;
        if (m_state != Stopped) report(Stopped);
        return;
    }
    reportPlayingWhenReady();
}

void QtMediaPlayer::onError(QMediaPlayer::Error code, const QString& description) {
    // The failed pipeline goes, and with it its further errors about the same file: one report
    // per file, and nothing else from it.
    retirePlayer();
    m_state = Stopped;
    emit error(static_cast<quint32>(code), description);
}

void QtMediaPlayer::onPosition(qint64 ms) {
    if (m_atEnd) return;
    m_lastPosition = ms / 1000.0;
    emit positionChanged(m_lastPosition);
}

} // namespace tunewalk
