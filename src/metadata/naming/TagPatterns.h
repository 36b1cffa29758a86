#pragma once

#include "metadata/naming/NameRules.h"
#include "metadata/tags/AudioTags.h"
#include "metadata/tags/TagWriter.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tunewalk {

// Patterns that turn tags into file names and file names into tags: "%track% - %title%".
// A field is named between percent signs, in any letter case; "%%" is a percent sign itself.

enum class TagField {
    Title,
    Artist,
    Album,
    AlbumArtist,
    Track,
    TotalTracks,
    Disc,
    Year,
    Genre,
    Composer,
    Comment,
};
// "%title%", "%albumartist%", ...
QString placeholderOf(TagField field);
// The field's name as the user reads it: "Title", "Album artist".
QString fieldLabel(TagField field);
// Track, total tracks, disc and year: digits in a name.
bool isNumberField(TagField field);

class TagPattern {
public:
    // Literal text, or a field.
    struct Piece {
        std::optional<TagField> field;
        QString text;
    };
    // An empty pattern, an unknown field or a lone '%' leaves it invalid, with the reason.
    static TagPattern parse(const QString& text);

    bool valid() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    const std::vector<Piece>& pieces() const { return m_pieces; }
    // Each field the pattern names, once, in the order it first comes.
    std::vector<TagField> fields() const;

private:
    std::vector<Piece> m_pieces;
    QString m_error;
};

// The field in the tags, blanks trimmed, a number in digits; empty when the tags have none (a
// blank text, a 0). With `forName` the track is zero-padded to two digits, or to as many as the
// total has.
QString fieldText(const AudioTags& tags, TagField field, bool forName = false);

// A file's new name without its extension, or the first field the pattern names that the tags
// lack. A '/' in a value becomes '-': a value never makes a folder.
struct NameFromTags {
    QString name;
    std::optional<TagField> missing;
};
NameFromTags nameFromTags(const TagPattern& pattern, const AudioTags& tags);

// The fields a file's name without its extension gives by the pattern: only the pattern's
// fields are set. The text between fields must be in the name as it is; each field but the
// last takes as little as it can and the last the rest, so "%track% - %artist% - %title%" reads
// "01 - Artist - A - B" as track 1, "Artist" and "A - B". A number field takes digits alone, and
// a field named twice must read the same both times. Nothing when the name does not fit.
std::optional<TagFields> tagsFromName(const TagPattern& pattern, const QString& baseName);

// The name without its extension, and the extension with its dot ("" for none).
QString baseNameOf(const QString& fileName);
QString extensionOf(const QString& fileName);

// ---- previews of a run over many files

// A row of a preview: what would happen to the file. Illegal and Clash keep the run from
// starting; a skipped file is merely left as it is.
enum class RowState { Changes, Unchanged, Skipped, Illegal, Clash };
inline bool blocksRun(RowState state) {
    return state == RowState::Illegal || state == RowState::Clash;
}

// A file of a run, with its tags as read (none when they could not be, and why).
struct NamingFile {
    QString path;
    std::optional<AudioTags> tags;
    QString readError;
};

// A folder the run renames in: the rules of its file system and the names it holds.
struct FolderNames {
    NameRules rules;
    QStringList names;
};

struct PlannedRename {
    QString path, newPath; // newPath empty where the file is skipped
    RowState state = RowState::Skipped;
    QString problem;
};
// What the pattern makes of each file's name, checked against the folder's rules and names
// (`folders` by path; a folder not there has the plain rules and no other names). Two files
// given one name clash, and so does a name some file has now that stays in its folder; a name
// another file of the run gives up clashes too (Undo looks at every place before it moves any
// file back, and would refuse such a chain).
std::vector<PlannedRename> planRenames(const TagPattern& pattern,
                                       const std::vector<NamingFile>& files,
                                       const QHash<QString, FolderNames>& folders);

struct PlannedTags {
    QString path;
    TagFields fields;      // what the name gives
    QString before, after; // the pattern's fields as the file has them and as they would be
    RowState state = RowState::Skipped;
    QString problem;
};
std::vector<PlannedTags> planTagsFromNames(const TagPattern& pattern,
                                           const std::vector<NamingFile>& files);

} // namespace tunewalk
