#pragma once

#include <cstdint>
#include <string>

namespace tunewalk {

// What a file's own tags and stream say of it, as read through the tag library: texts in UTF-8,
// empty where the file has none; numbers 0 where it has none.
struct AudioTags {
    std::string title, artist, album, albumArtist, genre, comment, composer;
    int track = 0, trackTotal = 0, disc = 0, discTotal = 0, year = 0;
    // The container and the codec, as shown: "MPEG-1 Layer III", "FLAC", "Ogg Vorbis", "MP4 AAC".
    std::string format;
    std::int64_t lengthMs = 0;
    int bitrate = 0; // kbit/s
    int sampleRate = 0, channels = 0, bitDepth = 0;
    bool hasCover = false;
};

} // namespace tunewalk
