#include "ListingFolders.h"

#include "AudioFixtures.h"
#include "BenchRandom.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/xiphcomment.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;
namespace fx = tunewalk::fixtures;

namespace tunewalk::bench {
namespace {

// Bump when the generated files change, so old folders are rebuilt.
constexpr int kFormat = 2;
constexpr int kTaggedFormat = 1; // the ID3v2.4 and FLAC folders
constexpr int kSubFolders = 8;
constexpr const char* kMarkerName = ".tunewalk-listing";
constexpr std::size_t kCoverBytes = 100 * 1024;

using tunewalk::bench::kArtists;
using tunewalk::bench::kWords;
using tunewalk::bench::Rng;
using tunewalk::bench::words;

struct GeneratedFile {
    std::string name;
    std::string bytes; // FLAC: empty, the file is a copy of a template
    bool titled = false;
    std::string title, artist; // as the names have them
};

// A small but realistic file: a few frames of any format, sometimes a short ID3v2 tag or a
// Xing first frame, mostly an ID3v1 tag. A tagged MP3 has no old ID3v2 tag (TagLib writes one
// afterwards) and always an ID3v1 tag.
GeneratedFile makeFile(long index, FolderKind kind) {
    Rng rng(0x5EED ^ static_cast<std::uint64_t>(index) * 0x9E3779B97F4A7C15ull);
    GeneratedFile out;
    out.artist = rng.pick(kArtists);
    out.title = words(rng, rng.range(1, 3));
    char number[24];
    std::snprintf(number, sizeof number, "%05ld", index);
    out.title += std::string(" ") + number;
    out.name = out.artist + " " + number + " - " + out.title.substr(0, out.title.size() - 6) +
               (kind == FolderKind::Flac ? ".flac" : ".mp3");
    if (kind == FolderKind::Flac) {
        out.titled = true;
        return out;
    }

    fx::FrameShape shape;
    shape.version = rng.chance(75) ? 1 : 2;
    shape.bitrateIndex = rng.range(1, 14);
    shape.sampleRateIndex = rng.range(0, 2);
    shape.mode = rng.range(0, 3);
    shape.padding = rng.chance(50);
    shape.crc = rng.chance(10);
    const int frames = rng.range(3, 8);
    const std::string audio = fx::mpegFrames(shape, frames);

    if (rng.chance(10)) {
        const auto size = static_cast<std::size_t>(rng.range(256, 2048));
        if (kind == FolderKind::Plain) out.bytes += fx::id3v2Tag(size);
    }
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
    if (rng.chance(70) || kind != FolderKind::Plain) {
        out.bytes += fx::id3v1Tag(out.title, out.artist, words(rng, 2),
                                  std::to_string(rng.range(1960, 2024)), {}, rng.range(0, 147));
        out.titled = true;
    }
    return out;
}

// The one-second tones the FLAC files are copies of, made by ffmpeg once per folder root:
// 44.1 kHz 16-bit stereo and mono, 48 kHz and 96 kHz 24-bit stereo.
const std::vector<std::string>& flacTemplates(const fs::path& root) {
    static std::vector<std::string> made;
    if (!made.empty()) return made;
    const fs::path dir = root / ".flac-templates";
    fs::create_directories(dir);
    struct Tone {
        int rate, channels, bits;
    };
    for (const Tone t :
         {Tone{44100, 2, 16}, Tone{44100, 1, 16}, Tone{48000, 2, 24}, Tone{96000, 2, 24}}) {
        const fs::path file =
            dir / ("tone-" + std::to_string(t.rate) + "-" + std::to_string(t.channels) + "-" +
                   std::to_string(t.bits) + ".flac");
        if (!fs::exists(file)) {
            const std::string command =
                "ffmpeg -v error -y -f lavfi -i sine=frequency=440:sample_rate=" +
                std::to_string(t.rate) + ":duration=1 -ac " + std::to_string(t.channels) +
                (t.bits == 16 ? " -sample_fmt s16" : " -sample_fmt s32 -bits_per_raw_sample 24") +
                " -c:a flac -f flac '" + file.string() + ".part' && mv '" + file.string() +
                ".part' '" + file.string() + "'";
            if (std::system(command.c_str()) != 0 || !fs::exists(file))
                throw std::runtime_error("ffmpeg could not make " + file.string() +
                                         " (scripts/setup installs ffmpeg)");
        }
        made.push_back(fx::readFile(file));
    }
    return made;
}

// What a tagger of today writes: an ID3v2.4 tag in UTF-8 in front of an MP3 (its ID3v1 tag
// stays), Vorbis comments in a FLAC file; every tenth file gets a front cover.
void writeTags(const fs::path& path, long index, FolderKind kind, const GeneratedFile& file) {
    static const TagLib::ByteVector cover = [] {
        Rng rng(0xC0FE);
        std::string bytes = "\xFF\xD8\xFF\xE0";
        while (bytes.size() < kCoverBytes - 2)
            bytes += static_cast<char>(rng.next());
        bytes += "\xFF\xD9";
        return TagLib::ByteVector(bytes.data(), static_cast<unsigned>(bytes.size()));
    }();
    Rng rng(0x7A65 ^ static_cast<std::uint64_t>(index) * 0x9E3779B97F4A7C15ull);
    const auto text = [](const std::string& s) { return TagLib::String(s, TagLib::String::UTF8); };
    const auto fill = [&](TagLib::Tag* tag) {
        tag->setTitle(text(file.title + " (Live at the Café Nord)"));
        tag->setArtist(text(file.artist));
        tag->setAlbum(text(words(rng, 2) + " Sessions"));
        tag->setGenre(text(rng.chance(50) ? "Rock" : "Jazz"));
        tag->setTrack(static_cast<unsigned>(index % 20 + 1));
        tag->setYear(static_cast<unsigned>(rng.range(1960, 2024)));
    };
    const bool withCover = index % 10 == 0;
    bool saved = false;
    if (kind == FolderKind::Id3v24) {
        TagLib::ID3v2::FrameFactory::instance()->setDefaultTextEncoding(TagLib::String::UTF8);
        TagLib::MPEG::File f(path.c_str(), false);
        fill(f.ID3v2Tag(true));
        if (withCover) {
            auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
            picture->setMimeType("image/jpeg");
            picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
            picture->setPicture(cover);
            f.ID3v2Tag()->addFrame(picture);
        }
        saved = f.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v4);
    } else {
        TagLib::FLAC::File f(path.c_str(), false);
        fill(f.xiphComment(true));
        if (withCover) {
            auto* picture = new TagLib::FLAC::Picture;
            picture->setMimeType("image/jpeg");
            picture->setType(TagLib::FLAC::Picture::FrontCover);
            picture->setData(cover);
            f.addPicture(picture);
        }
        saved = f.save();
    }
    if (!saved) throw std::runtime_error("TagLib could not tag " + path.string());
}

// Writes one generated file (a FLAC file is a copy of one of the tones) and tags it.
void writeOne(const fs::path& path, long index, FolderKind kind, const GeneratedFile& file,
              const fs::path& root) {
    if (kind == FolderKind::Flac) {
        const std::vector<std::string>& tones = flacTemplates(root);
        fx::writeFile(path, tones[static_cast<std::size_t>(index) % tones.size()]);
    } else {
        fx::writeFile(path, file.bytes);
    }
    if (kind != FolderKind::Plain) writeTags(path, index, kind, file);
}

const char* folderPrefix(FolderKind kind) {
    return kind == FolderKind::Plain ? "files-" : kind == FolderKind::Id3v24 ? "id3v24-" : "flac-";
}

int formatOf(const FolderInfo& f) {
    return f.path.filename().string().starts_with("files-") ? kFormat : kTaggedFormat;
}

std::string markerText(const FolderInfo& f) {
    std::ostringstream out;
    out << "format=" << formatOf(f) << " files=" << f.files << " folders=" << f.folders
        << " titled=" << f.titled << '\n';
    return out.str();
}

// Reuses the folder when its marker matches and the files are all there.
bool reuse(FolderInfo& f) {
    std::ifstream in(f.path / kMarkerName, std::ios::binary);
    std::string format, files, folders, titled;
    if (!(in >> format >> files >> folders >> titled)) return false;
    if (format != "format=" + std::to_string(formatOf(f)) ||
        files != "files=" + std::to_string(f.files) ||
        folders != "folders=" + std::to_string(f.folders) || !titled.starts_with("titled="))
        return false;
    f.titled = std::strtol(titled.c_str() + 7, nullptr, 10);
    long audio = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(f.path, ec))
        if (entry.path().extension() == ".mp3" || entry.path().extension() == ".flac") ++audio;
    return !ec && audio == f.files;
}

} // namespace

FolderInfo prepareFolder(const fs::path& root, long files, FolderKind kind) {
    FolderInfo f;
    f.path = root / (folderPrefix(kind) + std::to_string(files));
    f.files = files;
    f.folders = kSubFolders;
    f.covers = kind == FolderKind::Plain ? 0 : (files + 9) / 10;
    if (reuse(f)) return f;

    // Only the folder this program made is replaced.
    fs::remove_all(f.path);
    fs::create_directories(f.path);
    f.titled = 0;
    for (long i = 0; i < files; ++i) {
        const GeneratedFile file = makeFile(i, kind);
        writeOne(f.path / file.name, i, kind, file, root);
        if (file.titled) ++f.titled;
    }
    for (int i = 0; i < kSubFolders; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Album %02d", i + 1);
        fs::create_directories(f.path / name);
        const long index = 1000000 + i;
        const GeneratedFile file = makeFile(index, kind);
        writeOne(f.path / name / ("Track 01" + fs::path(file.name).extension().string()), index,
                 kind, file, root);
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
