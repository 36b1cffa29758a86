#include "Args.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

namespace tunewalk::cli {
namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

const OptionSpec* findSpec(std::span<const OptionSpec> options, std::string_view name) {
    auto it = std::find_if(options.begin(), options.end(),
                           [&](const OptionSpec& s) { return s.name == name; });
    return it == options.end() ? nullptr : &*it;
}

} // namespace

std::optional<ParsedArgs> parseArgs(std::span<const std::string> args,
                                    std::span<const OptionSpec> options, std::string& error) {
    ParsedArgs out;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // A lone "-" is a file name like any other; we never read audio from stdin.
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            out.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            out.help = true;
            return out;
        }
        const auto eq = arg.find('=');
        const std::string_view name = std::string_view(arg).substr(0, eq);
        const OptionSpec* option = arg.starts_with("--") ? findSpec(options, name) : nullptr;
        if (!option) {
            error = "unknown option '" + std::string(name) + "'";
            return std::nullopt;
        }
        std::string value;
        if (option->takesValue) {
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
            } else if (i + 1 < args.size()) {
                // Taken as is even when it starts with a dash: a title may well do.
                value = args[++i];
            } else {
                error = "option " + std::string(name) + " needs a value";
                return std::nullopt;
            }
        } else if (eq != std::string::npos) {
            error = "option " + std::string(name) + " takes no value";
            return std::nullopt;
        }
        // Two different values for one field would leave the user guessing which one won.
        if (!out.options.emplace(std::string(name), std::move(value)).second) {
            error = "option " + std::string(name) + " given more than once";
            return std::nullopt;
        }
    }
    return out;
}

int usageError(std::string_view message) {
    std::cerr << "tunewalk-tag: " << message << '\n';
    return kExitUsage;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

bool endsWithNoCase(std::string_view name, std::string_view suffix) {
    return name.size() >= suffix.size() &&
           equalsNoCase(name.substr(name.size() - suffix.size()), suffix);
}

std::optional<std::string> notARegularFile(const std::string& file) {
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (error) return error.message();
    if (!std::filesystem::is_regular_file(status)) return std::string("not a regular file");
    return std::nullopt;
}

std::optional<std::uint64_t> parseDecimal(std::string_view text, std::uint64_t max) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (digit > max || value > (max - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

} // namespace tunewalk::cli
