// tunewalk-tag write: writes the full tag of any kind the player lists, as its Edit Tags does.

#include "Args.h"
#include "RunHistory.h"

#include "metadata/tags/TagSaving.h"

#include <QFile>
#include <QLocale>
#include <array>
#include <iostream>

namespace tunewalk::cli {
namespace {

constexpr const char* kUsage = R"(Usage: tunewalk-tag write [OPTIONS] FILE...

Writes the given fields into the tags of each FILE (MP3, WAV, FLAC, Ogg Vorbis, Opus,
M4A, AIFF), as the player's Edit Tags does: an MP3 gets an ID3v2 tag, and an ID3v1 tag
it has is kept in step; no other tag is added or removed. Fields not given keep their
value; an empty value removes the field. Values are UTF-8.

Options (as --name VALUE or --name=VALUE):
  --title TEXT, --artist TEXT, --album TEXT, --album-artist TEXT, --genre TEXT,
  --comment TEXT, --composer TEXT
  --track N[/TOTAL], --disc N[/TOTAL], --year YEAR
                    whole numbers; 0 or empty removes
  --cover FILE      a JPEG or PNG picture as the front cover
  --remove-cover    no front cover
  --id3v2-version 3|4
                    the ID3v2 version MP3 files are written in (default 4)
  --encoding PAGE   the code page of an MP3's ID3v1 tag (default Latin-1; what it
                    cannot hold becomes '?')

  --no-history      do not record the change in Tunewalk's history (without it the
                    player's Edit > Undo can take the change back)
  --                end of options
  -h, --help        show this help

A file whose tags outgrow their room is written anew beside itself and renamed over
the old one, which the history keeps for undo. One line "saved: FILE" or "not saved:
FILE" per file; the reason on standard error.
Exit status: 0 when every file was saved, 1 when one was not, 2 on bad arguments.
)";

constexpr std::array<OptionSpec, 15> kOptions = {{
    {"--title", true},       {"--artist", true},   {"--album", true},
    {"--album-artist", true}, {"--genre", true},    {"--comment", true},
    {"--composer", true},    {"--track", true},    {"--disc", true},
    {"--year", true},        {"--cover", true},    {"--remove-cover", false},
    {"--id3v2-version", true}, {"--encoding", true}, {"--no-history", false},
}};

// "N" or "N/TOTAL"; empty is 0 (removed).
bool parseNumbers(const std::string& text, std::optional<int>& n, std::optional<int>* total) {
    const auto slash = text.find('/');
    const std::string first = text.substr(0, slash);
    const auto number = [](const std::string& s) -> std::optional<int> {
        if (s.empty()) return 0;
        const auto v = parseDecimal(s, 9999);
        return v ? std::optional<int>(int(*v)) : std::nullopt;
    };
    n = number(first);
    if (!n) return false;
    if (slash == std::string::npos) return true;
    if (!total) return false;
    *total = number(text.substr(slash + 1));
    return total->has_value();
}

} // namespace

int runWrite(std::span<const std::string> args) {
    std::string error;
    const auto parsed = parseArgs(args, kOptions, error);
    if (!parsed) return usageError(error + " (try 'tunewalk-tag write --help')");
    if (parsed->help) {
        std::cout << kUsage;
        return kExitOk;
    }
    if (parsed->files.empty()) return usageError("no file given (try 'tunewalk-tag write --help')");

    // Every value is checked before the first file is opened, so a typo changes nothing.
    TagFields fields;
    const std::pair<const char*, std::optional<std::string> TagFields::*> texts[] = {
        {"--title", &TagFields::title},     {"--artist", &TagFields::artist},
        {"--album", &TagFields::album},     {"--album-artist", &TagFields::albumArtist},
        {"--genre", &TagFields::genre},     {"--comment", &TagFields::comment},
        {"--composer", &TagFields::composer}};
    for (const auto& [option, field] : texts)
        if (const std::string* value = parsed->value(option)) fields.*field = *value;
    if (const std::string* v = parsed->value("--track"); v && !parseNumbers(*v, fields.track, &fields.trackTotal))
        return usageError("--track: '" + *v + "' is not N or N/TOTAL");
    if (const std::string* v = parsed->value("--disc"); v && !parseNumbers(*v, fields.disc, &fields.discTotal))
        return usageError("--disc: '" + *v + "' is not N or N/TOTAL");
    if (const std::string* v = parsed->value("--year"); v && !parseNumbers(*v, fields.year, nullptr))
        return usageError("--year: '" + *v + "' is not a year");
    if (parsed->has("--cover") && parsed->has("--remove-cover"))
        return usageError("--cover and --remove-cover cannot be used together");
    if (const std::string* cover = parsed->value("--cover")) {
        QFile file(QString::fromStdString(*cover));
        if (!file.open(QIODevice::ReadOnly)) return usageError("--cover: " + file.errorString().toStdString());
        const QByteArray bytes = file.read(16 * 1024 * 1024 + 1);
        const bool png = bytes.startsWith("\x89PNG"), jpeg = bytes.startsWith("\xFF\xD8\xFF");
        if (!png && !jpeg) return usageError("--cover: not a JPEG or PNG picture");
        if (bytes.size() > 16 * 1024 * 1024) return usageError("--cover: larger than 16 MB");
        fields.cover = TagFields::Cover::Set;
        fields.coverData = bytes.toStdString();
        fields.coverMime = png ? "image/png" : "image/jpeg";
    }
    if (parsed->has("--remove-cover")) fields.cover = TagFields::Cover::Remove;
    TagWriteOptions options;
    if (const std::string* v = parsed->value("--id3v2-version")) {
        if (*v != "3" && *v != "4") return usageError("--id3v2-version: 3 or 4");
        options.id3v2Version = *v == "3" ? 3 : 4;
    }
    if (const std::string* v = parsed->value("--encoding")) {
        const auto page = codePageFromName(*v);
        if (!page) return usageError("--encoding: '" + *v + "' is no code page this program knows");
        options.id3v1Page = *page;
    }
    if (fields.empty()) return usageError("no field given (try 'tunewalk-tag write --help')");

    std::vector<TagSaveRequest> requests;
    for (const std::string& file : parsed->files)
        requests.push_back({RunHistory::pathOf(file), fields});
    std::unique_ptr<HistoryStore> store;
    if (!parsed->has("--no-history")) store = std::make_unique<HistoryStore>();
    const QString description =
        requests.size() == 1
            ? QStringLiteral("Edit tags of \"%1\" (tunewalk-tag)").arg(RunHistory::nameOf(requests[0].path))
            : QStringLiteral("Edit tags of %1 files (tunewalk-tag)")
                  .arg(QLocale().toString(qulonglong(requests.size())));
    const TagSaveOutcome out =
        saveTags({store.get(), {}}, HistoryStore::EntryKind::TagEdit, description, requests, options);
    if (store && store->wasReset())
        std::cerr << "tunewalk-tag: the change history was damaged; it was set aside as "
                  << displayPath(store->setAsideAs()).toStdString()
                  << " and a new one was started. Changes made before now cannot be undone.\n";
    for (const QString& line : out.failures) std::cerr << "tunewalk-tag: " << line.toStdString() << '\n';
    // Saved (or holding the values already) unless among the failures.
    for (std::size_t i = 0; i < parsed->files.size(); ++i)
        std::cout << (out.failedPaths.contains(requests[i].path) ? "not saved: " : "saved: ")
                  << parsed->files[i] << '\n';
    return out.ok() ? kExitOk : kExitFailed;
}

} // namespace tunewalk::cli
