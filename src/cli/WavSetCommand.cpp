// tunewalk-tag wav-set: rewrites the format fields of WAV files; the sample data is never
// touched.

#include "Args.h"
#include "RunHistory.h"

#include "metadata/codec/WAVInfo.h"

#include <QLocale>
#include <algorithm>
#include <array>
#include <functional>
#include <iostream>
#include <limits>

namespace tunewalk::cli {
namespace {

constexpr const char* kUsage = R"(Usage: tunewalk-tag wav-set [OPTIONS] FILE...

Rewrites the format fields of each WAV FILE; block align and bytes per second follow
from the new values. Unless --yes is given, asks on the terminal before each file.
A wrong value makes the audio play wrongly, so be sure of the new values.

Options (as --name N or --name=N):
  --bits N          bits per sample, 1-32
  --rate N          sample rate in Hz, 1-4294967295
  --channels N      1 or 2
  --yes             do not ask, change every file
  --no-history      do not record the change in Tunewalk's history (without it the
                    player's Edit > Undo can take the change back)
  --                end of options
  -h, --help        show this help

A file whose change is declined is reported as "not changed" and is not an error.
Exit status: 0 when no file failed, 1 when one could not be read or saved, 2 on bad
arguments.
)";

constexpr std::array<OptionSpec, 5> kOptions = {{
    {"--bits", true},
    {"--rate", true},
    {"--channels", true},
    {"--yes", false},
    {"--no-history", false},
}};

struct NumberField {
    std::string_view option;
    std::uint64_t max;
};
constexpr NumberField kBits{"--bits", 32};
constexpr NumberField kRate{"--rate", std::numeric_limits<std::uint32_t>::max()};
constexpr NumberField kChannels{"--channels", 2};

// Only a plain "y" or "yes" agrees; anything else, end of input included, declines.
bool askOnTerminal(const std::string& question) {
    std::cerr << question << " [y/N] " << std::flush;
    std::string line;
    if (!std::getline(std::cin, line)) {
        // Nobody answered: end the prompt's line so the next message starts on its own.
        std::cerr << '\n';
        return false;
    }
    const auto first = line.find_first_not_of(" \t\r");
    const auto last = line.find_last_not_of(" \t\r");
    const std::string_view answer = first == std::string::npos
                                        ? std::string_view{}
                                        : std::string_view(line).substr(first, last - first + 1);
    return equalsNoCase(answer, "y") || equalsNoCase(answer, "yes");
}

struct Change {
    std::optional<std::uint64_t> bits, rate, channels;
    bool yes = false;
};

// Whether saving `wav` with the change writes anything: the setters leave a field that keeps
// its value unchanged.
bool alters(const WAVInfo& wav, const Change& change) {
    return (change.bits && std::min<std::uint64_t>(*change.bits, WAVInfo::MaxSampleBits()) !=
                               static_cast<std::uint64_t>(wav.SampleBits())) ||
           (change.rate && static_cast<std::int64_t>(*change.rate) != wav.SampleRate()) ||
           (change.channels && static_cast<std::int64_t>(*change.channels) != wav.Channels());
}

// The format fields the change will write over, for the history; nothing for a file that
// will not be written.
std::optional<HistoryStore::Change> planOne(const std::string& file, const Change& change) {
    if (!endsWithNoCase(file, "wav") || notARegularFile(file)) return std::nullopt;
    WAVInfo wav;
    if (!wav.LoadWAV(file) || wav.FormatFieldsAt() < 0 || !alters(wav, change)) return std::nullopt;
    return history::bytesWrite(RunHistory::pathOf(file), wav.FormatFieldsAt(), 14);
}

enum class Outcome { Saved, Declined, Failed };

// On failure `why` tells what went wrong, naming the file. `beforeWrite` runs once the change
// is agreed to, right before the fields are written.
Outcome changeOne(const std::string& file, const Change& change, std::string& why,
                  const std::function<void()>& beforeWrite) {
    if (!endsWithNoCase(file, "wav")) {
        why = file + ": not a WAV file";
        return Outcome::Failed;
    }
    if (const auto notFile = notARegularFile(file)) {
        why = file + ": " + *notFile;
        return Outcome::Failed;
    }
    WAVInfo wav;
    wav.setErrorReporter([&file](const std::string& description) {
        std::cerr << "tunewalk-tag: " << file << ": " << description << '\n';
    });
    if (!wav.LoadWAV(file)) {
        why = wav.BigEndian() ? file + " is a big-endian WAV file, which cannot be read"
                              : file + ": cannot read it";
        return Outcome::Failed;
    }
    // Before any assignment: a file without a format has no fields to derive the others from.
    const std::string noFormat = file + " has no WAV format header";
    if (wav.NoFormatHeader()) {
        why = noFormat;
        return Outcome::Failed;
    }
    if (change.bits) wav.setSampleBits(static_cast<int>(*change.bits));
    if (change.rate) wav.setSampleRate(static_cast<std::int64_t>(*change.rate));
    if (change.channels) wav.setChannels(static_cast<int>(*change.channels));

    bool declined = false;
    wav.setConfirmHeaderChange([&](const std::string& question) {
        const bool agreed = change.yes || askOnTerminal(question);
        declined = !agreed;
        if (agreed) beforeWrite();
        return agreed;
    });
    if (const Result saved = wav.SaveWAV(); !saved) {
        why = wav.NoFormatHeader() ? noFormat : saved.message();
        return Outcome::Failed;
    }
    return declined ? Outcome::Declined : Outcome::Saved;
}

} // namespace

