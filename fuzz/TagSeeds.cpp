// The tag fuzzer's seeds: files of every kind encoded by ffmpeg (0.2 s of stereo, the usual fields,
// some with a tiny cover) in a scratch folder, tags built by hand with Latin-1 texts in other code
// pages, and bare texts in those pages for the decoder.

#include "AudioFixtures.h"
#include "Seeds.h"
#include "TagKinds.h"
#include "TempDir.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace tunewalk::fuzz {
namespace {

namespace fx = tunewalk::fixtures;

void run(const std::string& command) {
    if (std::system((command + " >/dev/null").c_str()) != 0)
        throw std::runtime_error("seed command failed (ffmpeg comes with scripts/setup): " +
                                 command);
}

std::string be32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

std::string id3Frame(std::string_view id, std::string_view body) {
    return std::string(id) + be32(static_cast<std::uint32_t>(body.size())) + std::string(2, '\0') +
           std::string(body);
}

std::string id3v23Tag(const std::string& frames) {
    const auto size = static_cast<std::uint32_t>(frames.size());
    std::string tag = "ID3\x03";
    tag += std::string(2, '\0');
    for (const int shift : {21, 14, 7, 0})
        tag += static_cast<char>((size >> shift) & 0x7F);
    return tag + frames;
}

// ID3v2 frames whose texts are marked Latin-1 but written in another page, and a cover.
std::string otherPageFrames(std::string_view title, std::string_view artist,
                            const std::string& png) {
    const std::string latin1(1, '\0');
    return id3Frame("TIT2", latin1 + std::string(title)) +
           id3Frame("TPE1", latin1 + std::string(artist)) + id3Frame("TRCK", latin1 + "7/9") +
           id3Frame("TYER", latin1 + "1999") +
           id3Frame("COMM", latin1 + "eng" + latin1 + std::string(artist)) +
           id3Frame("APIC", latin1 + "image/png" + latin1 + "\x03" + latin1 + png);
}

// What an Ogg comment METADATA_BLOCK_PICTURE holds, before base64.
std::string flacPictureBlock(const std::string& png) {
    return be32(3) + be32(9) + "image/png" + be32(0) + be32(2) + be32(2) + be32(24) + be32(0) +
           be32(static_cast<std::uint32_t>(png.size())) + png;
}

std::string le(std::uint64_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(v >> (8 * i));
    return out;
}

// One Ogg page holding one packet (the checksum left zero: TagLib does not check it).
std::string oggPage(int type, std::uint64_t granule, int sequence, const std::string& packet) {
    std::string lacing(packet.size() / 255, '\xFF');
    lacing += static_cast<char>(packet.size() % 255);
    return "OggS" + std::string(1, '\0') + static_cast<char>(type) + le(granule, 8) +
           le(0x5EED, 4) + le(static_cast<std::uint64_t>(sequence), 4) + le(0, 4) +
           static_cast<char>(lacing.size()) + lacing + packet;
}

// A text of 64 bytes (the decoder's text, a character possibly cut at its end) and a sample.
std::string pageText(std::string_view word) {
    std::string text;
    while (text.size() < 64)
        text += word;
    text.resize(64);
    for (int i = 0; i < 8; ++i)
        text += word;
    return text;
}

const Seed& named(const std::vector<Seed>& seeds, std::string_view name) {
    const auto it = std::find_if(seeds.begin(), seeds.end(),
                                 [&](const Seed& seed) { return seed.name == name; });
    if (it == seeds.end()) throw std::logic_error("no seed " + std::string(name));
    return *it;
}

struct Encoding {
    const char* name;
    const char* kind;
    const char* codec;
    int rate;
    std::string extra;
    bool cover; // an attached picture
};

std::vector<Seed> encodedSeeds() {
    const TempDir dir;
    const std::string png = dir.file("c.png"), block = dir.file("picture");
    run("ffmpeg -v error -nostdin -y -f lavfi -i color=red:s=2x2 -frames:v 1 '" + png + "'");
    fx::writeFile(block, flacPictureBlock(fx::readFile(png)));
    // Ogg carries a picture as a comment.
    const std::string oggCover =
        " -metadata METADATA_BLOCK_PICTURE=\"$(base64 -w0 '" + block + "')\"";
    const std::string meta =
        " -metadata title='Seed Tïtle' -metadata artist=Artist -metadata album=Album"
        " -metadata album_artist=Band -metadata genre=Jazz -metadata composer=Composer"
        " -metadata track=3/12 -metadata disc=1/2 -metadata date=2019 -metadata comment=Note";
    const Encoding encodings[] = {
        {"mp3-id3v24", "mp3", "libmp3lame", 44100, "-b:a 32k -id3v2_version 4", false},
        {"mp3-id3v23-cover", "mp3", "libmp3lame", 44100, "-b:a 32k -id3v2_version 3", true},
        {"wav-info", "wav", "pcm_s16le", 8000, "", false},
        {"flac", "flac", "flac", 8000, "", false},
        {"flac-cover", "flac", "flac", 8000, "", true},
        {"ogg-vorbis", "ogg", "libvorbis", 44100, "", false},
        {"ogg-vorbis-cover", "ogg", "libvorbis", 22050, oggCover, false},
        {"opus", "opus", "libopus", 48000, "-b:a 16k", false},
        {"opus-cover", "opus", "libopus", 48000, "-b:a 16k" + oggCover, false},
        {"m4a-aac", "m4a", "aac", 44100, "-b:a 32k", false},
        {"m4a-aac-cover", "m4a", "aac", 44100, "-b:a 32k", true},
        {"m4a-alac", "m4a", "alac", 8000, "", false},
        {"aiff-id3v2", "aiff", "pcm_s16be", 8000, "-write_id3v2 1", false},
        {"aiff-id3v2-cover", "aiff", "pcm_s16be", 8000, "-write_id3v2 1", true},
    };
    std::vector<Seed> seeds;
    for (const auto& e : encodings) {
        const std::string out = dir.file(std::string(e.name) + "." + e.kind);
        std::string inputs =
            "-f lavfi -i sine=frequency=440:duration=0.2:sample_rate=" + std::to_string(e.rate);
        if (e.cover)
            inputs += " -i '" + png + "' -map 0 -map 1 -c:v png -disposition:v attached_pic";
        run("ffmpeg -v error -nostdin -y " + inputs + " -ac 2 -c:a " + e.codec + " " + e.extra +
            meta + " '" + out + "'");
        seeds.push_back({e.name, static_cast<char>(tagControlFor(e.kind)) + fx::readFile(out)});
    }
    // An .ogg that holds Opus, read after the Vorbis reader turned it down.
    seeds.push_back({"ogg-opus", static_cast<char>(tagControlFor("ogg")) +
                                     fx::readFile(dir.file("opus.opus"))});

    const std::string cover = fx::readFile(png);
    const std::string cyrillic =
        id3v23Tag(otherPageFrames("\xcf\xf0\xe8\xe2\xe5\xf2", "\xc0\xf0\xf2\xe8\xf1\xf2", cover));
    const std::string japanese =
        id3v23Tag(otherPageFrames("\x83\x65\x83\x58\x83\x67", "\x89\xb9\x8a\x79", cover));
    const std::string wav = fx::readFile(dir.file("wav-info.wav"));
    const auto control = [](const char* kind, CodePage page) {
        return std::string(1, static_cast<char>(tagControlFor(kind, page)));
    };
    seeds.push_back({"mp3-cp1251", control("mp3", CodePage::Windows1251) + cyrillic +
                                       fx::silentMpegFrames({}, 8)});
    seeds.push_back({"mp3-shift-jis-automatic",
                     control("mp3", CodePage::Automatic) + japanese + fx::silentMpegFrames({}, 8)});
    // Text frames whose encoding byte is none of the four: TagLib hands it on as it is.
    const std::string unknown(1, '\x6d'), nul(1, '\0');
    seeds.push_back({"mp3-unknown-text-encoding",
                     control("mp3", CodePage::Windows1251) +
                         id3v23Tag(id3Frame("TIT2", unknown + "Title") +
                                   id3Frame("COMM", unknown + "eng" + nul + "Note")) +
                         fx::silentMpegFrames({}, 8)});
    seeds.push_back({"wav-id3-chunk",
                     control("wav", CodePage::Windows1251) +
                         fx::riffChunk("RIFF", wav.substr(8) + fx::riffChunk("id3 ", cyrillic))});
    return seeds;
}

} // namespace

