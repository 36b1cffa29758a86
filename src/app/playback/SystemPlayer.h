#pragma once

#include "app/playback/MediaPlayer.h"

#include <memory>

namespace tunewalk {

// The player this build plays through: GStreamer's playbin where GStreamer is, Qt Multimedia
// elsewhere.
std::unique_ptr<MediaPlayer> makeSystemPlayer();

} // namespace tunewalk
