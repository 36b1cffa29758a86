#pragma once

#include "metadata/tags/AudioTags.h"
#include "metadata/tags/CodePage.h"

#include <functional>
#include <optional>
#include <string>

namespace TagLib {
class IOStream;
}

namespace tunewalk {

struct TagReadOptions {
    // ID3v2 text frames marked Latin-1 are read in this page: many were written in another.
    CodePage latin1Page = CodePage::Latin1;
    // Off: the length, bitrate and the like of MP3 and WAV files are left unread (the caller
    // has its own reader for them), which spares a scan of the stream.
    bool audioProperties = true;
};

// Reads the tags and stream properties of the audio file at `path` (raw bytes of the name), the
// kind chosen by its extension (mp3, wav, flac, ogg, oga, opus, m4a, aif, aiff). For an MP3 the
// ID3v2 tag gives each field it has, then APE; ID3v1 is left to the program's own codec. For a
// WAV the ID3v2 chunk, then LIST INFO. Only a regular file is opened, without blocking: nothing
// else (a pipe, a device) is handed to the library. Empty, with `why` set, when the file cannot
// be opened or read as its kind.
std::optional<AudioTags> readAudioTags(const std::string& path, std::string* why = nullptr,
                                       const TagReadOptions& options = {});
// The same from an open stream, its kind given by an extension ("mp3", "flac", ...).
std::optional<AudioTags> readAudioTagsFrom(TagLib::IOStream& stream, const std::string& extension,
                                           const TagReadOptions& options = {});

// Whether the name has one of the extensions readAudioTags reads.
bool hasTagReaderExtension(const std::string& path);
// The kind of the name by its extension, in lower case ("mp3", "flac", ...); empty for a kind
// readAudioTags does not read.
std::string tagFileKind(const std::string& path);

// Opens the file at `path` as readAudioTags does (only a regular file, of a kind it reads) and
// hands `read` the stream and the kind ("mp3", "flac", ...); `read` says whether the file was
// one of that kind. False, with `why` set, when any of that fails.
bool readTagFile(const std::string& path, std::string* why,
                 const std::function<bool(TagLib::IOStream&, const std::string& kind)>& read);

} // namespace tunewalk