std::vector<Seed> seedCorpus() {
    std::vector<Seed> seeds = encodedSeeds();
    const auto add = [&](std::string name, const char* kind, CodePage page, std::string file) {
        seeds.push_back({std::move(name), static_cast<char>(tagControlFor(kind, page)) + file});
    };
    // The program's own MP3 fixtures: an ID3v2 tag of noise, an APE tag and ID3v1.
    add("mp3-ape", "mp3", CodePage::Latin1,
        fx::id3v2Tag(300) + fx::mpegFrames({}, 4) + fx::apeTag(200) + fx::id3v1Tag("Old", "Band"));
    fx::WavShape wav;
    wav.dataBytes = 256;
    wav.extraChunkBeforeData = std::string("LIST\x10\0\0\0INFOINAM\x04\0\0\0Name", 24);
    add("wav-fixture-info", "wav", CodePage::Latin1, fx::wavFile(wav));

    const std::pair<CodePage, std::string_view> texts[] = {
        {CodePage::Latin1, "Plain title "},
        {CodePage::Latin1, "Caf\xe9 cr\xe8me "},
        {CodePage::Windows1250, "P\xf8\xedli\x9a \x9elu\x9dou\xe8k\xfd "},
        {CodePage::Windows1251, "\xcf\xf0\xe8\xe2\xe5\xf2 "},
        {CodePage::Windows1253, "\xc3\xe5\xe9\xdc "},
        {CodePage::Windows1255, "\xf9\xec\xe5\xed "},
        {CodePage::Windows1256, "\xe3\xd1\xcd\xc8\xc7 "},
        {CodePage::Koi8R, "\xf0\xd2\xc9\xd7\xc5\xd4 "},
        {CodePage::ShiftJis, "\x83\x65\x83\x58\x83\x67 "},
        {CodePage::Gbk, "\xb2\xe2\xca\xd4 "},
        {CodePage::Big5, "\xb4\xfa\xb8\xd5 "},
        {CodePage::EucKr, "\xc5\xd7\xbd\xba\xc6\xae "},
        {CodePage::Automatic, "\x83\x65\x83\x58\x83\x67 "},
        {CodePage::Utf8, "Gr\xc3\xbc\xc3\x9f Gott "}, // cut at 64 bytes after a whole character
    };
    int n = 0;
    for (const auto& [page, word] : texts)
        add("text-" + std::to_string(++n), "mp3", page, pageText(word));
    add("kind-only", "flac", CodePage::Latin1, "");

    // Streams whose stated end gives a length TagLib cannot hold in an int: it came out negative.
    const std::string opusHead = "OpusHead\x01\x02" + le(312, 2) + le(48000, 4) + le(0, 3);
    add("opus-far-end", "opus", CodePage::Latin1,
        oggPage(2, 0, 0, opusHead) + oggPage(0, 0, 1, "OpusTags" + le(4, 4) + "seed" + le(0, 4)) +
            oggPage(4, std::uint64_t{1} << 62, 2, "\xFC" + std::string(40, '\0')));
    std::string flac = named(seeds, "flac").bytes;
    // STREAMINFO after the control byte, "fLaC" and the block header: 1 Hz, stereo, 16 bits,
    // 2^36 - 1 samples.
    const std::uint64_t info = (std::uint64_t{1} << 44) | (std::uint64_t{1} << 41) |
                               (std::uint64_t{15} << 36) | ((std::uint64_t{1} << 36) - 1);
    for (int i = 0; i < 8; ++i)
        flac[static_cast<std::size_t>(1 + 18 + i)] = static_cast<char>(info >> (56 - 8 * i));
    seeds.push_back({"flac-one-hertz", flac});

    // MP3 and WAV read without their audio properties, as the listing and `show` read them.
    for (const char* name : {"mp3-id3v24", "mp3-cp1251", "wav-info", "wav-id3-chunk"}) {
        Seed seed = named(seeds, name);
        const TagControl control = decodeTagControl(static_cast<std::uint8_t>(seed.bytes[0]));
        seed.bytes[0] = static_cast<char>(
            tagControlFor(kTagKinds[static_cast<std::size_t>(control.kind)], control.page, false));
        seeds.push_back({seed.name + "-tags-only", seed.bytes});
    }
    // An ID3v2 tag after other bytes, which only TagLib's search of the whole file finds.
    seeds.push_back({"mp3-late-id3v2-tags-only", named(seeds, "mp3-cp1251-tags-only").bytes});
    seeds.back().bytes.insert(1, std::string(100, '\x11'));
    return seeds;
}

} // namespace tunewalk::fuzz
