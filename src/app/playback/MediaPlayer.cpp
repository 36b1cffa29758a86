#include "app/playback/MediaPlayer.h"

namespace tunewalk {

double MediaPlayer::linearVolume(int hundredthsOfDecibel) {
    const int v = std::clamp(hundredthsOfDecibel, int(SilentVolume), int(FullVolume));
    if (v == SilentVolume) return 0.0;
    // Hundredths of a decibel to an amplitude ratio: 10^(dB / 20).
    return std::pow(10.0, v / 2000.0);
}

} // namespace tunewalk
