#include "app/playback/MediaControlsBridge.h"

#include "app/playback/MediaPlayer.h"
#include "app/playback/Playback.h"
#include "shell/DesktopMediaControls.h"

#include <algorithm>
#include <cmath>

namespace tunewalk {

NowPlaying nowPlaying(const Playback& playback) {
    NowPlaying now;
    const MediaPlayer& player = playback.player();
    const Playback::Shown& shown = playback.shown();
    if (!playback.currentFile().isEmpty()) {
        now.path = playback.currentFile();
        now.title = shown.title;
        now.artist = shown.artist;
        now.album = shown.album;
        now.albumArtist = shown.albumArtist;
        now.trackNumber = shown.trackNumber;
        now.artUrl = shown.artUrl;
        now.lengthMicroseconds = static_cast<qint64>(player.duration() * 1e6);
    }
    if (playback.isPlaying())
        now.status = playback.isPaused() ? NowPlaying::Status::Paused : NowPlaying::Status::Playing;
    now.canPlay = shown.canPlay || playback.isPaused();
    now.canPause = playback.isPlaying();
    now.canGoNext = shown.canGoNext;
    now.canGoPrevious = shown.canGoPrevious;
    now.canSeek = !player.fileName().isEmpty();
    // The desktop sees the level the window's volume slider shows.
    now.volume = player.isMuted() ? 0.0 : MediaPlayer::percentFromVolume(player.volume()) / 100.0;
    return now;
}

void bridgeMediaControls(Playback& playback, const MediaCommands& commands,
                         DesktopMediaControls& controls) {
    Playback* p = &playback;
    DesktopMediaControls* c = &controls;
    MediaPlayer* player = &playback.player();
    QObject::connect(c, &DesktopMediaControls::playPauseRequested, p,
                     [p, commands] { p->isPlaying() ? commands.pause() : commands.play(); });
    QObject::connect(c, &DesktopMediaControls::playRequested, p, [p, commands] {
        if (!p->isPlaying() || p->isPaused()) commands.play();
    });
    QObject::connect(c, &DesktopMediaControls::pauseRequested, p, [p, commands] {
        if (p->isPlaying() && !p->isPaused()) commands.pause();
    });
    QObject::connect(c, &DesktopMediaControls::stopRequested, p, commands.stop);
    QObject::connect(c, &DesktopMediaControls::nextRequested, p, commands.next);
    QObject::connect(c, &DesktopMediaControls::previousRequested, p, commands.previous);
    QObject::connect(c, &DesktopMediaControls::seekRequested, p, [player](qint64 offset) {
        if (player->fileName().isEmpty()) return;
        player->setPosition(std::max(0.0, player->position() + static_cast<double>(offset) / 1e6));
    });
    QObject::connect(c, &DesktopMediaControls::setPositionRequested, p, [player](qint64 position) {
        if (!player->fileName().isEmpty()) player->setPosition(static_cast<double>(position) / 1e6);
    });
    QObject::connect(
        c, &DesktopMediaControls::volumeRequested, p, [player, commands](double level) {
            const double percent = level > 0 ? std::min(level, 1.0) * 100 : 0.0; // NaN too
            player->setVolume(
                MediaPlayer::volumeFromPercent(static_cast<int>(std::lround(percent))));
            if (commands.volumeChanged) commands.volumeChanged();
        });
    QObject::connect(c, &DesktopMediaControls::raiseRequested, p, commands.raise);
    QObject::connect(c, &DesktopMediaControls::quitRequested, p, commands.quit);
    controls.setPositionSource([player] { return static_cast<qint64>(player->position() * 1e6); });
    QObject::connect(p, &Playback::shownChanged, c, [p, c] { c->publish(nowPlaying(*p)); });
    controls.publish(nowPlaying(playback));
}

} // namespace tunewalk
