#include "app/playback/GstMediaPlayer.h"
#include "app/playback/GstElements.h"
#include "app/playback/GstOutputs.h"

#include <QMetaObject>
#include <algorithm>
#include <cmath>
#include <gst/gst.h>

namespace tunewalk {

namespace {

// What position() says at the end of a file whose length and last position are both unknown:
// the window tells "played to the end" from "stopped" by a position that is not 0.
constexpr double UnknownEnd = 0.001;
constexpr int PositionIntervalMs = 250;
// Playing without moving for this many position ticks (2 s) near a switch: the pipeline is stuck.
constexpr int StallTicks = 8;
// playbin's flags: audio only, with its own volume (a video stream in an audio file, such as a
// cover picture, is not shown).
constexpr int AudioFlag = 0x2, SoftVolumeFlag = 0x10;

double seconds(gint64 nanoseconds) {
    return static_cast<double>(nanoseconds) / GST_SECOND;
}

} // namespace

GstMediaPlayer::GstMediaPlayer(QObject* parent) : MediaPlayer(parent) {
    startGstreamer();
    m_playbin = gst_element_factory_make("playbin", nullptr);
    if (!m_playbin) qFatal("GStreamer's playbin is not installed (gstreamer1.0-plugins-base)");
    gst_object_ref_sink(m_playbin);
    g_object_set(m_playbin, "flags", AudioFlag | SoftVolumeFlag, nullptr);
    connectCallbacks();
    setVolume(m_volume);

    m_positionTimer.setInterval(PositionIntervalMs);
    connect(&m_positionTimer, &QTimer::timeout, this, [this] {
        if (m_state != Playing || m_atEnd) return;
        const double now = queryPosition();
        m_stalledTicks = now == m_lastPosition ? m_stalledTicks + 1 : 0;
        m_lastPosition = now;
        // How far the output has played the file; a position going back is the next file's.
        m_heardPosition = std::max(m_heardPosition, now);
        m_knownDuration = std::max(m_knownDuration, duration());
        emit positionChanged(m_lastPosition);
        if (m_stalledTicks >= StallTicks) recoverFromStall();
    });
    m_switchTimer.setInterval(SwitchPollMs);
    m_switchTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_switchTimer, &QTimer::timeout, this, &GstMediaPlayer::pollSwitch);

    m_outputs = std::make_unique<GstOutputs>();
    connect(m_outputs.get(), &GstOutputs::removed, this, [this](const QString& id) {
        if (id == m_sinkDevice) loseOutput();
    });
    connect(m_outputs.get(), &GstOutputs::changed, this, [this] {
        // The chosen device is back (plugged in again, or found after the start): it plays
        // there again.
        if (m_sinkDevice != m_output && !m_outputs->nameOf(m_output).isEmpty())
            changeSink(m_output);
        emit outputsChanged();
    });
}

