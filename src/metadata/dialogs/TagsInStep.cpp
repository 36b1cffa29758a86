#include "metadata/dialogs/TagsInStep.h"

#include "common/Latin1.h"

namespace tunewalk {

Id3v1Values id3v1ValuesOf(const MP3TagEditor& e) {
    return {e.Title(), e.Artist(), e.Album(), e.Year(), e.Comment(), e.Track(), e.Genra()};
}

TagFields changedFields(const Id3v1Values& before, const Id3v1Values& after) {
    TagFields f;
    const auto text = [](std::optional<std::string>& field, const std::string& was,
                         const std::string& now) {
        if (now != was) field = latin1ToUtf8(now);
    };
    text(f.title, before.title, after.title);
    text(f.artist, before.artist, after.artist);
    text(f.album, before.album, after.album);
    text(f.comment, before.comment, after.comment);
    if (after.year != before.year) f.year = std::atoi(after.year.c_str());
    if (after.track != before.track) f.track = after.track;
    if (after.genre != before.genre)
        f.genre = after.genre >= 0 && after.genre < MP3TagEditor::NoneGenre
                      ? MP3TagEditor::GenraLookupByID(after.genre)
                      : std::string();
    return f;
}

TagWriteOptions inStepOptions(TagWriteOptions options, const MP3TagEditor& editor) {
    options.onlyExistingTags = true;
    options.id3v1Tag = editor.RenderTag();
    return options;
}

} // namespace tunewalk
