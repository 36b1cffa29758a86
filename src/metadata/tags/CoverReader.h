#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace tunewalk {

// A picture embedded in an audio file's tag, as the tag holds it.
struct CoverPicture {
    std::string data;     // the picture file's bytes (JPEG, PNG, ...)
    std::string mimeType; // as the tag names it ("image/jpeg"); may be empty or loose ("PNG")
};

// A picture larger than this is passed over: no cover needs it, and a broken tag may claim any
// size.
constexpr std::size_t MaxCoverBytes = 16 * 1024 * 1024;

// The picture embedded in the audio file at `path` (the kinds readAudioTags reads): the one
// marked as the front cover, else the first. ID3v2 pictures for MP3, WAV and AIFF, picture
// blocks for FLAC, METADATA_BLOCK_PICTURE (or the older COVERART) for Ogg and Opus, "covr" for
// MP4. Opened as readAudioTags opens files, so nothing but a regular file is read. Empty, with
// `why` set where something failed, when the file has no picture of at most MaxCoverBytes.
std::optional<CoverPicture> readCoverPicture(const std::string& path, std::string* why = nullptr);

} // namespace tunewalk
