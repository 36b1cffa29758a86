// tunewalk-tag wav-set: rewrites the format fields of WAV files; the sample data is never
// touched.

#include "Args.h"

#include "metadata/codec/WAVInfo.h"

#include <array>
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
  --                end of options
  -h, --help        show this help

A file whose change is declined is reported as "not changed" and is not an error.
Exit status: 0 when no file failed, 1 when one could not be read or saved, 2 on bad
arguments.
)";

constexpr std::array<OptionSpec, 4> kOptions = {{
    {"--bits", true},
    {"--rate", true},
    {"--channels", true},
    {"--yes", false},
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

enum class Outcome { Saved, Declined, Failed };

// On failure `why` tells what went wrong, naming the file.
Outcome changeOne(const std::string& file, const Change& change, std::string& why) {
    if (!endsWithNoCase(file, "wav")) {
        why = file + ": not a WAV file";
        return Outcome::Failed;
    }
    WAVInfo wav;
    wav.setErrorReporter([&file](const std::string& description) {
        std::cerr << "tunewalk-tag: " << file << ": " << description << '\n';
    });
    if (!wav.LoadWAV(file)) {
        why = file + ": cannot read it";
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

    bool allSaved = true;
    for (const std::string& file : parsed->files) {
        std::string why;
        switch (changeOne(file, change, why)) {
        case Outcome::Saved:
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
    return allSaved ? kExitOk : kExitFailed;
}

} // namespace tunewalk::cli
