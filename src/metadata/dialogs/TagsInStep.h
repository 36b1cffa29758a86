#pragma once

#include "metadata/codec/MP3TagEditor.h"
#include "metadata/tags/TagWriter.h"

#include <string>

namespace tunewalk {

// An ID3v1 tag's fields as the codec holds them, to tell what a save changed.
struct Id3v1Values {
    std::string title, artist, album, year, comment;
    int track = 0, genre = MP3TagEditor::NoneGenre;
    bool operator==(const Id3v1Values&) const = default;
};
Id3v1Values id3v1ValuesOf(const MP3TagEditor& editor);

// The fields an ID3v1 save changed from `before` to `after`, as the file's other tags take
// them (the texts read as Latin-1, a genre by its name): a field the save left as it was keeps
// whatever the other tags hold, which may be more than ID3v1 can.
TagFields changedFields(const Id3v1Values& before, const Id3v1Values& after);

// The options that put those fields into the tags the file has beside ID3v1, with the codec's
// ID3v1 bytes written exactly as the editor makes them.
TagWriteOptions inStepOptions(TagWriteOptions options, const MP3TagEditor& editor);

} // namespace tunewalk
