// tunewalk-tag show: what the codecs and the tag reader read from each file, as one JSON object
// per line.

#include "Args.h"

#include "common/Latin1.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/codec/WAVInfo.h"
#include "metadata/tags/RegularFileStream.h"
#include "metadata/tags/TagReader.h"

#include <nlohmann/json.hpp>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <taglib/tiostream.h>

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tunewalk::cli {
namespace {

constexpr const char* kUsage = R"(Usage: tunewalk-tag show FILE...

Prints one JSON object per line for each FILE, in the order given. The kind comes
from the end of the name, in any case.
MP3 files ("mp3"), the ID3v1 tag and the first frame header:
  file, kind, ok, tag, title, artist, album, year, comment, genre, genre_name,
  version, bitrate, average_bitrate, vbr, sample_rate, channels, length, tags
WAV files ("wav"), the format header:
  file, kind, ok, channels, sample_rate, bytes_per_second, block_align, bits,
  data_length, length, tags
FLAC ("flac"), Ogg ("ogg", "oga": kind "ogg"), Opus ("opus"), M4A ("m4a") and
AIFF ("aif", "aiff": kind "aiff") files: file, kind, ok, tags
Other files: file, kind ("other"), ok (false), error.

ID3v1 texts are ISO 8859-1 in the file and UTF-8 in the output. genre is 256 when the
file has no ID3v1 tag; length is in whole seconds.
tags, when the tag reader could read the file and its audio stream, holds what its
other tags (ID3v2, APE, Vorbis comments, MP4 items, RIFF INFO) and the stream say:
  title, artist, album, album_artist, genre, comment, composer, track, track_total,
  disc, disc_total, year, format, length_ms, bitrate, sample_rate, channels,
  bit_depth, has_cover
has_cover is always there, and for the kinds only the tag reader reads also format,
length_ms, sample_rate and channels (for MP3 and WAV files the codec's keys tell the
stream); each other key only when the file has a value for it.
Exit status: 0 when every file loaded, 1 when one did not, 2 on bad arguments.
)";

// Writes each file's line as it is read, into one buffer reused for every line: a document per
// file cost more than reading the file. The bytes are those nlohmann's dump (ensure_ascii off)
// has always printed, so scripts that compare outputs see no change.
class LineWriter {
public:
    LineWriter() : m_writer(m_buffer) {}

    void begin() {
        m_buffer.Clear();
        m_writer.Reset(m_buffer);
        m_writer.StartObject();
    }
    // Valid UTF-8 only: the codecs' texts, converted from ISO 8859-1, and constants.
    void text(const char* key, std::string_view utf8) {
        m_writer.Key(key);
        // RapidJSON writes control characters as \u001B; nlohmann wrote \u001b.
        m_scratch.assign(1, '"');
        constexpr std::string_view kNamed = "\b\f\n\r\t", kLetters = "bfnrt";
        for (const char c : utf8) {
            if (c == '"' || c == '\\') {
                m_scratch += {'\\', c};
            } else if (static_cast<unsigned char>(c) >= 0x20) {
                m_scratch += c;
            } else if (const auto at = kNamed.find(c); at != kNamed.npos) {
                m_scratch += {'\\', kLetters[at]};
            } else {
                char escaped[7];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                m_scratch += escaped;
            }
        }
        m_scratch += '"';
        raw(m_scratch);
    }
    // File names are bytes, not necessarily UTF-8, and so may be texts from the tag library:
    // nlohmann replaces what cannot be encoded (U+FFFD) rather than throw, as the output
    // always did for names.
    void bytes(const char* key, const std::string& value) {
        m_writer.Key(key);
        raw(nlohmann::json(value).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    }
    void number(const char* key, std::int64_t value) {
        m_writer.Key(key);
        m_writer.Int64(value);
    }
    void flag(const char* key, bool value) {
        m_writer.Key(key);
        m_writer.Bool(value);
    }
    void beginGroup(const char* key) {
        m_writer.Key(key);
        m_writer.StartObject();
    }
    void endGroup() { m_writer.EndObject(); }
    void end() {
        m_writer.EndObject();
        m_buffer.Put('\n');
        std::fwrite(m_buffer.GetString(), 1, m_buffer.GetSize(), stdout);
    }

private:
    void raw(const std::string& json) {
        m_writer.RawValue(json.data(), json.size(), rapidjson::kStringType);
    }

    rapidjson::StringBuffer m_buffer;
    rapidjson::Writer<rapidjson::StringBuffer> m_writer;
    std::string m_scratch;
};

// The kinds only the tag reader reads, by the end of the name, and the kind each is shown as.
constexpr std::pair<std::string_view, const char*> kTagOnlyKinds[] = {
    {"flac", "flac"}, {"ogg", "ogg"},  {"oga", "ogg"},   {"opus", "opus"},
    {"m4a", "m4a"},   {"aif", "aiff"}, {"aiff", "aiff"},
};

const char* tagOnlyKind(std::string_view file) {
    for (const auto& [ending, kind] : kTagOnlyKinds)
        if (endsWithNoCase(file, ending)) return kind;
    return nullptr;
}

// Read as `kind` whatever the name's extension, so that a name counts as the same kind here as
// for the codecs. Empty for the empty path, which names no file.
// For MP3 and WAV files the codec's keys tell the stream, so only their tags are read here,
// which spares the library a scan of the audio.
std::optional<AudioTags> readTags(const std::string& reading, const std::string& kind) {
    if (reading.empty()) return std::nullopt;
    const bool codecKind = kind == "mp3" || kind == "wav";
    TagReadOptions options;
    options.audioProperties = !codecKind;
    const std::unique_ptr<TagLib::IOStream> stream = openRegularFile(reading, nullptr);
    std::optional<AudioTags> tags =
        stream ? readAudioTagsFrom(*stream, kind, options) : std::nullopt;
    // The library takes some files that hold no stream of their kind (any bytes named .aif):
    // without a sample rate nothing of the file was read.
    if (tags && !codecKind && tags->sampleRate <= 0) return std::nullopt;
    return tags;
}

// The tag reader's group, after the codec's keys, which stay as scripts have always read them.
void showTags(LineWriter& out, const std::optional<AudioTags>& tags) {
    if (!tags) return;
    const auto text = [&](const char* key, const std::string& value) {
        if (!value.empty()) out.bytes(key, value);
    };
    const auto number = [&](const char* key, std::int64_t value) {
        if (value != 0) out.number(key, value);
    };
    out.beginGroup("tags");
    text("title", tags->title);
    text("artist", tags->artist);
    text("album", tags->album);
    text("album_artist", tags->albumArtist);
    text("genre", tags->genre);
    text("comment", tags->comment);
    text("composer", tags->composer);
    number("track", tags->track);
    number("track_total", tags->trackTotal);
    number("disc", tags->disc);
    number("disc_total", tags->discTotal);
    number("year", tags->year);
    text("format", tags->format);
    number("length_ms", tags->lengthMs);
    number("bitrate", tags->bitrate);
    number("sample_rate", tags->sampleRate);
    number("channels", tags->channels);
    number("bit_depth", tags->bitDepth);
    out.flag("has_cover", tags->hasCover);
    out.endGroup();
}

// One editor for every file: building one (its lookup lists) cost more than a load.
// `reading` is the file to load, `file` the name it is shown by.
bool showMp3(LineWriter& out, MP3TagEditor& editor, const std::string& reading,
             const std::string& file) {
    // A load that fails before reading a frame leaves the version alone; a new editor says 1.
    editor.setVersion(1);
    const bool ok = editor.LoadMP3(reading);
    // A file that failed to load has no tag either, whatever the editor's default says.
    const int genre = editor.TagExists() ? editor.Genra() : MP3TagEditor::NoTagGenre;
    out.bytes("file", file);
    out.text("kind", "mp3");
    out.flag("ok", ok);
    out.flag("tag", editor.TagExists());
    out.text("title", latin1ToUtf8(editor.Title()));
    out.text("artist", latin1ToUtf8(editor.Artist()));
    out.text("album", latin1ToUtf8(editor.Album()));
    out.text("year", latin1ToUtf8(editor.Year()));
    out.text("comment", latin1ToUtf8(editor.Comment()));
    out.number("genre", genre);
    out.text("genre_name", MP3TagEditor::GenraLookupByID(genre));
    out.number("version", editor.Version());
    out.number("bitrate", editor.Bitrate());
    out.number("average_bitrate", editor.AverageBitrate());
    out.flag("vbr", editor.VBR());
    out.number("sample_rate", editor.SampleRate());
    out.text("channels", editor.Channels());
    out.number("length", editor.Length().seconds());
    return ok;
}

bool showWav(LineWriter& out, WAVInfo& wav, const std::string& reading, const std::string& file) {
    const bool ok = wav.LoadWAV(reading);
    out.bytes("file", file);
    out.text("kind", "wav");
    out.flag("ok", ok);
    out.number("channels", wav.Channels());
    out.number("sample_rate", wav.SampleRate());
    out.number("bytes_per_second", wav.BytesPerSecond());
    out.number("block_align", wav.BlockAlign());
    out.number("bits", wav.SampleBits());
    out.number("data_length", wav.DataLength());
    out.number("length", wav.Length().seconds());
    return ok;
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

    LineWriter out;
    MP3TagEditor editor;
    WAVInfo wav;
    bool allLoaded = true;
    for (const std::string& file : parsed->files) {
        out.begin();
        const bool mp3 = endsWithNoCase(file, "mp3"), wave = !mp3 && endsWithNoCase(file, "wav");
        // A pipe is never opened (that would wait for a writer): it shows as a file that does
        // not load, by loading the empty path that names none.
        const std::optional<std::string> notFile = notARegularFile(file);
        const std::string reading = notFile ? std::string() : file;
        bool ok = false;
        // What standard error says of a file that does not load, after "tunewalk-tag: ".
        std::string why = file + ": " + notFile.value_or("cannot read it");
        if (mp3) {
            ok = showMp3(out, editor, reading, file);
            showTags(out, readTags(reading, "mp3"));
        } else if (wave) {
            ok = showWav(out, wav, reading, file);
            showTags(out, readTags(reading, "wav"));
            if (wav.BigEndian()) why = file + " is a big-endian WAV file, which cannot be read";
        } else if (const char* kind = tagOnlyKind(file)) {
            const std::optional<AudioTags> tags = readTags(reading, kind);
            ok = tags.has_value();
            out.bytes("file", file);
            out.text("kind", kind);
            out.flag("ok", ok);
            showTags(out, tags);
        } else {
            why = file + ": not an MP3 or WAV file";
            out.bytes("file", file);
            out.text("kind", "other");
            out.flag("ok", false);
            out.text("error", "not an MP3 or WAV file");
        }
        out.end();
        // The line is for scripts; the reason on standard error is for people.
        if (!ok) std::cerr << "tunewalk-tag: " << why << '\n';
        allLoaded = allLoaded && ok;
    }
    std::fflush(stdout);
    return allLoaded ? kExitOk : kExitFailed;
}

} // namespace tunewalk::cli
