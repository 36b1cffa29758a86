#pragma once

#include "app/playback/MediaPlayer.h"

#include <QMediaPlayer>

class QAudioOutput;

namespace tunewalk {

// The player on Qt Multimedia. Every opened file gets a QMediaPlayer of its own: signals still
// queued for the previous file then cannot reach us, and a pipeline that failed is thrown away
// instead of reused (GStreamer stalls the next state change of a failed pipeline for a second).
class QtMediaPlayer : public MediaPlayer {
    Q_OBJECT
public:
    explicit QtMediaPlayer(QObject* parent = nullptr);
    ~QtMediaPlayer() override;

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

private:
    void retirePlayer();
    void onPlaybackState(QMediaPlayer::PlaybackState state);
    void onMediaStatus(QMediaPlayer::MediaStatus status);
    void onError(QMediaPlayer::Error code, const QString& description);
    void onPosition(qint64 ms);
    void reportPlayingWhenReady();
    void report(int newState);

    QMediaPlayer* m_player = nullptr; // the loaded file's; null when none or when it failed
    QAudioOutput* m_output = nullptr;
    QString m_fileName;
    int m_state = Closed; // the state last reported
    bool m_autoStart = true;
    bool m_atEnd = false; // played to its end: position() stays at the end
    double m_lastPosition = 0;
    int m_volume = FullVolume;
    bool m_muted = false;
};

} // namespace tunewalk
