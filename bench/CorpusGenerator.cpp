// Writes the benchmark corpus: a deterministic folder tree of MP3 and WAV files shaped like a
// real music collection (varied frame formats, ID3v1 tags, large leading ID3v2 tags with
// pictures, Xing/Info/VBRI first frames, RIFF files with extra chunks).
//
//   tunewalk-corpus DIR [--mp3 N] [--wav N] [--seed N]
//
// A marker file records the parameters; when it matches, the corpus is left as it is.

#include "AudioFixtures.h"
#include "BenchRandom.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace fs = std::filesystem;
namespace fx = tunewalk::fixtures;

namespace tunewalk {
namespace {

// Bump when the generated content changes, so old corpora are rebuilt.
constexpr int kCorpusFormat = 1;
constexpr int kFilesPerFolder = 50;
constexpr const char* kMarkerName = ".tunewalk-corpus";

struct Options {
    fs::path dir;
    long mp3 = 10000;
    long wav = 1000;
    std::uint64_t seed = 1;
};

using tunewalk::bench::kArtists;
using tunewalk::bench::kWords;
using tunewalk::bench::Rng;
using tunewalk::bench::words;

std::string mp3File(Rng& rng, long index) {
    fx::FrameShape shape;
    shape.version = rng.chance(70) ? 1 : 2;
    shape.bitrateIndex = rng.range(1, 14);
    shape.sampleRateIndex = rng.range(0, 2);
    shape.mode = rng.range(0, 3);
    shape.padding = rng.chance(50);
    shape.crc = rng.chance(10);
    const int frames = rng.range(40, 400);
    const std::string audio = fx::mpegFrames(shape, frames);

    std::string file;
    if (rng.chance(33)) {
        const auto body = static_cast<std::size_t>(rng.range(20 * 1024, 150 * 1024));
        file += fx::id3v2Tag(body, rng.chance(10));
        // Some taggers leave zero padding between the tag and the audio.
        if (rng.chance(10)) file.append(static_cast<std::size_t>(rng.range(1, 512)), '\0');
    }
    const int vbr = rng.range(0, 99);
    if (vbr < 25) {
        const auto kind = vbr < 15   ? fx::VbrKind::Xing
                          : vbr < 20 ? fx::VbrKind::Info
                                     : fx::VbrKind::Vbri;
        // Encoders give the header frame a bitrate whose frame can hold the VBR header.
        fx::FrameShape header = shape;
        while (fx::frameLength(header) < 64 && header.bitrateIndex < 14)
            ++header.bitrateIndex;
        file += fx::vbrHeaderFrame(header, kind, static_cast<std::uint32_t>(frames),
                                   static_cast<std::uint32_t>(audio.size()));
    }
    file += audio;
    if (rng.chance(70)) {
        const std::string title = words(rng, rng.range(1, 4)) + " " + std::to_string(index);
        const std::string year = std::to_string(rng.range(1960, 2024));
        const int genre = rng.chance(10) ? 255 : rng.range(0, 147);
        file += fx::id3v1Tag(title, rng.pick(kArtists), words(rng, rng.range(1, 3)), year,
                             rng.chance(50) ? words(rng, 2) : std::string(), genre);
    }
    return file;
}

std::string wavFile(Rng& rng) {
    constexpr std::array<std::uint32_t, 7> kRates = {8000,  11025, 22050, 32000,
                                                     44100, 48000, 96000};
    constexpr std::array<int, 4> kBits = {8, 16, 24, 32};
    fx::WavShape shape;
    shape.channels = rng.range(1, 2);
    shape.sampleRate = kRates[static_cast<std::size_t>(rng.range(0, 6))];
    shape.bits = kBits[static_cast<std::size_t>(rng.range(0, 3))];
    const int block = shape.channels * (shape.bits / 8);
    shape.dataBytes = static_cast<std::uint32_t>(rng.range(64, 16 * 1024) * block);
    if (rng.chance(20)) {
        // A LIST chunk before the data, sometimes of odd length (padded as RIFF requires).
        std::string name = words(rng, 2);
        if (rng.chance(50)) name += 'x';
        std::string info = "INFOINAM";
        for (int i = 0; i < 4; ++i)
            info += static_cast<char>((name.size() >> (8 * i)) & 0xFF);
        info += name;
        const auto n = static_cast<std::uint32_t>(info.size());
        std::string chunk = "LIST";
        for (int i = 0; i < 4; ++i)
            chunk += static_cast<char>((n >> (8 * i)) & 0xFF);
        chunk += info;
        if (n % 2) chunk += '\0';
        shape.extraChunkBeforeData = chunk;
    }
    return fx::wavFile(shape);
}

fs::path filePath(const fs::path& root, const char* kind, long index) {
    char folder[32];
    char name[32];
    std::snprintf(folder, sizeof folder, "album-%04ld", index / kFilesPerFolder);
    std::snprintf(name, sizeof name, "track-%06ld.%s", index, kind);
    return root / kind / folder / name;
}

std::string markerText(const Options& o) {
    std::ostringstream out;
    out << "format=" << kCorpusFormat << " mp3=" << o.mp3 << " wav=" << o.wav << " seed=" << o.seed
        << '\n';
    return out.str();
}

bool upToDate(const Options& o) {
    std::ifstream in(o.dir / kMarkerName, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return in && text.str() == markerText(o);
}

bool parseNumber(const char* text, long& out) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!text[0] || *end || value < 0) return false;
    out = value;
    return true;
}

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--mp3" || arg == "--wav" || arg == "--seed") {
            long value = 0;
            if (i + 1 >= argc || !parseNumber(argv[++i], value)) return false;
            if (arg == "--mp3")
                o.mp3 = value;
            else if (arg == "--wav")
                o.wav = value;
            else
                o.seed = static_cast<std::uint64_t>(value);
        } else if (o.dir.empty() && !arg.starts_with("-")) {
            o.dir = arg;
        } else {
            return false;
        }
    }
    return !o.dir.empty();
}

