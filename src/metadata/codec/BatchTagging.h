#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tunewalk {

class MP3TagEditor;

// What a batch writes into every file. Texts are the tag's bytes (ISO 8859-1), used as given:
// a value typed with a leading space is written with it.
struct BatchTagOptions {
    // The title from the file's name; it replaces a title that is not empty only with
    // overwriteTitle. Wins over a fixed title.
    bool titleFromFileName = false;
    bool overwriteTitle = false;
    // "Track " and the first run of digits in the file's name as the comment; it replaces a
    // comment that is not empty only with overwriteComment. Wins over a fixed comment.
    bool guessTrack = false;
    bool overwriteComment = false;

    std::optional<std::string> title, artist, album, year, comment;
    std::optional<int> genre;
};

// The first run of decimal digits in `text` as it stands (leading zeros kept); empty when there
// is none.
std::string firstDigitRun(std::string_view text);

// Applies `options` to an editor that has loaded one file; `baseName` is that file's name
// without its extension, in ISO 8859-1. Fields the options leave out keep what was read, and
// the editor's setters cut texts to the field's width. Saving is the caller's.
void applyBatchTags(MP3TagEditor& editor, const BatchTagOptions& options,
                    std::string_view baseName);

} // namespace tunewalk
