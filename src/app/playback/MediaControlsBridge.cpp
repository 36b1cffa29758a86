#include "app/playback/MediaControlsBridge.h"

#include "app/listing/ListEntry.h"
#include "app/playback/MediaPlayer.h"
#include "app/window/Form1.h"
#include "shell/DesktopMediaControls.h"

#include <QAction>
#include <QLabel>
#include <algorithm>
#include <cmath>

namespace tunewalk {

NowPlaying nowPlaying(const Form1& window) {
    NowPlaying now;
    const MediaPlayer* player = window.player();
    if (!window.playingFile().isEmpty()) {
        now.path = window.playingFile();
        now.title = window.currentLabel()->text();
        if (const ListEntry* row = window.findRow(window.playingFile()))
            now.artist = row->details.artist;
        now.lengthMicroseconds = static_cast<qint64>(player->duration() * 1e6);
    }
    if (window.playing())
        now.status = window.paused() ? NowPlaying::Status::Paused : NowPlaying::Status::Playing;
    now.canPlay = window.command("mnuPlayFile")->isEnabled() || window.paused();
    now.canPause = window.playing();
    now.canGoNext = window.command("mnuNext")->isEnabled();
    now.canGoPrevious = window.command("mnuPrevious")->isEnabled();
    now.canSeek = !player->fileName().isEmpty();
    // The desktop sees the level the window's volume slider shows.
    now.volume = player->isMuted() ? 0.0 : MediaPlayer::percentFromVolume(player->volume()) / 100.0;
    return now;
}

void connectMediaControls(Form1& window, DesktopMediaControls& controls) {
    Form1* w = &window;
    DesktopMediaControls* c = &controls;
    QObject::connect(c, &DesktopMediaControls::playPauseRequested, w, [w] {
        if (w->playing())
            w->pauseCommand();
        else
            w->playCommand();
    });
    QObject::connect(c, &DesktopMediaControls::playRequested, w, [w] {
        if (!w->playing() || w->paused()) w->playCommand();
    });
    QObject::connect(c, &DesktopMediaControls::pauseRequested, w, [w] {
        if (w->playing() && !w->paused()) w->pauseCommand();
    });
    QObject::connect(c, &DesktopMediaControls::stopRequested, w, &Form1::stopCommand);
    QObject::connect(c, &DesktopMediaControls::nextRequested, w->command("mnuNext"),
                     &QAction::trigger);
    QObject::connect(c, &DesktopMediaControls::previousRequested, w, &Form1::restartOrPrevious);
    QObject::connect(c, &DesktopMediaControls::seekRequested, w, [w](qint64 offset) {
        MediaPlayer* p = w->player();
        if (p->fileName().isEmpty()) return;
        p->setPosition(std::max(0.0, p->position() + static_cast<double>(offset) / 1e6));
    });
    QObject::connect(c, &DesktopMediaControls::setPositionRequested, w, [w](qint64 position) {
        if (!w->player()->fileName().isEmpty())
            w->player()->setPosition(static_cast<double>(position) / 1e6);
    });
    QObject::connect(c, &DesktopMediaControls::volumeRequested, w, [w](double level) {
        const double percent = level > 0 ? std::min(level, 1.0) * 100 : 0.0; // NaN too
        w->player()->setVolume(
            MediaPlayer::volumeFromPercent(static_cast<int>(std::lround(percent))));
        emit w->playbackChanged();
    });
    QObject::connect(c, &DesktopMediaControls::raiseRequested, w, &Form1::raiseFromAnotherStart);
    QObject::connect(c, &DesktopMediaControls::quitRequested, w, &QWidget::close);
    controls.setPositionSource([w] { return static_cast<qint64>(w->player()->position() * 1e6); });
    QObject::connect(w, &Form1::playbackChanged, c, [w, c] { c->publish(nowPlaying(*w)); });
    controls.publish(nowPlaying(window));
}

} // namespace tunewalk