int run(const Options& o) {
    if (upToDate(o)) {
        std::printf("corpus in %s is up to date\n", o.dir.string().c_str());
        return 0;
    }
    // Only what this tool made is removed; anything else in DIR stays.
    fs::remove(o.dir / kMarkerName);
    fs::remove_all(o.dir / "mp3");
    fs::remove_all(o.dir / "wav");

    std::uintmax_t total = 0;
    auto emit = [&](const fs::path& path, const std::string& bytes) {
        fs::create_directories(path.parent_path());
        fx::writeFile(path, bytes);
        total += bytes.size();
    };
    for (long i = 0; i < o.mp3; ++i) {
        Rng rng(o.seed * 0x9E3779B97F4A7C15ull ^ (1ull << 56) ^ static_cast<std::uint64_t>(i));
        emit(filePath(o.dir, "mp3", i), mp3File(rng, i));
    }
    for (long i = 0; i < o.wav; ++i) {
        Rng rng(o.seed * 0x9E3779B97F4A7C15ull ^ (2ull << 56) ^ static_cast<std::uint64_t>(i));
        emit(filePath(o.dir, "wav", i), wavFile(rng));
    }
    // Written last: an interrupted run leaves no marker and starts over next time.
    fx::writeFile(o.dir / kMarkerName, markerText(o));
    std::printf("wrote %ld MP3 and %ld WAV files (%.1f MB) to %s\n", o.mp3, o.wav,
                static_cast<double>(total) / 1e6, o.dir.string().c_str());
    return 0;
}

} // namespace
} // namespace tunewalk

int main(int argc, char** argv) {
    tunewalk::Options options;
    if (!tunewalk::parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s DIR [--mp3 N] [--wav N] [--seed N]\n", argv[0]);
        return 2;
    }
    try {
        return tunewalk::run(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tunewalk-corpus: %s\n", e.what());
        return 1;
    }
}
