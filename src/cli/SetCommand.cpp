// tunewalk-tag set: writes the given ID3v1 fields into MP3 files and leaves the rest alone.

#include "Args.h"
#include "RunHistory.h"

#include "common/Latin1.h"
#include "metadata/codec/BatchTagging.h"
#include "metadata/codec/MP3TagEditor.h"

#include <QLocale>
#include <array>
#include <filesystem>
#include <iostream>

namespace tunewalk::cli {
namespace {

constexpr const char* kUsage = R"(Usage: tunewalk-tag set [OPTIONS] FILE...

Writes the given fields into the ID3v1 tag of each MP3 FILE (a tag is added to a file
without one). Fields not given keep their value. Values are UTF-8; every character must
exist in ISO 8859-1. Longer values are cut to the field's width, with a warning.

Options (as --name VALUE or --name=VALUE):
  --title TEXT      up to 30 characters
  --artist TEXT     up to 30 characters
  --album TEXT      up to 30 characters
  --year TEXT       up to 4 characters
  --comment TEXT    up to 30 characters
  --genre N|NAME    a number 0-255 or a genre name (any case; "None" is 255)

Taken from each file's name (these take no value):
  --title-from-filename
                    the name without ".mp3" as the title when the file has none
                    (cut to 30 characters, '?' for a character ISO 8859-1 lacks);
                    not with --title
  --overwrite-title with --title-from-filename: replace a title the file has
  --guess-track     "Track " and the first run of digits in the name as the comment
                    when the file has none; a name without digits keeps the comment;
                    not with --comment
  --overwrite-comment
                    with --guess-track: replace a comment the file has

  --no-history      do not record the change in Tunewalk's history (without it the
                    player's Edit > Undo can take the change back)
  --                end of options
  -h, --help        show this help

Exit status: 0 when every file was saved, 1 when one was not, 2 on bad arguments.
)";

struct TextField {
    std::string_view option;
    std::size_t width;
    std::optional<std::string> BatchTagOptions::*value;
};

constexpr std::array<TextField, 5> kTextFields = {{
    {"--title", 30, &BatchTagOptions::title},
    {"--artist", 30, &BatchTagOptions::artist},
    {"--album", 30, &BatchTagOptions::album},
    {"--year", 4, &BatchTagOptions::year},
    {"--comment", 30, &BatchTagOptions::comment},
}};

constexpr std::array<OptionSpec, 11> kOptions = {{
    {"--title", true},
    {"--artist", true},
    {"--album", true},
    {"--year", true},
    {"--comment", true},
    {"--genre", true},
    {"--title-from-filename", false},
    {"--overwrite-title", false},
    {"--guess-track", false},
    {"--overwrite-comment", false},
    {"--no-history", false},
}};

// The same flag pairs as the batch dialog's check boxes: a field is either fixed or taken from
// the name, and an overwrite means nothing without what it overwrites with.
constexpr std::array<std::pair<std::string_view, std::string_view>, 2> kExclusive = {{
    {"--title", "--title-from-filename"},
    {"--comment", "--guess-track"},
}};
constexpr std::array<std::pair<std::string_view, std::string_view>, 2> kNeeds = {{
    {"--overwrite-title", "--title-from-filename"},
    {"--overwrite-comment", "--guess-track"},
}};

// A UTF-8 sequence's code point, advancing `i`; nullopt when the bytes are not UTF-8.
std::optional<char32_t> nextCodePoint(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) return lead;
    int extra = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        extra = 1;
    else if (lead >= 0xE0 && lead <= 0xEF)
        extra = 2;
    else if (lead >= 0xF0 && lead <= 0xF4)
        extra = 3;
    if (extra == 0 || i + static_cast<std::size_t>(extra) > text.size()) return std::nullopt;
    char32_t code = lead & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        const auto next = static_cast<unsigned char>(text[i++]);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms and surrogates are not UTF-8 either.
    if ((extra == 2 && code < 0x800) || (extra == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF))
        return std::nullopt;
    return code;
}

// The file's name without its extension, as tag bytes. Names are mostly UTF-8: a character
// the tag cannot hold becomes '?', as the player's own batch does. A name that is not UTF-8 at
// all is an old ISO 8859-1 name and is taken byte for byte.
std::string baseNameAsLatin1(const std::string& file) {
    std::string name = std::filesystem::path(file).filename().string();
    if (endsWithNoCase(name, ".mp3")) name.resize(name.size() - 4);
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        const auto code = nextCodePoint(name, i);
        if (!code) return name;
        out += *code <= 0xFF ? static_cast<char>(*code) : '?';
    }
    return out;
}

std::optional<int> parseGenre(const std::string& text) {
    if (auto number = parseDecimal(text, 255)) return static_cast<int>(*number);
    // The editor's list holds every named genre and "None".
    const MP3TagEditor editor;
    for (const auto& [key, genre] : editor.GenraList())
        if (equalsNoCase(text, genre.Name())) return genre.ID();
    return std::nullopt;
}

