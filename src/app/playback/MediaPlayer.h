#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <algorithm>
#include <cmath>

namespace tunewalk {

// The player the main window plays its list through. The window only ever talks to this
// interface: the real one decodes and plays, the tests drive a fake.
//
// The reports follow one rule the window relies on: when a file plays to its end, the player
// reports "stopped" with position() left at the end of the file (never 0); a stop asked for with
// stop(), and a file that was unloaded, report position 0.
class MediaPlayer : public QObject {
    Q_OBJECT
public:
    // Play states as the window sees them.
    enum State { Stopped = 0, Paused = 1, Playing = 2, Closed = 6 };
    // Volume in hundredths of a decibel.
    static constexpr int SilentVolume = -10000, FullVolume = 0;

    using QObject::QObject;

    // Loads a file; with auto-start on it begins playing as soon as it is ready.
    virtual void open(const QString& path) = 0;
    // Resume or start the loaded file.
    virtual void play() = 0;
    virtual void pause() = 0;
    // A stop asked for by the user: reports Stopped at once, position 0.
    virtual void stop() = 0;
    // The loaded file's path; empty when nothing is loaded.
    virtual QString fileName() const = 0;
    // Unloads the file quietly (no report).
    virtual void unload() = 0;
    virtual bool autoStart() const = 0;
    virtual void setAutoStart(bool on) = 0;

    // Position within the loaded file, in seconds.
    virtual double position() const = 0;
    virtual void setPosition(double seconds) = 0;
    // Length of the loaded file in seconds; 0 while unknown.
    virtual double duration() const = 0;

    // -10000 (silent) to 0 (full).
    virtual int volume() const = 0;
    virtual void setVolume(int hundredthsOfDecibel) = 0;
    virtual bool isMuted() const = 0;
    virtual void setMuted(bool on) = 0;

    // The volume as the window shows and saves it, in whole percent: 100 % is full, each
    // percent below it is 0.6 dB softer, so the slider's steps sound alike from top to bottom
    // and 1 % is 59.4 dB down; 0 % is silence. Any volume above silence shows as at least 1 %,
    // so the level never reads 0 while something sounds. A percent taken to a volume and back is
    // the same percent.
    static constexpr int HundredthsPerPercent = 60;
    static int volumeFromPercent(int percent) {
        if (percent <= 0) return SilentVolume;
        return (std::min(percent, 100) - 100) * HundredthsPerPercent;
    }
    static int percentFromVolume(int hundredthsOfDecibel) {
        if (hundredthsOfDecibel <= SilentVolume) return 0;
        const double below =
            std::min(hundredthsOfDecibel, int(FullVolume)) / double(HundredthsPerPercent);
        return std::clamp(100 + static_cast<int>(std::lround(below)), 1, 100);
    }

    // The linear level (an amplitude ratio) of a volume in hundredths of a decibel.
    static double linearVolume(int hundredthsOfDecibel);

    // Stopped, Paused or Playing; Closed when no file is loaded.
    virtual int playState() const = 0;

    // Gapless playback: `next` plays straight on, without a gap, when `after` ends; empty for
    // none, and the end is reported as before. `after` is the loaded file, or one already
    // handed over (a short file's successor is needed before the switch to it is heard). What
    // follows the loaded file may be changed or cleared up to the switch; it may also be told
    // for a file just before that file is opened. A player that cannot play gapless ignores it
    // and reports every end.
    virtual void setNextFile(const QString& after, const QString& next) {
        Q_UNUSED(after);
        Q_UNUSED(next);
    }
    virtual bool playsGapless() const { return false; }

    // ReplayGain: which of a file's gains is applied (from its tags), the pre-amp in dB, and a
    // limiter so that a raised level never clips.
    enum class Gain { Off, Track, Album };
    virtual void setReplayGain(Gain mode, double preampDb) {
        Q_UNUSED(mode);
        Q_UNUSED(preampDb);
    }

    // The audio outputs the desktop offers; the empty id is the system default.
    struct Output {
        QString id, name;
    };
    virtual QList<Output> outputs() const { return {}; }
    virtual QString output() const { return {}; }
    // Chooses the output; an id that is not (or no longer) offered plays through the default.
    virtual void setOutput(const QString& id) { Q_UNUSED(id); }

signals:
    // The play state changed (Stopped, Paused, Playing). A newly opened file that starts
    // reports Playing even when the previous one was playing.
    void stateChanged(int oldState, int newState);
    // The file could not be played. Reported once per opened file.
    void error(quint32 code, const QString& description);
    // The position moved while playing (a few times a second), for the position display.
    void positionChanged(double seconds);
    // The next file took over at the end of the loaded one: it is fileName() now and its first
    // sample is being played out. No state change is reported for it: it plays on.
    void switched(const QString& path);
    // `path` was handed over to follow the file before: what follows it may be told now.
    void handedOver(const QString& path);
    // The outputs on offer changed.
    void outputsChanged();
    // The chosen output went away: the player plays through the system default now.
    void outputLost(const QString& name);
};

} // namespace tunewalk
