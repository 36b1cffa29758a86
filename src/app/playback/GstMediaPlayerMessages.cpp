// What the pipeline tells the player: its messages, the hand-over of the next file on the
// streaming thread, the switch, the end and errors.

#include "app/playback/GstElements.h"
#include "app/playback/GstMediaPlayer.h"

#include <QMetaObject>
#include <algorithm>
#include <cmath>
#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <memory>

namespace tunewalk {

namespace {

// While the new file is not heard yet, the output tells a position of (about) 0; once it moves
// on from there, the new file is heard. Longer than any output holds, the switch is taken as
// heard anyway.
constexpr double UnheardPosition = 0.001, SwitchStep = 0.002;
constexpr int MaxSwitchWaitMs = 2000;

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

// The length of the file whose data was all read, asked for before the next one is handed over.
// Before the output has started (a short file read at once) only the file's own decoder can
// tell it.
double lengthOf(GstElement* playbin, const QString& path) {
    gint64 length = -1;
    if (gst_element_query_duration(playbin, GST_FORMAT_TIME, &length) && length > 0)
        return double(length) / GST_SECOND;
    const QByteArray uri = uriOf(path);
    GstIterator* children = gst_bin_iterate_elements(GST_BIN(playbin));
    GValue child = G_VALUE_INIT;
    while (length <= 0 && gst_iterator_next(children, &child) == GST_ITERATOR_OK) {
        auto* element = GST_ELEMENT(g_value_get_object(&child));
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(element), "uri")) {
            gchar* its = nullptr;
            g_object_get(element, "uri", &its, nullptr);
            if (its && uri == its && !gst_element_query_duration(element, GST_FORMAT_TIME, &length))
                length = -1;
            g_free(its);
        }
        g_value_reset(&child);
    }
    g_value_unset(&child);
    gst_iterator_free(children);
    return length > 0 ? double(length) / GST_SECOND : 0.0;
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
            if (const double length = lengthOf(playbin, self->m_streaming); length > 0)
                self->m_lengths.insert(self->m_streaming, length);
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
    // One started before the last switch was heard (a short file): that one is heard now.
    if (!m_switchingTo.isEmpty()) finishSwitch(m_switchingTo);
    // The output still plays the old file's last samples (its last buffer, and what the device
    // holds): the new file is heard when the output's position starts again from its start.
    m_switchingTo = path;
    m_switchFrom = std::max(m_heardPosition, m_lastPosition);
    m_switchPolls = 0;
    if (m_switchFrom <= SwitchStep)
        finishSwitch(path);
    else
        m_switchTimer.start();
}

void GstMediaPlayer::pollSwitch() {
    if (m_state != Playing) return; // paused: nothing is heard, and the wait does not count
    const double now = queryPosition();
    if ((now > UnheardPosition && now < m_switchFrom - SwitchStep) ||
        ++m_switchPolls * SwitchPollMs >= MaxSwitchWaitMs)
        finishSwitch(m_switchingTo);
}

void GstMediaPlayer::finishSwitch(QString path) {
    if (path.isEmpty()) return;
    m_switchTimer.stop();
    m_switchingTo.clear();
    if (path != m_fileName) {
        QMutexLocker lock(&m_mutex);
        m_lengths.remove(m_fileName);
    }
    m_fileName = path;
    m_lastPosition = 0;
    m_heardPosition = -1;
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

void GstMediaPlayer::connectCallbacks() {
    GstBus* bus = gst_element_get_bus(m_playbin);
    gst_bus_set_sync_handler(bus, &Callbacks::onBus, this, nullptr);
    gst_object_unref(bus);
    g_signal_connect(m_playbin, "about-to-finish", G_CALLBACK(&Callbacks::aboutToFinish), this);
}

} // namespace tunewalk
