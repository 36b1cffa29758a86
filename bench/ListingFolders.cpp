#include "ListingFolders.h"

#include "AudioFixtures.h"
#include "BenchRandom.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;
namespace fx = tunewalk::fixtures;

namespace tunewalk::bench {
namespace {

// Bump when the generated files change, so old folders are rebuilt.
constexpr int kFormat = 2;
constexpr int kSubFolders = 8;
constexpr const char* kMarkerName = ".tunewalk-listing";

using tunewalk::bench::kArtists;
using tunewalk::bench::kWords;
using tunewalk::bench::Rng;
using tunewalk::bench::words;

struct GeneratedFile {
    std::string name;
    std::string bytes;
    bool titled = false;
};

// A small but realistic file: a few frames of any format, sometimes a short ID3v2 tag or a
// Xing first frame, mostly an ID3v1 tag.
GeneratedFile makeFile(long index) {
    Rng rng(0x5EED ^ static_cast<std::uint64_t>(index) * 0x9E3779B97F4A7C15ull);
    GeneratedFile out;
    const std::string artist(rng.pick(kArtists));
    const std::string title = words(rng, rng.range(1, 3));
    char number[24];
    std::snprintf(number, sizeof number, "%05ld", index);
    out.name = artist + " " + number + " - " + title + ".mp3";

    fx::FrameShape shape;
    shape.version = rng.chance(75) ? 1 : 2;
    shape.bitrateIndex = rng.range(1, 14);
    shape.sampleRateIndex = rng.range(0, 2);
    shape.mode = rng.range(0, 3);
    shape.padding = rng.chance(50);
    shape.crc = rng.chance(10);
    const int frames = rng.range(3, 8);
    const std::string audio = fx::mpegFrames(shape, frames);

    if (rng.chance(10)) out.bytes += fx::id3v2Tag(static_cast<std::size_t>(rng.range(256, 2048)));
    if (rng.chance(20)) {
        // Encoders give the header frame a bitrate whose frame can hold the Xing header. The
        // header speaks for a full-length song, so those rows show a real length although
        // the file holds only its first frames.
        fx::FrameShape header = shape;
        while (fx::frameLength(header) < 64 && header.bitrateIndex < 14)
            ++header.bitrateIndex;
        const int claimed = rng.range(2000, 12000);
        out.bytes += fx::vbrHeaderFrame(
            header, fx::VbrKind::Xing, static_cast<std::uint32_t>(claimed),
            static_cast<std::uint32_t>(claimed) * static_cast<std::uint32_t>(frameLength(shape)));
    }
    out.bytes += audio;
    if (rng.chance(70)) {
        out.bytes += fx::id3v1Tag(title + " " + number, artist, words(rng, 2),
                                  std::to_string(rng.range(1960, 2024)), {}, rng.range(0, 147));
        out.titled = true;
    }
    return out;
}

std::string markerText(const FolderInfo& f) {
    std::ostringstream out;
    out << "format=" << kFormat << " files=" << f.files << " folders=" << f.folders
        << " titled=" << f.titled << '\n';
    return out.str();
}

// Reuses the folder when its marker matches and the files are all there.
bool reuse(FolderInfo& f) {
    std::ifstream in(f.path / kMarkerName, std::ios::binary);
    std::string format, files, folders, titled;
    if (!(in >> format >> files >> folders >> titled)) return false;
    if (format != "format=" + std::to_string(kFormat) ||
        files != "files=" + std::to_string(f.files) ||
        folders != "folders=" + std::to_string(f.folders) || !titled.starts_with("titled="))
        return false;
    f.titled = std::strtol(titled.c_str() + 7, nullptr, 10);
    long mp3s = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(f.path, ec))
        if (entry.path().extension() == ".mp3") ++mp3s;
    return !ec && mp3s == f.files;
}

} // namespace

FolderInfo prepareFolder(const fs::path& root, long files) {
    FolderInfo f;
    f.path = root / ("files-" + std::to_string(files));
    f.files = files;
    f.folders = kSubFolders;
    if (reuse(f)) return f;

    // Only the folder this program made is replaced.
    fs::remove_all(f.path);
    fs::create_directories(f.path);
    f.titled = 0;
    for (long i = 0; i < files; ++i) {
        const GeneratedFile file = makeFile(i);
        fx::writeFile(f.path / file.name, file.bytes);
        if (file.titled) ++f.titled;
    }
    for (int i = 0; i < kSubFolders; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Album %02d", i + 1);
        fs::create_directories(f.path / name);
        fx::writeFile(f.path / name / "Track 01.mp3", makeFile(1000000 + i).bytes);
    }
    // Written last: an interrupted run leaves no marker and starts over next time.
    fx::writeFile(f.path / kMarkerName, markerText(f));
    f.made = true;
    return f;
}

void warmCache(const fs::path& root) {
    std::array<char, 1 << 16> buffer;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        if (std::FILE* file = std::fopen(entry.path().c_str(), "rb")) {
            while (std::fread(buffer.data(), 1, buffer.size(), file) == buffer.size()) {
            }
            std::fclose(file);
        }
    }
}

} // namespace tunewalk::bench
