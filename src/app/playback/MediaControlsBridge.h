#pragma once

#include <QString>
#include <functional>

namespace tunewalk {

class DesktopMediaControls;
class Playback;
struct NowPlaying;

// The window's commands the desktop's media controls may ask for.
struct MediaCommands {
    std::function<void()> play, pause, stop, next, previous, raise, quit;
    // The volume was set from the desktop.
    std::function<void()> volumeChanged;
};

// What the desktop's media controls show, read from what plays.
NowPlaying nowPlaying(const Playback& playback);

// Lets the desktop's media keys and player widgets drive playback through `commands`, and
// keeps them told of what plays.
void bridgeMediaControls(Playback& playback, const MediaCommands& commands,
                         DesktopMediaControls& controls);

} // namespace tunewalk
