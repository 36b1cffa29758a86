#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace tunewalk {

// What the desktop's media controls show about the program's player.
struct NowPlaying {
    enum class Status { Stopped, Playing, Paused };
    Status status = Status::Stopped;
    QString path;   // the file's full path; empty when nothing is loaded
    QString title;  // the track name as the window shows it
    QString artist; // empty when unknown
    QString album, albumArtist;
    int trackNumber = 0; // 0 when unknown
    QString artUrl;      // a file:// URL of the cover picture; empty when there is none
    qint64 lengthMicroseconds = 0;
    bool canPlay = false, canPause = false, canGoNext = false, canGoPrevious = false,
         canSeek = false;
    // Volume 0.0 to 1.0, as the desktop shows it.
    double volume = 1.0;
};

// The program's presence among the desktop's media players (media keys, the panel's player
// widget, `playerctl`). On Linux this is an MPRIS player on the session bus; where there is no
// such service (no session bus, another platform) it quietly does nothing.
class DesktopMediaControls : public QObject {
    Q_OBJECT
public:
    explicit DesktopMediaControls(QObject* parent = nullptr);
    ~DesktopMediaControls() override;

    // Registers with the desktop; false when there is nothing to register with.
    bool start();
    bool isRegistered() const;
    // The name the program is known by on the bus (empty when not registered).
    QString serviceName() const;

    // Tells the desktop what plays now; changed properties are announced.
    void publish(const NowPlaying& now);
    // Reads the player's position (microseconds) when the desktop asks for it.
    void setPositionSource(std::function<qint64()> source);

signals:
    void playPauseRequested();
    void playRequested();
    void pauseRequested();
    void stopRequested();
    void nextRequested();
    void previousRequested();
    // A seek by an offset or to a position, in microseconds.
    void seekRequested(qint64 offsetMicroseconds);
    void setPositionRequested(qint64 positionMicroseconds);
    void volumeRequested(double volume);
    void raiseRequested();
    void quitRequested();

private:
    struct Private;
    Private* d;
};

} // namespace tunewalk