int runWavSet(std::span<const std::string> args) {
    std::string error;
    const auto parsed = parseArgs(args, kOptions, error);
    if (!parsed) return usageError(error + " (try 'tunewalk-tag wav-set --help')");
    if (parsed->help) {
        std::cout << kUsage;
        return kExitOk;
    }

    Change change;
    change.yes = parsed->has("--yes");
    const std::array<std::pair<NumberField, std::optional<std::uint64_t>*>, 3> fields = {{
        {kBits, &change.bits},
        {kRate, &change.rate},
        {kChannels, &change.channels},
    }};
    for (const auto& [field, target] : fields) {
        const std::string* value = parsed->value(field.option);
        if (!value) continue;
        const auto number = parseDecimal(*value, field.max);
        if (!number || *number == 0)
            return usageError(std::string(field.option) + ": '" + *value +
                              "' is not a whole number from 1 to " + std::to_string(field.max));
        *target = number;
    }
    if (!change.bits && !change.rate && !change.channels)
        return usageError("wav-set: no field to set (try 'tunewalk-tag wav-set --help')");
    if (parsed->files.empty())
        return usageError("wav-set: no files given (try 'tunewalk-tag wav-set --help')");

    const std::vector<std::string>& files = parsed->files;
    RunHistory journal(!parsed->has("--no-history"));
    std::vector<std::optional<std::size_t>> changeOf(files.size());
    for (std::size_t i = 0; journal.on() && i < files.size(); ++i)
        if (auto planned = planOne(files[i], change)) changeOf[i] = journal.plan(*planned);
    const QString description = journal.count() == 1
                                    ? QStringLiteral("Edit header of \"%1\" (tunewalk-tag)")
                                          .arg(RunHistory::nameOf(journal.path(0)))
                                    : QStringLiteral("Edit headers of %1 files (tunewalk-tag)")
                                          .arg(QLocale().toString(qulonglong(journal.count())));

    bool allSaved = true;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& file = files[i];
        bool written = false;
        const auto beforeWrite = [&] {
            written = true;
            if (changeOf[i]) journal.beforeWrite(RunHistory::EntryKind::HeaderSave, description);
        };
        std::string why;
        switch (changeOne(file, change, why, beforeWrite)) {
        case Outcome::Saved:
            if (written && changeOf[i]) journal.made(*changeOf[i]);
            break;
        case Outcome::Declined:
            std::cerr << "not changed: " << file << '\n';
            break;
        case Outcome::Failed:
            // The fixed line is for scripts; the reason before it is for people.
            std::cerr << "tunewalk-tag: " << why << "\n"
                      << "not saved: " << file << "\n";
            allSaved = false;
            break;
        }
    }
    journal.finish();
    return allSaved ? kExitOk : kExitFailed;
}

} // namespace tunewalk::cli
