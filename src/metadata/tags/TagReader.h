#pragma once

#include "metadata/tags/AudioTags.h"

#include <optional>
#include <string>

namespace tunewalk {

// Reads the tags and stream properties of the audio file at `path` (raw bytes of the name), the
// kind chosen by its extension (mp3, wav, flac, ogg, oga, opus, m4a, aif, aiff). For an MP3 the
// ID3v2 tag gives each field it has, then APE; ID3v1 is left to the program's own codec. For a
// WAV the ID3v2 chunk, then LIST INFO. Only a regular file is opened, without blocking: nothing
// else (a pipe, a device) is handed to the library. Empty, with `why` set, when the file cannot
// be opened or read as its kind.
std::optional<AudioTags> readAudioTags(const std::string& path, std::string* why = nullptr);

// Whether the name has one of the extensions readAudioTags reads.
bool hasTagReaderExtension(const std::string& path);

} // namespace tunewalk
