#include "app/playback/GstMediaPlayer.h"
#include "app/playback/GstOutputs.h"

#include "common/NativePath.h"

#include <QMetaObject>
#include <algorithm>
#include <cmath>
#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>

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

void startGstreamer() {
    static const bool started = [] {
        gst_init(nullptr, nullptr);
        return true;
    }();
    Q_UNUSED(started);
}

// The file's name goes to GStreamer as its exact bytes, a name that is not valid text included.
QByteArray uriOf(const QString& path) {
    const QByteArray native = toNativePath(path);
    GError* error = nullptr;
    gchar* uri = gst_filename_to_uri(native.constData(), &error);
    if (!uri) {
        g_clear_error(&error);
        return QByteArrayLiteral("file://") + native;
    }
    QByteArray result(uri);
    g_free(uri);
    return result;
}

double seconds(gint64 nanoseconds) {
    return static_cast<double>(nanoseconds) / GST_SECOND;
}

// A message on its way from GStreamer's thread to ours; freed whether or not it arrives.
using HeldMessage = std::shared_ptr<GstMessage>;

quint32 errorCode(const GError* error) {
    quint32 domain = 0;
    if (error->domain == GST_CORE_ERROR)
        domain = 1;
    else if (error->domain == GST_LIBRARY_ERROR)
        domain = 2;
    else if (error->domain == GST_RESOURCE_ERROR)
        domain = 3;
    else if (error->domain == GST_STREAM_ERROR)
        domain = 4;
    return (domain << 16) | static_cast<quint32>(error->code & 0xFFFF);
}

GstElement* makeElement(const char* factory) {
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (!element) qWarning("GStreamer element %s is not installed", factory);
    return element;
}

// A bin of elements in a row, with the first one's sink and the last one's source as its pads.
GstElement* chain(std::initializer_list<GstElement*> elements) {
    for (GstElement* e : elements)
        if (!e) {
            for (GstElement* other : elements)
                if (other) gst_object_unref(other);
            return nullptr;
        }
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* previous = nullptr;
    for (GstElement* e : elements) {
        gst_bin_add(GST_BIN(bin), e);
        if (previous) gst_element_link(previous, e);
        previous = e;
    }
    GstPad* sink = gst_element_get_static_pad(*elements.begin(), "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", sink));
    gst_object_unref(sink);
    if (GstPad* source = gst_element_get_static_pad(previous, "src")) {
        gst_element_add_pad(bin, gst_ghost_pad_new("src", source));
        gst_object_unref(source);
    }
    return bin;
}

} // namespace

struct GstMediaPlayer::Callbacks {
    // On GStreamer's threads: the messages the player follows go to its thread, tagged with the
    // load they belong to; every other message is dropped here.
    static GstBusSyncReply onBus(GstBus*, GstMessage* message, gpointer data) {
        auto* self = static_cast<GstMediaPlayer*>(data);
        bool wanted = false;
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS:
        case GST_MESSAGE_ERROR:
        case GST_MESSAGE_STREAM_START:
        case GST_MESSAGE_ASYNC_DONE:
        case GST_MESSAGE_DURATION_CHANGED:
            wanted = true;
            break;
        case GST_MESSAGE_STATE_CHANGED:
            wanted = GST_MESSAGE_SRC(message) == GST_OBJECT(self->m_playbin);
            break;
        case GST_MESSAGE_ELEMENT:
            wanted = gst_is_missing_plugin_message(message);
            break;
        default:
            break;
        }
        HeldMessage held(message, gst_message_unref);
        if (!wanted) return GST_BUS_DROP;
        const quint64 generation = self->m_generation.load();
        QMetaObject::invokeMethod(
            self, [self, held, generation] { self->onMessage(held.get(), generation); },
            Qt::QueuedConnection);
        return GST_BUS_DROP;
    }

    // On the streaming thread, when the loaded file's data is all read: the next file, if one is
    // set, is handed over now, so that it follows without a gap.
    static void aboutToFinish(GstElement* playbin, gpointer data) {
        auto* self = static_cast<GstMediaPlayer*>(data);
        QString next;
        {
            QMutexLocker lock(&self->m_mutex);
            // Not while a seek is on its way: the data drains again from the new place, and a
            // group prepared before the seek's flush breaks.
            if (self->m_holdHandOver || self->m_next.isEmpty() ||
                self->m_nextAfter != self->m_streaming)
                return;
            next = self->m_next;
            g_object_set(playbin, "uri", uriOf(next).constData(), nullptr);
            self->m_handed << next;
            self->m_streaming = next;
            self->m_nextAfter.clear();
            self->m_next.clear();
        }
        const quint64 generation = self->m_generation.load();
        QMetaObject::invokeMethod(
            self,
            [self, next, generation] {
                if (generation == self->m_generation.load()) emit self->handedOver(next);
            },
            Qt::QueuedConnection);
    }
};

