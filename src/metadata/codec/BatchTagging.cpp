#include "BatchTagging.h"

#include "MP3TagEditor.h"

namespace tunewalk {
namespace {

// Only ASCII digits count: the name's other bytes are ISO 8859-1 letters, never digits.
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::string firstDigitRun(std::string_view text) {
    std::size_t first = 0;
    while (first < text.size() && !isDigit(text[first]))
        ++first;
    std::size_t end = first;
    while (end < text.size() && isDigit(text[end]))
        ++end;
    return std::string(text.substr(first, end - first));
}

void applyBatchTags(MP3TagEditor& editor, const BatchTagOptions& options,
                    std::string_view baseName) {
    if (options.titleFromFileName) {
        if (editor.Title().empty() || options.overwriteTitle)
            editor.setTitle(std::string(baseName));
    } else if (options.title) {
        editor.setTitle(*options.title);
    }

    if (options.guessTrack) {
        if (editor.Comment().empty() || options.overwriteComment) {
            // A name without digits says nothing about the track: keep what the file had.
            const std::string digits = firstDigitRun(baseName);
            if (!digits.empty()) editor.setComment("Track " + digits);
        }
    } else if (options.comment) {
        editor.setComment(*options.comment);
    }

    if (options.artist) editor.setArtist(*options.artist);
    if (options.album) editor.setAlbum(*options.album);
    if (options.year) editor.setYear(*options.year);
    if (options.genre) editor.setGenra(*options.genre);
}

} // namespace tunewalk
