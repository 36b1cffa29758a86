#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tunewalk::mp3tables {

// Bitrate in kbit/s for a Layer III header's bitrate index; 0 for free format, a bad index or
// an unknown version.
int bitrate(std::uint8_t index, int version);
// Bitrate in kbit/s for any layer (1-3) of MPEG-1 (version 1) or MPEG-2 and 2.5 (version 2).
int streamBitrate(std::uint8_t index, int version, int layer);
// Sample rate in Hz for a header's sample-rate index; 0 for the reserved index.
int sampleRate(std::uint8_t index, int version);
// "Stereo", "Joint Stereo", "Dual Channel", "Mono"; empty for anything else.
std::string_view channelMode(std::uint8_t index);
// Genre names 0-147 and 255 ("None"); empty for every other number.
std::string_view genreName(int id);

inline constexpr int kGenreCount = 148;

} // namespace tunewalk::mp3tables