GstMediaPlayer::~GstMediaPlayer() {
    gst_element_set_state(m_playbin, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(m_playbin);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(m_playbin);
}

void GstMediaPlayer::setTarget(Target target) {
    m_target = target;
    const GstState state = target == Target::Playing  ? GST_STATE_PLAYING
                           : target == Target::Paused ? GST_STATE_PAUSED
                                                      : GST_STATE_READY;
    gst_element_set_state(m_playbin, state);
}

void GstMediaPlayer::load(const QString& path, Target target) {
    // READY waits for the streaming threads; whatever they posted before is of the old load.
    gst_element_set_state(m_playbin, GST_STATE_READY);
    ++m_generation;
    {
        QMutexLocker lock(&m_mutex);
        m_handed.clear();
        m_lengths.clear();
        m_unwanted = false;
        m_streaming = path;
    }
    m_switchTimer.stop();
    m_switchingTo.clear();
    m_groupKnown = false;
    m_fileName = path;
    m_atEnd = false;
    m_failed = false;
    m_prerolled = false;
    m_pendingSeek = -1;
    m_seekingTo = -1;
    m_holdHandOver = false;
    m_stalledTicks = 0;
    m_lastPosition = 0;
    m_heardPosition = -1;
    m_knownDuration = 0;
    m_missingPlugin.clear();
    g_object_set(m_playbin, "uri", uriOf(path).constData(), nullptr);
    setTarget(target);
}

void GstMediaPlayer::open(const QString& path) {
    {
        // What follows is told again for the new file; what was told before the open for the
        // very file opened stays, since a short file may be read to its end at once.
        QMutexLocker lock(&m_mutex);
        if (m_nextAfter != path) {
            m_nextAfter.clear();
            m_next.clear();
        }
    }
    // Nothing plays while the file loads; Playing is reported once it really plays.
    m_state = Stopped;
    m_positionTimer.stop();
    load(path, m_autoStart ? Target::Playing : Target::Paused);
}

void GstMediaPlayer::reload(double at) {
    if (m_fileName.isEmpty()) return;
    {
        // A file already handed over is handed over again when the reloaded one ends.
        QMutexLocker lock(&m_mutex);
        if (!m_handed.isEmpty() && !m_unwanted) {
            m_nextAfter = m_fileName;
            m_next = m_handed.first();
        }
    }
    const bool playing = m_state == Playing;
    if (m_state == Stopped && !m_atEnd) {
        // Stopped by the user: the change takes effect when it plays again.
        gst_element_set_state(m_playbin, GST_STATE_READY);
        return;
    }
    const bool atEnd = m_atEnd;
    const double end = m_knownDuration;
    load(m_fileName, playing ? Target::Playing : Target::Paused);
    m_knownDuration = end;
    if (atEnd) {
        m_atEnd = true;
        m_lastPosition = at;
    }
    m_pendingSeek = at;
    m_holdHandOver = true;
}

void GstMediaPlayer::play() {
    if (m_fileName.isEmpty() || m_failed) return;
    if (m_atEnd) {
        m_atEnd = false;
        m_pendingSeek = 0;
        m_holdHandOver = true;
        if (m_prerolled) {
            seekNow(0);
            m_pendingSeek = -1;
        }
    }
    setTarget(Target::Playing);
}

void GstMediaPlayer::pause() {
    if (m_fileName.isEmpty() || m_failed) return;
    setTarget(Target::Paused);
    m_heardPosition = -1;
    if (m_state == Playing) {
        m_positionTimer.stop();
        report(Paused);
    }
}

void GstMediaPlayer::stop() {
    if (m_fileName.isEmpty()) return;
    load(m_fileName, Target::Null); // READY, with what was handed over taken back
    m_positionTimer.stop();
    if (m_state != Stopped) report(Stopped);
}

void GstMediaPlayer::unload() {
    gst_element_set_state(m_playbin, GST_STATE_NULL); // the audio device is let go
    ++m_generation;
    {
        QMutexLocker lock(&m_mutex);
        m_nextAfter.clear();
        m_next.clear();
        m_handed.clear();
        m_streaming.clear();
        m_unwanted = false;
    }
    m_target = Target::Null;
    m_positionTimer.stop();
    m_switchTimer.stop();
    m_switchingTo.clear();
    m_fileName.clear();
    m_atEnd = false;
    m_failed = false;
    m_prerolled = false;
    m_pendingSeek = -1;
    m_seekingTo = -1;
    m_lastPosition = 0;
    m_knownDuration = 0;
    m_state = Closed;
}

double GstMediaPlayer::queryPosition() const {
    gint64 now = 0;
    if (m_prerolled && gst_element_query_position(m_playbin, GST_FORMAT_TIME, &now) && now >= 0)
        return seconds(now);
    return m_lastPosition;
}

double GstMediaPlayer::position() const {
    if (m_fileName.isEmpty()) return 0.0;
    if (m_atEnd) return std::max({m_knownDuration, m_lastPosition, UnknownEnd});
    if (m_pendingSeek >= 0) return m_pendingSeek;
    if (m_seekingTo >= 0) return m_seekingTo;
    return queryPosition();
}

void GstMediaPlayer::setPosition(double at) {
    if (m_fileName.isEmpty() || m_failed) return;
    at = std::max(0.0, at);
    bool switching = !m_switchingTo.isEmpty();
    {
        QMutexLocker lock(&m_mutex);
        switching = switching || !m_handed.isEmpty();
    }
    if (switching) {
        // The next file is already on its way through the pipeline: the loaded one is loaded
        // again at the place asked for, and the next one handed over again at its end.
        const bool wasPlaying = m_state == Playing;
        reload(at);
        m_atEnd = false;
        if (!wasPlaying && m_state == Stopped) setTarget(Target::Paused);
        return;
    }
    m_atEnd = false;
    m_lastPosition = at;
    if (!m_prerolled) {
        m_pendingSeek = at;
        m_holdHandOver = true;
        if (m_target == Target::Null) setTarget(Target::Paused); // stopped: it can seek paused
        return;
    }
    seekNow(at);
}

void GstMediaPlayer::seekNow(double at) {
    // Until the pipeline is there, position() tells the place asked for.
    m_seekingTo = at;
    m_heardPosition = -1;
    m_holdHandOver = true;
    gst_element_seek_simple(m_playbin, GST_FORMAT_TIME,
                            GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                            static_cast<gint64>(std::llround(at * GST_SECOND)));
}

double GstMediaPlayer::duration() const {
    if (m_fileName.isEmpty()) return 0.0;
    {
        QMutexLocker lock(&m_mutex);
        if (const auto known = m_lengths.constFind(m_fileName); known != m_lengths.cend())
            return *known;
        if (!m_handed.isEmpty()) return m_knownDuration;
    }
    if (!m_switchingTo.isEmpty()) return m_knownDuration;
    gint64 length = 0;
    if (m_prerolled && gst_element_query_duration(m_playbin, GST_FORMAT_TIME, &length) &&
        length > 0)
        return seconds(length);
    return m_knownDuration;
}

void GstMediaPlayer::setVolume(int hundredthsOfDecibel) {
    m_volume = std::clamp(hundredthsOfDecibel, int(SilentVolume), int(FullVolume));
    g_object_set(m_playbin, "volume", linearVolume(m_volume), "mute", gboolean(m_muted), nullptr);
}

void GstMediaPlayer::setMuted(bool on) {
    m_muted = on;
    g_object_set(m_playbin, "mute", gboolean(on), nullptr);
}

int GstMediaPlayer::playState() const {
    return m_fileName.isEmpty() ? int(Closed) : m_state;
}

void GstMediaPlayer::setNextFile(const QString& after, const QString& next) {
    QMutexLocker lock(&m_mutex);
    if (after == m_fileName) {
        // Between the next file's stream start and its first sample heard, the window still
        // asks for the file after the old one: that is the one already on its way.
        if (!m_switchingTo.isEmpty()) return;
        if (!m_handed.isEmpty()) {
            // Too late to take it back from the pipeline: if it is no longer what follows, the
            // switch turns into the loaded file's end, and what follows is decided there.
            m_unwanted = next != m_handed.first();
            return;
        }
    }
    m_nextAfter = after;
    m_next = next;
}

} // namespace tunewalk