GstMediaPlayer::GstMediaPlayer(QObject* parent) : MediaPlayer(parent) {
    startGstreamer();
    m_playbin = gst_element_factory_make("playbin", nullptr);
    if (!m_playbin) qFatal("GStreamer's playbin is not installed (gstreamer1.0-plugins-base)");
    gst_object_ref_sink(m_playbin);
    g_object_set(m_playbin, "flags", AudioFlag | SoftVolumeFlag, nullptr);
    GstBus* bus = gst_element_get_bus(m_playbin);
    gst_bus_set_sync_handler(bus, &Callbacks::onBus, this, nullptr);
    gst_object_unref(bus);
    g_signal_connect(m_playbin, "about-to-finish", G_CALLBACK(&Callbacks::aboutToFinish), this);
    setVolume(m_volume);

    m_positionTimer.setInterval(PositionIntervalMs);
    connect(&m_positionTimer, &QTimer::timeout, this, [this] {
        if (m_state != Playing || m_atEnd) return;
        const double now = queryPosition();
        m_stalledTicks = now == m_lastPosition ? m_stalledTicks + 1 : 0;
        m_lastPosition = now;
        m_knownDuration = std::max(m_knownDuration, duration());
        emit positionChanged(m_lastPosition);
        if (m_stalledTicks >= StallTicks) recoverFromStall();
    });
    m_switchTimer.setSingleShot(true);
    connect(&m_switchTimer, &QTimer::timeout, this, [this] { finishSwitch(m_switchingTo); });

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
    m_knownDuration = 0;
    m_missingPlugin.clear();
    g_object_set(m_playbin, "uri", uriOf(path).constData(), nullptr);
    setTarget(target);
}

