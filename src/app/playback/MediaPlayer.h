#pragma once

#include <QObject>
#include <QString>

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

    // Stopped, Paused or Playing; Closed when no file is loaded.
    virtual int playState() const = 0;

signals:
    // The play state changed (Stopped, Paused, Playing). A newly opened file that starts
    // reports Playing even when the previous one was playing.
    void stateChanged(int oldState, int newState);
    // The file could not be played. Reported once per opened file.
    void error(quint32 code, const QString& description);
    // The position moved while playing (a few times a second), for the position display.
    void positionChanged(double seconds);
};

} // namespace tunewalk