bool saveOne(const std::string& file, const BatchTagOptions& what, std::string& why) {
    if (!endsWithNoCase(file, "mp3")) {
        why = "not an MP3 file";
        return false;
    }
    if (const auto notFile = notARegularFile(file)) {
        why = *notFile;
        return false;
    }
    MP3TagEditor editor;
    if (!editor.LoadMP3(file)) {
        why = "cannot read it";
        return false;
    }
    applyBatchTags(editor, what, baseNameAsLatin1(file));
    if (const Result saved = editor.SaveMP3(false); !saved) {
        why = saved.reason();
        return false;
    }
    return true;
}

} // namespace

int runSet(std::span<const std::string> args) {
    std::string error;
    const auto parsed = parseArgs(args, kOptions, error);
    if (!parsed) return usageError(error + " (try 'tunewalk-tag set --help')");
    if (parsed->help) {
        std::cout << kUsage;
        return kExitOk;
    }
    const bool recorded = !parsed->has("--no-history");
    if (parsed->options.size() == (recorded ? 0u : 1u))
        return usageError("set: no field to set (try 'tunewalk-tag set --help')");
    if (parsed->files.empty())
        return usageError("set: no files given (try 'tunewalk-tag set --help')");

    for (const auto& [a, b] : kExclusive)
        if (parsed->has(a) && parsed->has(b))
            return usageError(std::string(a) + " and " + std::string(b) +
                              " cannot be used together (try 'tunewalk-tag set --help')");
    for (const auto& [flag, needed] : kNeeds)
        if (parsed->has(flag) && !parsed->has(needed))
            return usageError(std::string(flag) + " needs " + std::string(needed) +
                              " (try 'tunewalk-tag set --help')");

    // Every value is checked before the first file is opened, so a typo changes nothing.
    BatchTagOptions what;
    what.titleFromFileName = parsed->has("--title-from-filename");
    what.overwriteTitle = parsed->has("--overwrite-title");
    what.guessTrack = parsed->has("--guess-track");
    what.overwriteComment = parsed->has("--overwrite-comment");
    std::vector<std::string> warnings;
    for (const TextField& field : kTextFields) {
        const std::string* value = parsed->value(field.option);
        if (!value) continue;
        auto latin1 = utf8ToLatin1(*value);
        if (!latin1)
            return usageError(std::string(field.option) +
                              ": the text holds a character an ID3v1 tag cannot store "
                              "(only ISO 8859-1 fits)");
        if (latin1->size() > field.width)
            warnings.push_back(std::string(field.option) + " is longer than " +
                               std::to_string(field.width) + " characters and will be cut");
        what.*field.value = std::move(*latin1);
    }
    if (const std::string* genre = parsed->value("--genre")) {
        what.genre = parseGenre(*genre);
        if (!what.genre)
            return usageError("--genre: '" + *genre +
                              "' is neither a number 0-255 nor a known genre name");
    }
    for (const std::string& warning : warnings)
        std::cerr << "tunewalk-tag: warning: " << warning << '\n';

    // The MP3 files that are there are the ones the run will write, one change each.
    const std::vector<std::string>& files = parsed->files;
    RunHistory journal(recorded);
    std::vector<std::optional<std::size_t>> changeOf(files.size());
    for (std::size_t i = 0; journal.on() && i < files.size(); ++i) {
        if (!endsWithNoCase(files[i], "mp3") || notARegularFile(files[i])) continue;
        const QString path = RunHistory::pathOf(files[i]);
        const history::ItemNow now = history::lookAt(path);
        if (now.exists && !now.folder) changeOf[i] = journal.plan(history::tagWrite(path));
    }
    const bool one = journal.count() == 1;
    const auto kind = one ? RunHistory::EntryKind::TagSave : RunHistory::EntryKind::BatchTag;
    const QString description = one ? QStringLiteral("Edit tags of \"%1\" (tunewalk-tag)")
                                          .arg(RunHistory::nameOf(journal.path(0)))
                                    : QStringLiteral("Batch tag %1 files (tunewalk-tag)")
                                          .arg(QLocale().toString(qulonglong(journal.count())));

    bool allSaved = true;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& file = files[i];
        if (changeOf[i]) journal.beforeWrite(kind, description);
        std::string why;
        if (saveOne(file, what, why)) {
            if (changeOf[i]) journal.made(*changeOf[i]);
        } else {
            // The fixed line is for scripts; the reason before it is for people.
            std::cerr << "tunewalk-tag: " << file << ": " << why << "\n"
                      << "not saved: " << file << "\n";
            allSaved = false;
        }
    }
    journal.finish();
    return allSaved ? kExitOk : kExitFailed;
}

} // namespace tunewalk::cli
