#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tunewalk::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct OptionSpec {
    std::string_view name; // with the dashes, e.g. "--title"
    bool takesValue;
};

struct ParsedArgs {
    bool help = false;
    std::map<std::string, std::string, std::less<>> options; // flags map to ""
    std::vector<std::string> files;

    bool has(std::string_view name) const { return options.contains(name); }
    const std::string* value(std::string_view name) const {
        auto it = options.find(name);
        return it == options.end() ? nullptr : &it->second;
    }
};

// Options may come before, between or after the file names; "--" ends them, "-h"/"--help" stops
// parsing right away. On a bad argument returns nullopt and sets `error` to a one-line reason.
std::optional<ParsedArgs> parseArgs(std::span<const std::string> args,
                                    std::span<const OptionSpec> options, std::string& error);

// Prints "tunewalk-tag: <message>" on stderr and returns kExitUsage.
int usageError(std::string_view message);

// True when `name` ends in `suffix`, ignoring ASCII letter case.
bool endsWithNoCase(std::string_view name, std::string_view suffix);
bool equalsNoCase(std::string_view a, std::string_view b);

// A whole decimal number made of digits only (no sign, no spaces); nullopt when it is not one
// or when it exceeds `max`.
std::optional<std::uint64_t> parseDecimal(std::string_view text, std::uint64_t max);

// Why `file` cannot be read as an audio file without opening it: the system's reason when it
// cannot be looked at, "not a regular file" for a pipe, a device or a folder (opening a pipe
// waits for a writer forever); nullopt for a regular file.
std::optional<std::string> notARegularFile(const std::string& file);

int runShow(std::span<const std::string> args);
int runSet(std::span<const std::string> args);
int runWavSet(std::span<const std::string> args);
int runWrite(std::span<const std::string> args);

} // namespace tunewalk::cli