void GstMediaPlayer::open(const QString& path) {
    {
        QMutexLocker lock(&m_mutex);
        m_nextAfter.clear(); // told again for the new file
        m_next.clear();
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
    m_holdHandOver = true;
    gst_element_seek_simple(m_playbin, GST_FORMAT_TIME,
                            GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                            static_cast<gint64>(std::llround(at * GST_SECOND)));
}

double GstMediaPlayer::duration() const {
    if (m_fileName.isEmpty()) return 0.0;
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

void GstMediaPlayer::setReplayGain(Gain mode, double preampDb) {
    const bool wasOn = m_gainMode != Gain::Off;
    m_gainMode = mode;
    m_preampDb = preampDb;
    if (wasOn == (mode != Gain::Off)) {
        if (m_gain)
            g_object_set(m_gain, "album-mode", gboolean(mode == Gain::Album), "pre-amp", preampDb,
                         nullptr);
        return;
    }
    // Putting the stage in or taking it out needs the pipeline stopped.
    const double at = position();
    const bool loaded = !m_fileName.isEmpty() && m_target != Target::Null;
    if (loaded) gst_element_set_state(m_playbin, GST_STATE_READY);
    applyReplayGain();
    if (loaded) reload(at);
}

void GstMediaPlayer::applyReplayGain() {
    m_gain = nullptr;
    GstElement* filter = nullptr;
    if (m_gainMode != Gain::Off) {
        GstElement* gain = makeElement("rgvolume");
        filter = chain({makeElement("audioconvert"), gain, makeElement("rglimiter"),
                        makeElement("audioconvert")});
        if (filter) {
            m_gain = gain;
            g_object_set(gain, "album-mode", gboolean(m_gainMode == Gain::Album), "pre-amp",
                         m_preampDb, nullptr);
        }
    }
    g_object_set(m_playbin, "audio-filter", filter, nullptr);
}

QList<MediaPlayer::Output> GstMediaPlayer::outputs() const {
    return m_outputs->list();
}

void GstMediaPlayer::setOutput(const QString& id) {
    if (id == m_output) return;
    m_output = id;
    changeSink(id);
}

void GstMediaPlayer::changeSink(const QString& id) {
    // After the device's failure the pipeline may no longer tell; the last position shown is
    // where it was.
    const double now = position();
    const double at = now > 0 ? now : m_lastPosition;
    const bool loaded = !m_fileName.isEmpty() && m_target != Target::Null;
    if (loaded) gst_element_set_state(m_playbin, GST_STATE_READY);
    GstElement* sink = makeSink(id);
    const bool device = sink && !id.startsWith(QLatin1String("file:"));
    m_sinkDevice = device ? id : QString();
    m_sinkName = device ? m_outputs->nameOf(id) : QString();
    g_object_set(m_playbin, "audio-sink", sink, nullptr);
    if (loaded) reload(at);
}

void GstMediaPlayer::loseOutput() {
    const QString name = m_sinkName;
    changeSink(QString());
    emit outputLost(name);
}

GstElement* GstMediaPlayer::makeSink(const QString& id) {
    if (id.startsWith(QLatin1String("file:"))) {
        GstElement* file = makeElement("filesink");
        GstElement* caps = makeElement("capsfilter");
        GstElement* sink =
            chain({makeElement("audioconvert"), makeElement("audioresample"), caps, file});
        if (!sink) return nullptr;
        GstCaps* raw = gst_caps_from_string(
            "audio/x-raw,format=S16LE,layout=interleaved,rate=44100,channels=2");
        g_object_set(caps, "caps", raw, nullptr);
        gst_caps_unref(raw);
        // In real time, as a sound card plays, and every sample in the file as it is played.
        g_object_set(file, "location", toNativePath(id.mid(5)).constData(), "sync", TRUE,
                     "buffer-mode", 2, nullptr);
        return sink;
    }
    // Nothing for the system default, and for a device that is not offered now.
    return id.isEmpty() ? nullptr : m_outputs->createSink(id);
}

void GstMediaPlayer::report(int newState) {
    const int old = m_state;
    m_state = newState;
    if (newState == Playing)
        m_positionTimer.start();
    else
        m_positionTimer.stop();
    emit stateChanged(old, newState);
}

void GstMediaPlayer::onMessage(GstMessage* message, quint64 generation) {
    if (generation != m_generation.load() || m_fileName.isEmpty()) return;
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_STATE_CHANGED:
        onStateMessage(message);
        break;
    case GST_MESSAGE_ASYNC_DONE:
        m_prerolled = true;
        m_seekingTo = -1;
        m_knownDuration = std::max(m_knownDuration, duration());
        if (m_pendingSeek >= 0) {
            const double at = m_pendingSeek;
            m_pendingSeek = -1;
            seekNow(at);
        } else {
            m_holdHandOver = false;
        }
        break;
    case GST_MESSAGE_DURATION_CHANGED:
        m_knownDuration = std::max(m_knownDuration, duration());
        break;
    case GST_MESSAGE_STREAM_START: {
        guint group = 0;
        const bool hasGroup = gst_message_parse_group_id(message, &group);
        if (!m_groupKnown || !hasGroup) {
            // The loaded file's own start; or, without group ids, a start after a hand-over.
            m_groupKnown = hasGroup;
            m_group = group;
            if (hasGroup) break;
        } else if (group == m_group) {
            break;
        }
        m_group = group;
        onStreamStart();
        break;
    }
    case GST_MESSAGE_EOS:
        onEnd(false);
        break;
    case GST_MESSAGE_ERROR:
        onError(message);
        break;
    case GST_MESSAGE_ELEMENT:
        if (gchar* what = gst_missing_plugin_message_get_description(message)) {
            m_missingPlugin = QString::fromUtf8(what);
            g_free(what);
        }
        break;
    default:
        break;
    }
}

void GstMediaPlayer::onStateMessage(GstMessage* message) {
    GstState old = GST_STATE_NULL, now = GST_STATE_NULL, pending = GST_STATE_NULL;
    gst_message_parse_state_changed(message, &old, &now, &pending);
    if (now >= GST_STATE_PAUSED) m_prerolled = true;
    if (now == GST_STATE_PLAYING && m_target == Target::Playing && !m_atEnd && !m_failed &&
        m_state != Playing)
        report(Playing);
}

void GstMediaPlayer::onStreamStart() {
    QString path;
    bool unwanted = false;
    {
        QMutexLocker lock(&m_mutex);
        if (!m_handed.isEmpty()) path = m_handed.takeFirst();
        unwanted = m_unwanted;
        m_unwanted = false;
    }
    if (path.isEmpty()) return;
    if (unwanted) {
        // What should follow changed after the hand-over: the old file ends here, as it would
        // have without one, and the window's end-of-file rule decides what comes next.
        onEnd(true);
        return;
    }
    // The output still plays the old file's last samples: the new one is heard after them.
    GstQuery* query = gst_query_new_latency();
    GstClockTime latency = 0;
    if (gst_element_query(m_playbin, query)) {
        gboolean live = FALSE;
        GstClockTime most = 0;
        gst_query_parse_latency(query, &live, &latency, &most);
    }
    gst_query_unref(query);
    m_switchingTo = path;
    const int ms = GST_CLOCK_TIME_IS_VALID(latency) ? int(latency / GST_MSECOND) : 0;
    if (ms <= 0)
        finishSwitch(path);
    else
        m_switchTimer.start(ms);
}

void GstMediaPlayer::finishSwitch(const QString& path) {
    if (path.isEmpty()) return;
    m_switchingTo.clear();
    m_fileName = path;
    m_lastPosition = 0;
    m_knownDuration = 0;
    m_knownDuration = duration();
    m_missingPlugin.clear();
    emit switched(path);
}

void GstMediaPlayer::recoverFromStall() {
    // Now and then a switch between two formats stalls inside the pipeline at the join; what
    // was handed over is loaded afresh instead (with the gap of a load), and a file stuck at
    // its end ends.
    m_stalledTicks = 0;
    QString handed;
    {
        QMutexLocker lock(&m_mutex);
        if (!m_handed.isEmpty()) handed = m_handed.first();
    }
    if (!handed.isEmpty()) {
        load(handed, Target::Playing);
        emit switched(handed);
    } else if (m_knownDuration > 0 && m_lastPosition >= m_knownDuration - 1.0) {
        onEnd(false);
    }
}

void GstMediaPlayer::onEnd(bool movedOn) {
    if (!movedOn && m_state == Playing) {
        // A next file that could not be handed over (the data had drained before a seek, which
        // GStreamer does not announce again) still follows, after the time it takes to load.
        QString next;
        {
            QMutexLocker lock(&m_mutex);
            if (m_handed.isEmpty() && m_nextAfter == m_fileName) next = m_next;
            m_nextAfter.clear();
            m_next.clear();
        }
        if (!next.isEmpty()) {
            load(next, Target::Playing);
            emit switched(next);
            return;
        }
    }
    // The pipeline stays at the end, paused, so that a seek or play() can start it again; one
    // that already plays the next file loads this one again.
    m_atEnd = true;
    m_lastPosition = std::max(m_lastPosition, queryPosition());
    m_switchTimer.stop();
    m_switchingTo.clear();
    {
        QMutexLocker lock(&m_mutex);
        m_handed.clear();
        m_nextAfter.clear();
        m_next.clear();
    }
    const double end = std::max(m_knownDuration, m_lastPosition);
    if (movedOn) {
        load(m_fileName, Target::Paused);
        m_atEnd = true;
    } else {
        setTarget(Target::Paused);
    }
    m_knownDuration = end;
    m_lastPosition = end;
    m_pendingSeek = -1;
    if (m_state != Stopped) report(Stopped);
}

void GstMediaPlayer::onError(GstMessage* message) {
    if (m_failed) return;
    // A device unplugged while it plays fails its sink, often before the monitor tells that
    // it is gone: the file plays on through the default, it did not fail.
    if (!m_sinkDevice.isEmpty()) {
        GstElement* sink = nullptr;
        g_object_get(m_playbin, "audio-sink", &sink, nullptr);
        const bool fromSink =
            sink && (GST_MESSAGE_SRC(message) == GST_OBJECT(sink) ||
                     gst_object_has_as_ancestor(GST_MESSAGE_SRC(message), GST_OBJECT(sink)));
        if (sink) gst_object_unref(sink);
        if (fromSink) return loseOutput();
    }
    GError* failure = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &failure, &debug);
    const quint32 code = failure ? errorCode(failure) : 0;
    QString text = failure ? QString::fromUtf8(failure->message) : tr("Unknown error");
    if (!m_missingPlugin.isEmpty()) text += tr(" Missing decoder: %1.").arg(m_missingPlugin);
    g_clear_error(&failure);
    g_free(debug);
    {
        // A file handed over but not yet started is the one that failed.
        QMutexLocker lock(&m_mutex);
        if (!m_switchingTo.isEmpty()) m_fileName = m_switchingTo;
        if (!m_handed.isEmpty()) m_fileName = m_handed.first();
        m_handed.clear();
        m_nextAfter.clear();
        m_next.clear();
    }
    // A pipeline that failed is taken down whole: kept at READY, its broken parts would fail the
    // next file too.
    gst_element_set_state(m_playbin, GST_STATE_NULL);
    load(m_fileName, Target::Null);
    m_failed = true;
    m_state = Stopped;
    m_positionTimer.stop();
    emit error(code ? code : 1, text);
}

} // namespace tunewalk
