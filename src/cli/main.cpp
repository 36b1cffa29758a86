// tunewalk-tag: shows and edits the ID3v1 tags of MP3 files and the format fields of WAV files
// from the command line, with the same codecs the player uses, shows the other tags of those
// and of FLAC, Ogg, Opus, M4A and AIFF files through the player's tag reader, and writes the
// full tags of all of them as the player's Edit Tags does.

#include "Args.h"

#include <QCoreApplication>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage = R"(Usage: tunewalk-tag COMMAND [OPTIONS] FILE...

Commands:
  show FILE...       print what the codecs and the tag reader read, one JSON object
                     per line per file
  set [FIELDS] FILE...
                     write ID3v1 tag fields of MP3 files
  wav-set [FIELDS] FILE...
                     rewrite the format fields of WAV files
  write [FIELDS] FILE...
                     write the full tags of files of any kind (title, artist, album,
                     album artist, track, disc, year, genre, comment, composer, cover)

Run 'tunewalk-tag COMMAND --help' for the options of a command,
'tunewalk-tag --version' for the version.
Exit status: 0 success, 1 a file could not be read or saved, 2 bad arguments.
)";

} // namespace

int main(int argc, char** argv) {
    using namespace tunewalk::cli;
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (args.empty()) return usageError("missing command (try 'tunewalk-tag --help')");

    const std::string& command = args.front();
    const std::span<const std::string> rest(args.begin() + 1, args.end());
    if (command == "-h" || command == "--help") {
        std::cout << kUsage;
        return kExitOk;
    }
    if (command == "--version") {
        std::cout << "tunewalk-tag " TUNEWALK_VERSION "\n";
        return kExitOk;
    }
    if (command == "show") return runShow(rest);
    if (command == "set" || command == "wav-set" || command == "write") {
        // The commands that write record the change in the history, whose database driver
        // is a Qt plugin that needs an application object (no display: a core one).
        const QCoreApplication app(argc, argv);
        if (command == "write") return runWrite(rest);
        return command == "set" ? runSet(rest) : runWavSet(rest);
    }
    if (command.starts_with("-"))
        return usageError("unknown option '" + command + "' (try 'tunewalk-tag --help')");
    return usageError("unknown command '" + command + "' (try 'tunewalk-tag --help')");
}
