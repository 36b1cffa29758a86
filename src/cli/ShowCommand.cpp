// tunewalk-tag show: what the codecs read from each file, as one JSON object per line.

#include "Args.h"

#include "common/Latin1.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/codec/WAVInfo.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace tunewalk::cli {
namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kUsage = R"(Usage: tunewalk-tag show FILE...

Prints one JSON object per line for each FILE, in the order given.
MP3 files (name ending in "mp3", any case):
  file, kind, ok, tag, title, artist, album, year, comment, genre, genre_name,
  version, bitrate, average_bitrate, vbr, sample_rate, channels, length
WAV files (name ending in "wav", any case):
  file, kind, ok, channels, sample_rate, bytes_per_second, block_align, bits,
  data_length, length
Other files: file, kind ("other"), ok (false), error.

Tag texts are ISO 8859-1 in the file and UTF-8 in the output. genre is 256 when the
file has no tag; length is in whole seconds.
Exit status: 0 when every file loaded, 1 when one did not, 2 on bad arguments.
)";

Json showMp3(const std::string& file) {
    MP3TagEditor editor;
    const bool ok = editor.LoadMP3(file);
    // A file that failed to load has no tag either, whatever the editor's default says.
    const int genre = editor.TagExists() ? editor.Genra() : MP3TagEditor::NoTagGenre;
    Json j;
    j["file"] = file;
    j["kind"] = "mp3";
    j["ok"] = ok;
    j["tag"] = editor.TagExists();
    j["title"] = latin1ToUtf8(editor.Title());
    j["artist"] = latin1ToUtf8(editor.Artist());
    j["album"] = latin1ToUtf8(editor.Album());
    j["year"] = latin1ToUtf8(editor.Year());
    j["comment"] = latin1ToUtf8(editor.Comment());
    j["genre"] = genre;
    j["genre_name"] = MP3TagEditor::GenraLookupByID(genre);
    j["version"] = editor.Version();
    j["bitrate"] = editor.Bitrate();
    j["average_bitrate"] = editor.AverageBitrate();
    j["vbr"] = editor.VBR();
    j["sample_rate"] = editor.SampleRate();
    j["channels"] = editor.Channels();
    j["length"] = editor.Length().seconds();
    return j;
}

Json showWav(const std::string& file) {
    WAVInfo wav;
    const bool ok = wav.LoadWAV(file);
    Json j;
    j["file"] = file;
    j["kind"] = "wav";
    j["ok"] = ok;
    j["channels"] = wav.Channels();
    j["sample_rate"] = wav.SampleRate();
    j["bytes_per_second"] = wav.BytesPerSecond();
    j["block_align"] = wav.BlockAlign();
    j["bits"] = wav.SampleBits();
    j["data_length"] = wav.DataLength();
    j["length"] = wav.Length().seconds();
    return j;
}

} // namespace

int runShow(std::span<const std::string> args) {
    std::string error;
    const auto parsed = parseArgs(args, {}, error);
    if (!parsed) return usageError(error + " (try 'tunewalk-tag show --help')");
    if (parsed->help) {
        std::cout << kUsage;
        return kExitOk;
    }
    if (parsed->files.empty())
        return usageError("show: no files given (try 'tunewalk-tag show --help')");

    bool allLoaded = true;
    for (const std::string& file : parsed->files) {
        Json j;
        if (endsWithNoCase(file, "mp3")) {
            j = showMp3(file);
        } else if (endsWithNoCase(file, "wav")) {
            j = showWav(file);
        } else {
            j["file"] = file;
            j["kind"] = "other";
            j["ok"] = false;
            j["error"] = "not an MP3 or WAV file";
        }
        allLoaded = allLoaded && j["ok"].get<bool>();
        // File names are bytes, not necessarily UTF-8: replace what cannot be encoded rather
        // than throw. The tag texts are always valid UTF-8 by now.
        std::cout << j.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
    }
    std::cout.flush();
    return allLoaded ? kExitOk : kExitFailed;
}

} // namespace tunewalk::cli
