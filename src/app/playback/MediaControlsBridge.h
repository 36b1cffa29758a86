#pragma once

namespace tunewalk {

class DesktopMediaControls;
class Form1;
struct NowPlaying;

// What the desktop's media controls show, read from the main window's state.
NowPlaying nowPlaying(const Form1& window);

// Lets the desktop's media keys and player widgets drive the window's playback, and keeps
// them told of what plays.
void connectMediaControls(Form1& window, DesktopMediaControls& controls);

} // namespace tunewalk
