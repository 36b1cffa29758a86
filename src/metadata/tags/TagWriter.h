#pragma once

#include "common/SaveNames.h"
#include "metadata/tags/CodePage.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tunewalk {

// What a save sets. A field left empty keeps what the file has; an empty text or a 0 removes it.
struct TagFields {
    std::optional<std::string> title, artist, album, albumArtist, genre, comment, composer; // UTF-8
    std::optional<int> track, trackTotal, disc, discTotal, year;

    enum class Cover { Keep, Set, Remove };
    Cover cover = Cover::Keep;
    std::string coverData; // Set: the picture's bytes (JPEG or PNG), as the front cover
    std::string coverMime; // "image/jpeg", "image/png"

    bool empty() const;
};

struct TagWriteOptions {
    int id3v2Version = 4; // 4 or 3, for the ID3v2 tags of MP3 (and WAV) files
    // The page an MP3's ID3v1 tag is written in: what it has no character for becomes '?'.
    CodePage id3v1Page = CodePage::Latin1;
    // Only the tags the file has are written; none is added (for keeping them in step with an
    // ID3v1 save made by the codec).
    bool onlyExistingTags = false;
    // Exactly these 128 bytes as the MP3's ID3v1 tag, over the one it has or appended; without,
    // an ID3v1 tag the file has is kept in step with the fields, and none is added.
    std::optional<std::string> id3v1Tag;
};

// One stretch of bytes a save writes in place.
struct ByteRegion {
    std::int64_t offset = 0;
    std::string before, after;
};

class PlannedFile;

// A save worked out in memory before anything is written: which bytes change, or the whole new
// file when the tags grew past their room and the audio has to move.
struct TagSavePlan {
    std::string path;
    bool changes = false; // false: the file holds these values already
    bool inPlace = true;
    std::vector<ByteRegion> regions; // in place: every stretch that changes
    std::int64_t sizeBefore = 0, sizeAfter = 0;
    // The file as planned from: a save finds it so, or is refused as changed since.
    std::int64_t modifiedNs = 0;
    std::uint64_t device = 0, inode = 0;
    std::shared_ptr<const PlannedFile> file; // the new file whole, for a rewrite
};

// Works the save out on the regular file at `path` (the kinds readAudioTags reads), reading it
// but writing nothing. For MP3 files the ID3v2 tag is saved in the chosen version and no other
// tag is stripped or added (an APE tag stays as it is). Empty, with `why` (the system's reason
// or the library's), when the file cannot be read or saved as its kind.
std::optional<TagSavePlan> planTagSave(const std::string& path, const TagFields& fields,
                                       const TagWriteOptions& options, std::string* why);

// Carries a plan out. In place: the regions are written and flushed. Whole: the new file is
// written beside the original under a hidden name, flushed and checked, `keepOriginal` is
// called (it may keep the original, a hard link for the history; false stops the save with
// nothing changed), and it is renamed over the original, so the path always holds the old
// file or the new one whole. The file's permissions go over to the new one. False, with `why`,
// when the file changed since it was planned or could not be written.
bool writeTagSave(const TagSavePlan& plan, const std::function<bool()>& keepOriginal,
                  std::string* why);

} // namespace tunewalk
