// The end of the player's pipeline: the ReplayGain stage and the output it plays into.

#include "app/playback/GstElements.h"
#include "app/playback/GstMediaPlayer.h"
#include "app/playback/GstOutputs.h"

#include "common/NativePath.h"

#include <gst/gst.h>

namespace tunewalk {

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

} // namespace tunewalk
