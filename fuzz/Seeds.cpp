#include "Seeds.h"

#include "AudioFixtures.h"
#include "FuzzPlan.h"

namespace tunewalk::fuzz {
namespace {

namespace fx = tunewalk::fixtures;

std::string tag() {
    return fx::id3v1Tag("Seed title", "Seed artist", "Album", "2001", "c", 17);
}

std::vector<std::pair<std::string, std::string>> files() {
    const fx::FrameShape mpeg1;
    fx::FrameShape mono2;
    mono2.version = 2;
    mono2.mode = 3;
    fx::FrameShape crc;
    crc.crc = true;
    crc.mode = 1;
    fx::FrameShape padded;
    padded.padding = true;
    padded.bitrateIndex = 11;
    padded.sampleRateIndex = 1;
    fx::FrameShape lowRate = mpeg1;
    lowRate.bitrateIndex = 1;

    // Frames of different bitrates, as in a real variable-bitrate stream.
    const std::string vbrBody =
        fx::mpegFrames(lowRate, 2) + fx::mpegFrames(padded, 1) + fx::mpegFrames(mpeg1, 2);

    fx::WavShape canonical;
    canonical.dataBytes = 256;
    fx::WavShape extra = canonical;
    extra.extraChunkBeforeData = std::string("LIST\x08\0\0\0INFOabcd", 16);
    fx::WavShape noData = canonical;
    noData.withData = false;
    fx::WavShape mono8 = canonical;
    mono8.channels = 1;
    mono8.bits = 8;
    mono8.sampleRate = 8000;
    fx::WavShape overstated = canonical;
    overstated.statedDataBytes = 0xFFFFFFF0u;
    fx::WavShape zeroRate = canonical;
    zeroRate.sampleRate = 0;
    // Readers look at the first few kilobytes at once and search on in blocks; these put the
    // interesting bytes past that first read.
    fx::WavShape lateData = canonical;
    lateData.extraChunkBeforeData =
        "LIST" + std::string("\x88\x13\0\0", 4) + std::string(5000, 'x');
    const std::string lateFormat = [&] {
        std::string f = fx::wavFile(canonical);
        return f.substr(0, 12) + "JUNK" + std::string("\x88\x13\0\0", 4) + std::string(5000, 'j') +
               f.substr(12);
    }();

    const std::string frames = fx::mpegFrames(mpeg1, 4);
    return {
        {"mp3-plain", frames},
        {"mp3-tagged", frames + tag()},
        {"mp3-id3v2", fx::id3v2Tag(300) + frames + tag()},
        {"mp3-id3v2-footer", fx::id3v2Tag(200, true) + fx::mpegFrames(mpeg1, 2)},
        {"mp3-xing", fx::vbrHeaderFrame(mpeg1, fx::VbrKind::Xing, 100, 41800) + vbrBody},
        {"mp3-info", fx::vbrHeaderFrame(mpeg1, fx::VbrKind::Info, 5, 2090) + frames + tag()},
        {"mp3-vbri", fx::vbrHeaderFrame(mpeg1, fx::VbrKind::Vbri, 50, 20000) + vbrBody + tag()},
        {"mp3-mpeg2-mono", fx::mpegFrames(mono2, 6) + tag()},
        {"mp3-mpeg2-xing",
         fx::vbrHeaderFrame(mono2, fx::VbrKind::Xing, 9, 1500) + fx::mpegFrames(mono2, 3)},
        {"mp3-crc", fx::vbrHeaderFrame(crc, fx::VbrKind::Xing, 7, 3000) + fx::mpegFrames(crc, 3)},
        {"mp3-junk-first", std::string(100, '\x11') + fx::mpegFrames(padded, 3) + tag()},
        {"mp3-frame-at-block-end", std::string(2030, '\x11') + fx::mpegFrames(mpeg1, 2) + tag()},
        {"mp3-long-junk", std::string(9000, '\x11') + fx::mpegFrames(mpeg1, 2)},
        {"mp3-tag-only", "\x11" + tag()},
        {"mp3-cut-header", "\xFF\xFB\x90"},
        {"mp3-cut-frame", fx::mpegFrames(mpeg1, 1).substr(0, 50) + tag()},
        {"id3v2-cut", fx::id3v2Tag(40).substr(0, 12)},
        // Real-world shapes the reader once got wrong.
        {"mp3-zero-padded-tag",
         frames + fx::zeroPaddedId3v1Tag(std::string("Title\0junk", 10), "Band", "", "99")},
        {"mp3-tag-stub-128", tag()}, // 128 bytes starting with "TAG": no tag, since no audio
        {"mp3-junk-sync-first", "\xFF\xFB\x50\x00" + std::string(137, '\x11') + frames + tag()},
        {"mp3-layer2", fx::mpegFrames({1, 9, 0, 0, false, false, 2}, 4) + tag()},
        {"mp3-mpeg25", fx::mpegFrames({25, 8, 0, 3}, 4)},
        {"mp3-info-other-bitrate",
         fx::vbrHeaderFrame({1, 4, 0, 0}, fx::VbrKind::Info, 5, 0) + fx::mpegFrames({1, 5}, 4)},
        {"mp3-ape-tag", frames + fx::apeTag(300) + tag()},
        {"mp3-lyrics3", frames + fx::lyrics3v2Tag("la") + tag()},
        {"wav-streaming-size", fx::wavFile([&] {
             fx::WavShape s = canonical;
             s.statedDataBytes = 0xFFFFFFFFu;
             return s;
         }())},
        {"wav-rf64", fx::rf64File(canonical)},
        {"wav-rifx", fx::rifxFile(canonical)},
        {"wav-canonical", fx::wavFile(canonical)},
        {"wav-extra-chunk", fx::wavFile(extra)},
        {"wav-no-data", fx::wavFile(noData)},
        {"wav-mono-8bit", fx::wavFile(mono8)},
        {"wav-cut-format", fx::wavFile(canonical).substr(0, 30)},
        {"wav-overstated-data", fx::wavFile(overstated)},
        {"wav-zero-rate", fx::wavFile(zeroRate)},
        {"wav-late-data", fx::wavFile(lateData)},
        {"wav-late-format", lateFormat},
        {"empty", ""},
    };
}

} // namespace

std::vector<Seed> seedCorpus() {
    std::vector<Seed> seeds;
    std::uint8_t variant = 0;
    for (auto& [name, file] : files()) {
        // Vary which fields are assigned, and walk every frame on every other seed.
        const auto mask = static_cast<std::uint8_t>(0x3F >> (variant % 4));
        seeds.push_back({name, controlFor(mask, variant % 2 == 1, variant) + file});
        ++variant;
    }
    seeds.push_back({"control-only", controlFor(0x3F, true, 3).substr(0, 5)});
    return seeds;
}

} // namespace tunewalk::fuzz
