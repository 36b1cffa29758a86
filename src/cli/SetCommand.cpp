// tunewalk-tag set: writes the given ID3v1 fields into MP3 files and leaves the rest alone.

#include "Args.h"

#include "common/Latin1.h"
#include "metadata/codec/MP3TagEditor.h"

#include <array>
#include <functional>
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
  --                end of options
  -h, --help        show this help

Exit status: 0 when every file was saved, 1 when one was not, 2 on bad arguments.
)";

using Setter = void (MP3TagEditor::*)(const std::string&);

struct TextField {
    std::string_view option;
    std::size_t width;
    Setter set;
};

constexpr std::array<TextField, 5> kTextFields = {{
    {"--title", 30, &MP3TagEditor::setTitle},
    {"--artist", 30, &MP3TagEditor::setArtist},
    {"--album", 30, &MP3TagEditor::setAlbum},
    {"--year", 4, &MP3TagEditor::setYear},
    {"--comment", 30, &MP3TagEditor::setComment},
}};

constexpr std::array<OptionSpec, 6> kOptions = {{
    {"--title", true},
    {"--artist", true},
    {"--album", true},
    {"--year", true},
    {"--comment", true},
    {"--genre", true},
}};

std::optional<int> parseGenre(const std::string& text) {
    if (auto number = parseDecimal(text, 255)) return static_cast<int>(*number);
    // The editor's list holds every named genre and "None".
    const MP3TagEditor editor;
    for (const auto& [key, genre] : editor.GenraList())
        if (equalsNoCase(text, genre.Name())) return genre.ID();
    return std::nullopt;
}

// What to write, already checked and converted to the tag's bytes.
struct Assignment {
    std::vector<std::pair<Setter, std::string>> texts;
    std::optional<int> genre;
};

bool saveOne(const std::string& file, const Assignment& what, std::string& why) {
    if (!endsWithNoCase(file, "mp3")) {
        why = "not an MP3 file";
        return false;
    }
    MP3TagEditor editor;
    if (!editor.LoadMP3(file)) {
        why = "cannot read it";
        return false;
    }
    for (const auto& [set, value] : what.texts)
        (editor.*set)(value);
    if (what.genre) editor.setGenra(*what.genre);
    if (!editor.SaveMP3(false)) {
        why = "cannot write it";
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
    if (parsed->options.empty())
        return usageError("set: no field to set (try 'tunewalk-tag set --help')");
    if (parsed->files.empty())
        return usageError("set: no files given (try 'tunewalk-tag set --help')");

    // Every value is checked before the first file is opened, so a typo changes nothing.
    Assignment what;
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
        what.texts.emplace_back(field.set, std::move(*latin1));
    }
    if (const std::string* genre = parsed->value("--genre")) {
        what.genre = parseGenre(*genre);
        if (!what.genre)
            return usageError("--genre: '" + *genre +
                              "' is neither a number 0-255 nor a known genre name");
    }
    for (const std::string& warning : warnings)
        std::cerr << "tunewalk-tag: warning: " << warning << '\n';

    bool allSaved = true;
    for (const std::string& file : parsed->files) {
        std::string why;
        if (!saveOne(file, what, why)) {
            // The fixed line is for scripts; the reason before it is for people.
            std::cerr << "tunewalk-tag: " << file << ": " << why << "\n"
                      << "not saved: " << file << "\n";
            allSaved = false;
        }
    }
    return allSaved ? kExitOk : kExitFailed;
}

} // namespace tunewalk::cli
