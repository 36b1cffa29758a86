#include "app/playback/SystemPlayer.h"

#include "app/playback/GstMediaPlayer.h"

namespace tunewalk {

std::unique_ptr<MediaPlayer> makeSystemPlayer() {
    return std::make_unique<GstMediaPlayer>();
}

} // namespace tunewalk
