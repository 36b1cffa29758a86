#pragma once

// The two D-Bus interfaces a desktop media player offers. They hold no state of their own: they
// read what DesktopMediaControls last published and turn calls into its signals.
#include "shell/DesktopMediaControls.h"

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QStringList>
#include <QVariantMap>
#include <functional>

namespace tunewalk::mpris {

inline constexpr char kObjectPath[] = "/org/mpris/MediaPlayer2";
inline constexpr char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";
inline constexpr char kNoTrack[] = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

// What the desktop is told; owned by DesktopMediaControls, read by the adaptors.
struct PlayerState {
    NowPlaying now;
    // Changes whenever the loaded file changes, so a stale SetPosition can be told apart.
    QDBusObjectPath trackId{QString::fromLatin1(kNoTrack)};
    std::function<qint64()> position;
};

QString playbackStatusOf(const PlayerState& state);
QVariantMap metadataOf(const PlayerState& state);
// The player properties whose changes are announced (Position is polled by clients instead).
QVariantMap announcedPropertiesOf(const PlayerState& state);

class RootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)
public:
    explicit RootAdaptor(DesktopMediaControls* controls);

    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const;
    QString desktopEntry() const;
    QStringList supportedUriSchemes() const;
    QStringList supportedMimeTypes() const;

public slots:
    void Raise();
    void Quit();

private:
    DesktopMediaControls* controls_;
};

class PlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QString LoopStatus READ loopStatus)
    Q_PROPERTY(double Rate READ rate)
    Q_PROPERTY(bool Shuffle READ shuffle)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)
public:
    PlayerAdaptor(DesktopMediaControls* controls, const PlayerState* state);

    QString playbackStatus() const { return playbackStatusOf(*state_); }
    QString loopStatus() const;
    double rate() const { return 1.0; }
    bool shuffle() const { return false; }
    QVariantMap metadata() const { return metadataOf(*state_); }
    double volume() const { return state_->now.volume; }
    void setVolume(double volume);
    qlonglong position() const;
    bool canGoNext() const { return state_->now.canGoNext; }
    bool canGoPrevious() const { return state_->now.canGoPrevious; }
    bool canPlay() const { return state_->now.canPlay; }
    bool canPause() const { return state_->now.canPause; }
    bool canSeek() const { return state_->now.canSeek; }
    bool canControl() const { return true; }

public slots:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong Offset);
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position);
    void OpenUri(const QString& Uri);

private:
    DesktopMediaControls* controls_;
    const PlayerState* state_;
};

} // namespace tunewalk::mpris
