#include "app/playback/SystemPlayer.h"

#include "app/playback/QtMediaPlayer.h"

namespace tunewalk {

std::unique_ptr<MediaPlayer> makeSystemPlayer() {
    return std::make_unique<QtMediaPlayer>();
}

} // namespace tunewalk
