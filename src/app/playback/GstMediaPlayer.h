#pragma once

#include "app/playback/MediaPlayer.h"

#include <QHash>
#include <QMutex>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <memory>

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;

namespace tunewalk {

class GstOutputs;

// The player on GStreamer's playbin. One pipeline plays every file: at its about-to-finish
// signal the next file is handed over, so it starts with the sample after the last one of the
// file before (gapless). The switch is reported when the new file's first sample is played out:
// after its stream start, once the output's position starts again from the new file's start.
//
// The output "file:PATH" is for tests and benchmarks: raw 16-bit stereo samples at 44.1 kHz,
// written in real time.
class GstMediaPlayer : public MediaPlayer {
    Q_OBJECT
public:
    explicit GstMediaPlayer(QObject* parent = nullptr);
    ~GstMediaPlayer() override;

    void open(const QString& path) override;
    void play() override;
    void pause() override;
    void stop() override;
    QString fileName() const override { return m_fileName; }
    void unload() override;
    bool autoStart() const override { return m_autoStart; }
    void setAutoStart(bool on) override { m_autoStart = on; }

    double position() const override;
    void setPosition(double seconds) override;
    double duration() const override;

    int volume() const override { return m_volume; }
    void setVolume(int hundredthsOfDecibel) override;
    bool isMuted() const override { return m_muted; }
    void setMuted(bool on) override;

    int playState() const override;

    void setNextFile(const QString& after, const QString& next) override;
    bool playsGapless() const override { return true; }
    void setReplayGain(Gain mode, double preampDb) override;

    QList<Output> outputs() const override;
    QString output() const override { return m_output; }
    void setOutput(const QString& id) override;

private:
    enum class Target { Null, Paused, Playing };
    static constexpr int SwitchPollMs =
        5; // how often the output is asked whether a switch is heard

    struct Callbacks; // GStreamer's calls into the player, on its threads
    friend struct Callbacks;

    void connectCallbacks();
    void onMessage(GstMessage* message, quint64 generation);
    void onStateMessage(GstMessage* message);
    void onStreamStart();
    void onEnd(bool movedOn);
    void recoverFromStall();
    void seekNow(double seconds);
    void onError(GstMessage* message);
    void pollSwitch();
    void finishSwitch(QString path); // a copy: it clears m_switchingTo
    void report(int newState);
    void setTarget(Target target);
    // Throws away what the pipeline holds (and every message still on its way) and loads
    // `path` afresh, paused or playing.
    void load(const QString& path, Target target);
    // Reloads the loaded file at `seconds`, in the state it had: after a change the pipeline
    // takes only while stopped (the output, the ReplayGain stage) or a seek during a switch.
    void reload(double seconds);
    void applyReplayGain();
    GstElement* makeSink(const QString& id);
    // Plays through `id` (the default when it is not offered) from where the file is.
    void changeSink(const QString& id);
    // The device played into is gone: on through the default, said once.
    void loseOutput();
    double queryPosition() const;

    GstElement* m_playbin = nullptr;
    GstElement* m_gain = nullptr; // rgvolume, inside the filter bin; null while ReplayGain is off
    QString m_fileName;
    QString m_output;
    std::unique_ptr<GstOutputs> m_outputs;
    QString m_sinkDevice, m_sinkName; // the device the sink plays into; empty for the default
    int m_state = Closed;             // the state last reported
    Target m_target = Target::Null;
    bool m_autoStart = true;
    bool m_atEnd = false;  // played to its end: position() stays at the end
    bool m_failed = false; // the loaded file reported its error; later ones are its echoes
    bool m_prerolled = false;
    double m_pendingSeek = -1; // a seek asked for before the file could take it
    double m_seekingTo = -1;   // a seek on its way
    double m_lastPosition = 0;
    double m_heardPosition = -1; // the position last seen playing on
    double m_switchFrom = 0;     // where the old file was when the new one's stream started
    int m_switchPolls = 0;
    int m_stalledTicks = 0;
    double m_knownDuration = 0; // the loaded file's, kept across the switch to the next
    int m_volume = FullVolume;
    bool m_muted = false;
    Gain m_gainMode = Gain::Off;
    double m_preampDb = 0;
    QString m_missingPlugin; // what the installed plugins lacked for the loaded file
    QTimer m_positionTimer;
    QTimer m_switchTimer;
    QString m_switchingTo; // the handed-over file whose stream started, reported when heard

    // Shared with GStreamer's streaming thread, which asks for the next file.
    mutable QMutex m_mutex;
    QString m_nextAfter, m_next; // when m_nextAfter's data ends, m_next is handed over
    QString m_streaming;  // the file whose data the pipeline reads: the loaded or last handed
    QStringList m_handed; // handed over, their streams not yet started, first one first
    // Lengths of files as the pipeline told them when their data was all read: once the next
    // file is handed over, the pipeline tells that one's.
    QHash<QString, double> m_lengths;
    bool m_unwanted = false; // the first handed file is no longer what follows the loaded one
    std::atomic<bool> m_holdHandOver{false}; // a seek is on its way
    std::atomic<quint64> m_generation{0};    // counts loads: a message of an older one is dropped
    unsigned m_group = 0; // the stream group playing: another one starting is the switch
    bool m_groupKnown = false;
};

} // namespace tunewalk
